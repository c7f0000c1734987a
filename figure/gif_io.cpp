#include "figure/gif_io.h"

#include <gif_lib.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "figure/image_export.h"

namespace tarvik {

namespace {

std::string GifError(int code) {
    const char* text = GifErrorString(code);
    return text ? text : "unknown GIF error";
}

// Colours kept exact when the image has more colours than a GIF holds;
// the remaining 216 entries of the palette are the colour cube.
constexpr int ExactColoursBesideCube = 40;
constexpr int CubeSteps = 6;

int CubeIndex(QRgb c) {
    const auto step = [](int v) { return (v * (CubeSteps - 1) + 127) / 255; };
    return (step(qRed(c)) * CubeSteps + step(qGreen(c))) * CubeSteps + step(qBlue(c));
}

QRgb CubeColour(int index) {
    const int b = index % CubeSteps, g = (index / CubeSteps) % CubeSteps, r = index / (CubeSteps * CubeSteps);
    const auto level = [](int s) { return s * 255 / (CubeSteps - 1); };
    return qRgb(level(r), level(g), level(b));
}

// A palette and the index of every pixel.
struct IndexedPicture {
    std::vector<QRgb> palette;
    std::vector<GifByteType> pixels;
};

IndexedPicture ReduceColours(const QImage& image) {
    IndexedPicture out;
    const int w = image.width(), h = image.height();
    out.pixels.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    std::unordered_map<QRgb, int> counts;
    std::vector<QRgb> order;   // first occurrence, so palettes are stable
    for (int y = 0; y < h; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const QRgb c = row[x] | 0xFF000000u;
            auto [it, inserted] = counts.try_emplace(c, 0);
            if (inserted) order.push_back(c);
            ++it->second;
        }
    }
    std::unordered_map<QRgb, int> index;
    if (order.size() <= 256) {
        out.palette = order;
        for (std::size_t i = 0; i < order.size(); ++i) index[order[i]] = static_cast<int>(i);
    } else {
        std::vector<QRgb> frequent = order;
        std::stable_sort(frequent.begin(), frequent.end(), [&](QRgb a, QRgb b) { return counts[a] > counts[b]; });
        frequent.resize(ExactColoursBesideCube);
        out.palette = frequent;
        for (std::size_t i = 0; i < frequent.size(); ++i) index[frequent[i]] = static_cast<int>(i);
        for (int i = 0; i < CubeSteps * CubeSteps * CubeSteps; ++i) out.palette.push_back(CubeColour(i));
        for (QRgb c : order)
            if (!index.count(c)) index[c] = ExactColoursBesideCube + CubeIndex(c);
    }
    std::size_t k = 0;
    for (int y = 0; y < h; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) out.pixels[k++] = static_cast<GifByteType>(index[row[x] | 0xFF000000u]);
    }
    return out;
}

struct GifReaderCloser {
    void operator()(GifFileType* f) const {
        int err = 0;
        DGifCloseFile(f, &err);
    }
};

// The encoded picture is collected in memory and written as a whole.
int AppendToBuffer(GifFileType* gif, const GifByteType* data, int length) {
    auto* bytes = static_cast<std::string*>(gif->UserData);
    bytes->append(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length));
    return length;
}

struct MapDeleter {
    void operator()(ColorMapObject* m) const { GifFreeMapObject(m); }
};

} // namespace

