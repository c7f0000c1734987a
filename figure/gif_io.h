#pragma once
// GIF pictures through giflib: reading the function pictures of the Media
// folder and writing the exported figure.
#include <QImage>
#include <QRect>
#include <memory>
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

// An animated GIF built in memory, frame by frame: the first frame whole,
// every later one only as the rectangle in which it differs from the frame
// before (left in place, so what did not change shows through), each with
// the colours of its rectangle. It loops for ever. All frames have the first
// frame's size. Throws std::runtime_error naming `path` (the file it is
// meant for) when giflib fails.
class GifAnimation {
public:
    GifAnimation(const QImage& first, int delayHundredths, std::string path);
    ~GifAnimation();
    GifAnimation(const GifAnimation&) = delete;
    GifAnimation& operator=(const GifAnimation&) = delete;

    // The rectangle stored for the frame: where it differs from the frame
    // before (one pixel where it does not differ at all).
    QRect Add(const QImage& frame, int delayHundredths);
    // The file's bytes; nothing can be added after.
    std::string Finish();

private:
    struct Encoder;
    std::unique_ptr<Encoder> encoder_;
    QImage previous_;
    std::string path_;
};

} // namespace tarvik
