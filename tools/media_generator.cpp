#include "tools/media_generator.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "core/function_catalogue.h"
#include "figure/gif_io.h"

namespace tarvik {

namespace {

constexpr QRgb PictureBackground = 0xFFF8F8F0;
constexpr QRgb PictureInk = 0xFF202040;
constexpr double TwoPi = 6.283185307179586;
constexpr double FadeSeconds = 0.008;

void PutLe16(std::ofstream& out, uint16_t v) {
    const char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    out.write(b, 2);
}

void PutLe32(std::ofstream& out, uint32_t v) {
    const char b[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                       static_cast<char>((v >> 16) & 0xFF), static_cast<char>(v >> 24)};
    out.write(b, 4);
}

} // namespace

const std::vector<ToneSpec>& MediaTones() {
    static const std::vector<ToneSpec> tones{
        {"Done.wav", 880.0, 880.0, 0.12, 6.0},
        {"Ding.wav", 1318.5, 1318.5, 0.35, 9.0},
        {"Utopia Recycle.wav", 660.0, 330.0, 0.45, 2.0},
        {"Utopia Asterisk.wav", 523.25, 783.99, 0.40, 3.0},
        {"DING.WAV", 440.0, 440.0, 0.60, 5.0},
    };
    return tones;
}

std::string FunctionFormulaText(FunctionId function) { return std::string(Traits(function).formula); }

QImage RenderFunctionPicture(const QString& formula) {
    QImage image(MediaPictureWidth, MediaPictureHeight, QImage::Format_RGB32);
    image.fill(PictureBackground);
    const QStringList lines = formula.split(QLatin1Char('\n'));
    const int margin = 6;
    QFont font(QStringLiteral("DejaVu Sans"));
    int size = lines.size() > 1 ? 14 : 17;
    for (; size > 7; --size) {
        font.setPixelSize(size);
        const QFontMetrics m(font);
        int widest = 0;
        for (const QString& line : lines) widest = std::max(widest, m.horizontalAdvance(line));
        if (widest <= MediaPictureWidth - 2 * margin && m.height() * lines.size() <= MediaPictureHeight - 4) break;
    }
    font.setPixelSize(size);
    const QFontMetrics m(font);
    QPainter p(&image);
    p.setFont(font);
    p.setPen(QColor::fromRgb(PictureInk));
    const int blockHeight = m.height() * static_cast<int>(lines.size());
    int y = (MediaPictureHeight - blockHeight) / 2 + m.ascent();
    for (const QString& line : lines) {
        p.drawText(margin, y, line);
        y += m.height();
    }
    return image;
}

std::vector<int16_t> SynthesizeTone(const ToneSpec& tone) {
    const int count = static_cast<int>(std::lround(tone.seconds * MediaSampleRate));
    const int fade = static_cast<int>(FadeSeconds * MediaSampleRate);
    std::vector<int16_t> samples(static_cast<std::size_t>(std::max(count, 0)));
    double phase = 0;
    for (int i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / MediaSampleRate;
        const double hz = tone.startHz + (tone.endHz - tone.startHz) * (t / tone.seconds);
        phase += TwoPi * hz / MediaSampleRate;
        double envelope = 0.6 * std::exp(-tone.decayPerSecond * t);
        if (i < fade) envelope *= static_cast<double>(i) / fade;
        if (count - 1 - i < fade) envelope *= static_cast<double>(count - 1 - i) / fade;
        samples[static_cast<std::size_t>(i)] = static_cast<int16_t>(std::lround(32767.0 * envelope * std::sin(phase)));
    }
    return samples;
}

void WriteWavFile(const std::string& path, const std::vector<int16_t>& samples, int sampleRate) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("Cannot create sound file \"" + path + "\"");
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    out.write("RIFF", 4);
    PutLe32(out, 36 + dataBytes);
    out.write("WAVE", 4);
    out.write("fmt ", 4);
    PutLe32(out, 16);                                   // size of the format chunk
    PutLe16(out, 1);                                    // PCM
    PutLe16(out, 1);                                    // mono
    PutLe32(out, static_cast<uint32_t>(sampleRate));
    PutLe32(out, static_cast<uint32_t>(sampleRate) * 2);   // bytes per second
    PutLe16(out, 2);                                    // bytes per sample frame
    PutLe16(out, 16);                                   // bits per sample
    out.write("data", 4);
    PutLe32(out, dataBytes);
    for (int16_t v : samples) PutLe16(out, static_cast<uint16_t>(v));
    out.flush();
    if (!out) throw std::runtime_error("Cannot write sound file \"" + path + "\"");
}

std::vector<std::string> GenerateMedia(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(fs::path(folder), ec);
    if (ec) throw std::runtime_error("Cannot create folder \"" + folder + "\": " + ec.message());
    std::vector<std::string> written;
    for (const FunctionTraits& entry : FunctionList()) {
        const std::string name(entry.picture);
        const QImage picture = RenderFunctionPicture(QString::fromStdString(FunctionFormulaText(entry.id)));
        SaveGifImage(picture, (fs::path(folder) / name).string());
        written.push_back(name);
    }
    for (const ToneSpec& tone : MediaTones()) {
        WriteWavFile((fs::path(folder) / tone.fileName).string(), SynthesizeTone(tone), MediaSampleRate);
        written.push_back(tone.fileName);
    }
    return written;
}

} // namespace tarvik
