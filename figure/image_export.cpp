#include "figure/image_export.h"

#include <jpeglib.h>

#include <QBuffer>
#include <QByteArray>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "app/atomic_file.h"
#include "figure/gif_io.h"

namespace tarvik {

namespace {

// libjpeg reports fatal errors through error_exit, which must not return;
// jumping back keeps the failure inside this file.
struct JpegErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void JpegErrorExit(j_common_ptr cinfo) {
    auto* manager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, manager->message);
    std::longjmp(manager->jump, 1);
}

// Plain data only between setjmp and longjmp: no destructor is skipped.
// The picture is compressed into memory (out, size; the caller frees out
// with free()). On failure returns false with libjpeg's message in errorText.
bool CompressJpeg(const unsigned char* rgb, int width, int height, int quality, char* errorText, unsigned char** out,
                  unsigned long* size) {
    jpeg_compress_struct cinfo;
    JpegErrorManager err;
    cinfo.err = jpeg_std_error(&err.base);
    err.base.error_exit = JpegErrorExit;
    err.message[0] = '\0';
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::snprintf(errorText, JMSG_LENGTH_MAX, "%s", err.message);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, out, size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb + static_cast<std::size_t>(cinfo.next_scanline) * width * 3);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

// The picture in Qt's encoder for format, in memory; empty when it fails.
QByteArray EncodeWithQt(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, format)) return {};
    return bytes;
}

} // namespace

void WriteImageFile(const std::string& path, std::string_view bytes, const char* kind) {
    bool failedToCreate = false;
    const int error = ReplaceFileContents(path, bytes, &failedToCreate);
    if (error == 0) return;
    throw std::runtime_error(std::string(failedToCreate ? "Cannot create " : "Cannot write ") + kind + " file \"" + path +
                             "\": " + SystemErrorText(error));
}

char ExportTypeForFilterIndex(int filterIndex, char currentType) {
    switch (filterIndex) {
    case 1: return 'g';
    case 2: return 'j';
    case 3: return 'b';
    default: return currentType;
    }
}

void SaveJpegImage(const QImage& source, const std::string& path, int quality) {
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    if (image.isNull()) throw std::runtime_error("Cannot write JPEG file \"" + path + "\": empty image");
    std::vector<unsigned char> rgb(static_cast<std::size_t>(image.width()) * image.height() * 3);
    for (int y = 0; y < image.height(); ++y)
        std::copy_n(image.constScanLine(y), static_cast<std::size_t>(image.width()) * 3,
                    rgb.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(y) * image.width() * 3));

    char errorText[JMSG_LENGTH_MAX] = {0};
    unsigned char* bytes = nullptr;
    unsigned long size = 0;
    const bool ok = CompressJpeg(rgb.data(), image.width(), image.height(), quality, errorText, &bytes, &size);
    const std::string encoded = ok && bytes != nullptr ? std::string(reinterpret_cast<const char*>(bytes), size) : std::string();
    std::free(bytes);
    if (!ok) throw std::runtime_error("Cannot write JPEG file \"" + path + "\": " + errorText);
    WriteImageFile(path, encoded, "JPEG");
}

void SaveFigureImage(const QImage& image, const std::string& path, char exportType) {
    switch (exportType) {
    case 'g':
        SaveGifImage(image, path);
        return;
    case 'j':
        SaveJpegImage(image, path, 100);
        return;
    case 'b':
    case 'p': {
        const char* kind = exportType == 'b' ? "bitmap" : "PNG";
        const QByteArray bytes = EncodeWithQt(image, exportType == 'b' ? "BMP" : "PNG");
        if (bytes.isEmpty()) throw std::runtime_error(std::string("Cannot write ") + kind + " file \"" + path + "\"");
        WriteImageFile(path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), kind);
        return;
    }
    default:
        throw std::invalid_argument(std::string("Unknown image export type '") + exportType + "'");
    }
}

void StampIcon(QImage& image, const QImage& icon) {
    if (icon.isNull()) return;
    const QImage src = icon.convertToFormat(QImage::Format_ARGB32);
    // Each icon pixel is either copied opaque or left out, as an icon mask
    // does; blending would darken the half-transparent edge at every stamp.
    for (int y = 0; y < src.height(); ++y) {
        const int ty = 5 + y;
        if (ty < 0 || ty >= image.height()) continue;
        for (int x = 0; x < src.width(); ++x) {
            const int tx = 5 + x;
            if (tx < 0 || tx >= image.width()) continue;
            const QRgb c = src.pixel(x, y);
            if (qAlpha(c) < 128) continue;
            image.setPixel(tx, ty, c | 0xFF000000u);
        }
    }
}

} // namespace tarvik
