#pragma once
// Saving the figure as a picture file: GIF, JPEG or Windows bitmap.
#include <QImage>
#include <string>
#include <string_view>

namespace tarvik {

// The filter of the save dialog, in the order of the export types.
inline constexpr const char* ExportDialogTitle = "Save image as...";
inline constexpr const char* ExportDefaultName = "Fig";

// The export type of a filter index of the dialog (1 GIF, 2 JPEG,
// 3 bitmap); any other index keeps the current type.
char ExportTypeForFilterIndex(int filterIndex, char currentType);

// Writes the image to path: 'g' GIF, 'j' JPEG at quality 100, 'b' bitmap,
// 'p' PNG (the batch mode's extra type). The file is replaced as a whole:
// when it cannot be written an older file stays as it was, and a
// std::runtime_error names the file and the system's reason.
// std::invalid_argument for an unknown type.
void SaveFigureImage(const QImage& image, const std::string& path, char exportType);

// Replaces the file at path with the encoded picture; kind names the format
// in the message ("Cannot create GIF file "path": reason", or "Cannot
// write ..." when the file was created but not written whole).
void WriteImageFile(const std::string& path, std::string_view bytes, const char* kind);

// Writes a JPEG file through libjpeg at the given quality (1..100).
void SaveJpegImage(const QImage& image, const std::string& path, int quality);

// Draws the icon with its top-left corner at (5, 5). Stamping twice gives
// the same picture as stamping once.
void StampIcon(QImage& image, const QImage& icon);

} // namespace tarvik
