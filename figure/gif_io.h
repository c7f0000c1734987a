#pragma once
// GIF pictures through giflib: reading the function pictures of the Media
// folder and writing the exported figure.
#include <QImage>
#include <string>

namespace tarvik {

// The first frame of a GIF file, on a canvas of the file's screen size.
// Transparent pixels make an ARGB32 image, otherwise it is RGB32.
// Throws std::runtime_error naming the file when it cannot be read.
QImage LoadGifImage(const std::string& path);

// Writes the image as a single-frame GIF. An image with at most 256
// colours keeps every colour exactly; otherwise its most frequent colours
// stay exact and the rest go to the nearest colour of a 6x6x6 cube.
// The file is replaced as a whole; when it cannot be written an older file
// stays as it was and a std::runtime_error names the file and the reason.
void SaveGifImage(const QImage& image, const std::string& path);

} // namespace tarvik
