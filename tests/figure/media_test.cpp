// The generated Media folder: every picture the function list loads and
// every sound the program plays must exist and be readable.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "core/function_catalogue.h"
#include "figure/gif_io.h"
#include "tools/media_generator.h"

using namespace tarvik;

namespace {

struct WavInfo {
    bool riff = false;
    uint16_t format = 0, channels = 0, bits = 0, blockAlign = 0;
    uint32_t rate = 0, byteRate = 0, dataBytes = 0, riffSize = 0;
    std::vector<int16_t> samples;
};

uint32_t Le32(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

WavInfo ReadWav(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    WavInfo w;
    if (bytes.size() < 44) return w;
    const unsigned char* b = bytes.data();
    w.riff = std::memcmp(b, "RIFF", 4) == 0 && std::memcmp(b + 8, "WAVE", 4) == 0 && std::memcmp(b + 12, "fmt ", 4) == 0 &&
             std::memcmp(b + 36, "data", 4) == 0;
    w.riffSize = Le32(b + 4);
    w.format = Le16(b + 20);
    w.channels = Le16(b + 22);
    w.rate = Le32(b + 24);
    w.byteRate = Le32(b + 28);
    w.blockAlign = Le16(b + 32);
    w.bits = Le16(b + 34);
    w.dataBytes = Le32(b + 40);
    for (std::size_t i = 44; i + 1 < bytes.size(); i += 2) w.samples.push_back(static_cast<int16_t>(Le16(b + i)));
    return w;
}

} // namespace

TEST(Media, GeneratesEveryPictureAndSound) {
    QTemporaryDir dir;
    const std::string folder = dir.filePath(QStringLiteral("Media")).toStdString();
    const std::vector<std::string> written = GenerateMedia(folder);
    EXPECT_EQ(written.size(), static_cast<std::size_t>(FunctionCount + 5));

    for (const FunctionTraits& entry : FunctionList()) {
        const std::string path = folder + "/" + std::string(entry.picture);
        ASSERT_TRUE(std::filesystem::exists(path)) << path;
        const QImage picture = LoadGifImage(path);
        EXPECT_EQ(picture.width(), MediaPictureWidth) << path;
        EXPECT_EQ(picture.height(), MediaPictureHeight) << path;
        // Something is written on it: ink pixels on the light background.
        int dark = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) dark += qGray(picture.pixel(x, y)) < 100;
        EXPECT_GT(dark, 100) << path;
        EXPECT_EQ(qGray(picture.pixel(0, 0)) > 200, true) << path;
    }

    const char* sounds[] = {"Done.wav", "Ding.wav", "Utopia Recycle.wav", "Utopia Asterisk.wav", "DING.WAV"};
    std::set<std::vector<int16_t>> distinct;
    for (const char* name : sounds) {
        const std::string path = folder + "/" + name;
        ASSERT_TRUE(std::filesystem::exists(path)) << path;
        const WavInfo w = ReadWav(path);
        // 16-bit mono PCM with consistent sizes.
        EXPECT_TRUE(w.riff && w.format == 1 && w.channels == 1 && w.bits == 16 && w.blockAlign == 2) << name;
        EXPECT_EQ(w.rate, static_cast<uint32_t>(MediaSampleRate)) << name;
        EXPECT_TRUE(w.byteRate == w.rate * 2 && w.dataBytes == w.samples.size() * 2 && w.riffSize == 36 + w.dataBytes)
            << name;
        const double seconds = static_cast<double>(w.samples.size()) / w.rate;
        EXPECT_TRUE(seconds >= 0.1 && seconds <= 0.6) << name;
        // Fades at both ends: no click.
        ASSERT_FALSE(w.samples.empty());
        EXPECT_LE(std::abs(w.samples.front()), 200) << name;
        EXPECT_LE(std::abs(w.samples.back()), 200) << name;
        int loud = 0;
        for (int16_t v : w.samples) loud = std::max(loud, std::abs(static_cast<int>(v)));
        EXPECT_GT(loud, 8000) << name;
        distinct.insert(w.samples);
    }
    EXPECT_EQ(distinct.size(), 5u);
}

TEST(Media, LongFormulasStillFit) {
    // The widest text must shrink rather than run off the picture.
    const QImage picture = RenderFunctionPicture(QStringLiteral("J(u) = Σ [100(uᵢ₊₁ − uᵢ²)² + (uᵢ − 1)²] + a very long tail of text"));
    int rightmostInk = -1;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (qGray(picture.pixel(x, y)) < 150) rightmostInk = std::max(rightmostInk, x);
    EXPECT_GT(rightmostInk, 200);
    EXPECT_LT(rightmostInk, MediaPictureWidth - 2);
}

TEST(Media, UnwritableFolderIsReported) {
    EXPECT_THROW(GenerateMedia("/proc/tarvik-cannot-create-this"), std::runtime_error);
}

