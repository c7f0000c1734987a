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

namespace {

// The rectangle in which two images of one size differ; null when they
// are the same.
QRect ChangedRect(const QImage& before, const QImage& after) {
    int top = -1, bottom = -1, left = after.width(), right = -1;
    for (int y = 0; y < after.height(); ++y) {
        const QRgb* a = reinterpret_cast<const QRgb*>(before.constScanLine(y));
        const QRgb* b = reinterpret_cast<const QRgb*>(after.constScanLine(y));
        int first = 0;
        while (first < after.width() && a[first] == b[first]) ++first;
        if (first == after.width()) continue;
        int last = after.width() - 1;
        while (a[last] == b[last]) --last;
        if (top < 0) top = y;
        bottom = y;
        left = std::min(left, first);
        right = std::max(right, last);
    }
    return top < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace

struct GifAnimation::Encoder {
    std::string bytes;
    GifFileType* gif = nullptr;
    ~Encoder() {
        int err = 0;
        if (gif) EGifCloseFile(gif, &err);
    }
};

namespace {

[[noreturn]] void AnimationError(const std::string& path, const std::string& why) {
    throw std::runtime_error("Cannot write GIF file \"" + path + "\": " + why);
}

std::unique_ptr<ColorMapObject, MapDeleter> ColourMapOf(const IndexedPicture& picture, int& bits) {
    bits = 1;
    while ((1 << bits) < static_cast<int>(picture.palette.size())) ++bits;
    std::unique_ptr<ColorMapObject, MapDeleter> map(GifMakeMapObject(1 << bits, nullptr));
    if (!map) return map;
    for (int i = 0; i < (1 << bits); ++i) {
        const QRgb c = i < static_cast<int>(picture.palette.size()) ? picture.palette[static_cast<std::size_t>(i)] : qRgb(0, 0, 0);
        map->Colors[i].Red = static_cast<GifByteType>(qRed(c));
        map->Colors[i].Green = static_cast<GifByteType>(qGreen(c));
        map->Colors[i].Blue = static_cast<GifByteType>(qBlue(c));
    }
    return map;
}

// One frame: its delay, then its rectangle with a colour table of its own
// (the first frame's is the file's).
bool PutFrame(GifFileType* gif, const QImage& part, QPoint at, int delay, bool first) {
    GraphicsControlBlock gcb;
    gcb.DisposalMode = DISPOSE_DO_NOT;
    gcb.UserInputFlag = false;
    gcb.DelayTime = delay;
    gcb.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    const std::size_t length = EGifGCBToExtension(&gcb, extension);
    if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) != GIF_OK) return false;
    const IndexedPicture picture = ReduceColours(part);
    int bits = 1;
    const auto map = ColourMapOf(picture, bits);
    if (!map) return false;
    if (EGifPutImageDesc(gif, at.x(), at.y(), part.width(), part.height(), false, first ? nullptr : map.get()) != GIF_OK)
        return false;
    for (int y = 0; y < part.height(); ++y) {
        auto* line = const_cast<GifByteType*>(picture.pixels.data() + static_cast<std::size_t>(y) * part.width());
        if (EGifPutLine(gif, line, part.width()) != GIF_OK) return false;
    }
    return true;
}

} // namespace

GifAnimation::GifAnimation(const QImage& first, int delayHundredths, std::string path)
    : encoder_(std::make_unique<Encoder>()), previous_(first.convertToFormat(QImage::Format_RGB32)), path_(std::move(path)) {
    if (previous_.isNull() || previous_.width() > 65535 || previous_.height() > 65535)
        AnimationError(path_, "unsuitable image size");
    int err = 0;
    encoder_->gif = EGifOpen(&encoder_->bytes, AppendToBuffer, &err);
    if (!encoder_->gif) AnimationError(path_, GifError(err));
    GifFileType* gif = encoder_->gif;
    EGifSetGifVersion(gif, true);
    int bits = 1;
    const auto map = ColourMapOf(ReduceColours(previous_), bits);
    if (!map) AnimationError(path_, "out of memory");
    // NETSCAPE2.0 with a loop count of 0: for ever.
    const GifByteType loop[3] = {1, 0, 0};
    const bool ok = EGifPutScreenDesc(gif, previous_.width(), previous_.height(), bits, 0, map.get()) == GIF_OK &&
                    EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
                    EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") == GIF_OK &&
                    EGifPutExtensionBlock(gif, 3, loop) == GIF_OK && EGifPutExtensionTrailer(gif) == GIF_OK &&
                    PutFrame(gif, previous_, QPoint(0, 0), delayHundredths, true);
    if (!ok) AnimationError(path_, GifError(gif->Error));
}

GifAnimation::~GifAnimation() = default;

QRect GifAnimation::Add(const QImage& frame, int delayHundredths) {
    if (!encoder_->gif) AnimationError(path_, "the animation was finished");
    const QImage image = frame.convertToFormat(QImage::Format_RGB32);
    if (image.size() != previous_.size()) AnimationError(path_, "a frame of another size");
    QRect changed = ChangedRect(previous_, image);
    if (changed.isNull()) changed = QRect(0, 0, 1, 1);
    if (!PutFrame(encoder_->gif, image.copy(changed), changed.topLeft(), delayHundredths, false))
        AnimationError(path_, GifError(encoder_->gif->Error));
    previous_ = image;
    return changed;
}

std::string GifAnimation::Finish() {
    GifFileType* gif = encoder_->gif;
    encoder_->gif = nullptr;
    int err = 0;
    if (!gif || EGifCloseFile(gif, &err) != GIF_OK) AnimationError(path_, GifError(err));
    return std::move(encoder_->bytes);
}

} // namespace tarvik
