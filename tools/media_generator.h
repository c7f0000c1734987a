#pragma once
// The Media folder beside the program: one picture per test function (its
// formula as text) and the five short sounds. Everything is generated, so
// the folder can be rebuilt at any time.
#include <QImage>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "core/catalogue_ids.h"

namespace tarvik {

// A synthesised tone: a sine gliding from startHz to endHz, with an
// exponential decay and short fades so that it starts and ends silently.
struct ToneSpec {
    const char* fileName;
    double startHz;
    double endHz;
    double seconds;
    double decayPerSecond;
};

inline constexpr int MediaSampleRate = 22050;
inline constexpr int MediaPictureWidth = 316;
inline constexpr int MediaPictureHeight = 50;

// The five sounds the program plays, by file name.
const std::vector<ToneSpec>& MediaTones();

// The formula of a function as the picture shows it (UTF-8); one or two
// lines separated by '\n'.
std::string FunctionFormulaText(FunctionId function);

// The formula drawn dark on a light background, MediaPictureWidth x
// MediaPictureHeight, the font shrunk until every line fits.
QImage RenderFunctionPicture(const QString& formula);

// 16-bit PCM mono samples of the tone, and the RIFF file holding them.
std::vector<int16_t> SynthesizeTone(const ToneSpec& tone);
void WriteWavFile(const std::string& path, const std::vector<int16_t>& samples, int sampleRate);

// Writes every picture and sound into folder (created when missing) and
// returns the file names written. Throws std::runtime_error when a file
// cannot be written.
std::vector<std::string> GenerateMedia(const std::string& folder);

} // namespace tarvik