QImage LoadGifImage(const std::string& path) {
    int err = 0;
    std::unique_ptr<GifFileType, GifReaderCloser> gif(DGifOpenFileName(path.c_str(), &err));
    if (!gif) throw std::runtime_error("Cannot open GIF file \"" + path + "\": " + GifError(err));
    if (DGifSlurp(gif.get()) != GIF_OK)
        throw std::runtime_error("Cannot read GIF file \"" + path + "\": " + GifError(gif->Error));
    if (gif->ImageCount < 1) throw std::runtime_error("GIF file \"" + path + "\" holds no image");

    const SavedImage& frame = gif->SavedImages[0];
    const GifImageDesc& d = frame.ImageDesc;
    const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
    if (!map) throw std::runtime_error("GIF file \"" + path + "\" has no colour table");

    GraphicsControlBlock gcb;
    gcb.TransparentColor = NO_TRANSPARENT_COLOR;
    DGifSavedExtensionToGCB(gif.get(), 0, &gcb);
    const bool transparent = gcb.TransparentColor != NO_TRANSPARENT_COLOR;

    const int width = gif->SWidth > 0 ? gif->SWidth : d.Left + d.Width;
    const int height = gif->SHeight > 0 ? gif->SHeight : d.Top + d.Height;
    QImage image(width, height, transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull()) throw std::runtime_error("GIF file \"" + path + "\" is too large");
    QRgb background = qRgb(0, 0, 0);
    if (gif->SColorMap && gif->SBackGroundColor < gif->SColorMap->ColorCount) {
        const GifColorType& c = gif->SColorMap->Colors[gif->SBackGroundColor];
        background = qRgb(c.Red, c.Green, c.Blue);
    }
    image.fill(transparent ? qRgba(0, 0, 0, 0) : background);

    for (int y = 0; y < d.Height; ++y) {
        const int iy = d.Top + y;
        if (iy < 0 || iy >= height) continue;
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(iy));
        for (int x = 0; x < d.Width; ++x) {
            const int ix = d.Left + x;
            if (ix < 0 || ix >= width) continue;
            const int k = frame.RasterBits[static_cast<std::size_t>(y) * d.Width + x];
            if (transparent && k == gcb.TransparentColor) continue;
            if (k >= map->ColorCount) continue;
            const GifColorType& c = map->Colors[k];
            row[ix] = qRgb(c.Red, c.Green, c.Blue);
        }
    }
    return image;
}

void SaveGifImage(const QImage& source, const std::string& path) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    if (image.isNull() || image.width() > 65535 || image.height() > 65535)
        throw std::runtime_error("Cannot write GIF file \"" + path + "\": unsuitable image size");
    const IndexedPicture picture = ReduceColours(image);

    int bits = 1;
    while ((1 << bits) < static_cast<int>(picture.palette.size())) ++bits;
    std::unique_ptr<ColorMapObject, MapDeleter> map(GifMakeMapObject(1 << bits, nullptr));
    if (!map) throw std::runtime_error("Cannot write GIF file \"" + path + "\": out of memory");
    for (int i = 0; i < (1 << bits); ++i) {
        const QRgb c = i < static_cast<int>(picture.palette.size()) ? picture.palette[static_cast<std::size_t>(i)] : qRgb(0, 0, 0);
        map->Colors[i].Red = static_cast<GifByteType>(qRed(c));
        map->Colors[i].Green = static_cast<GifByteType>(qGreen(c));
        map->Colors[i].Blue = static_cast<GifByteType>(qBlue(c));
    }

    std::string bytes;
    int err = 0;
    GifFileType* gif = EGifOpen(&bytes, AppendToBuffer, &err);
    if (!gif) throw std::runtime_error("Cannot write GIF file \"" + path + "\": " + GifError(err));
    bool ok = EGifPutScreenDesc(gif, image.width(), image.height(), bits, 0, map.get()) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, image.width(), image.height(), false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < image.height(); ++y) {
        auto* line = const_cast<GifByteType*>(picture.pixels.data() + static_cast<std::size_t>(y) * image.width());
        ok = EGifPutLine(gif, line, image.width()) == GIF_OK;
    }
    const int writeError = gif->Error;
    int closeError = 0;
    const bool closed = EGifCloseFile(gif, &closeError) == GIF_OK;
    if (!ok) throw std::runtime_error("Cannot write GIF file \"" + path + "\": " + GifError(writeError));
    if (!closed) throw std::runtime_error("Cannot write GIF file \"" + path + "\": " + GifError(closeError));
    WriteImageFile(path, bytes, "GIF");
}

} // namespace tarvik
