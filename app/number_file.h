#pragma once
// Reading whitespace-separated real numbers from plain 8-bit text files
// (the matrix, vector and point files of "Quadratic from FILE").
//
// A number is: optional sign, digits, optional "." with digits, optional
// exponent "E"/"e" with optional sign and digits. Only "." is a decimal
// point, whatever the locale. Blanks, tabs and line breaks separate numbers;
// line structure has no meaning. The file is read in fixed-size chunks, so
// an enormous file costs time but never memory.
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "app/text_input.h"

#include "core/numeric.h"

namespace tarvik {

class NumberFileReader {
public:
    NumberFileReader() = default;
    explicit NumberFileReader(const std::string& path) { Open(path); }
    ~NumberFileReader() { Close(); }
    NumberFileReader(const NumberFileReader&) = delete;
    NumberFileReader& operator=(const NumberFileReader&) = delete;

    // Throws std::runtime_error when the path is missing, is not a regular
    // file (a directory, a FIFO or a device, which are never waited for) or
    // cannot be read.
    void Open(const std::string& path);
    void Close();
    bool IsOpen() const { return file_ != nullptr; }
    const std::string& Path() const { return path_; }

    // Skips white space, then tells whether the file has ended.
    bool AtEof();
    // The next number. Throws std::runtime_error for a token that is not a
    // number, and at the end of the file.
    Real Next();
    // True when nothing but white space is left; consumes that white space.
    bool OnlyWhitespaceRemains() { return AtEof(); }

private:
    bool Fill();
    int Peek();
    void SkipWhitespace();
    [[noreturn]] void ThrowReadError() const;

    std::FILE* file_ = nullptr;
    std::string path_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t len_ = 0;
};

// True when text is one number of the syntax above; the value goes to out.
// Magnitudes too large for Real are rejected, too small ones become zero.
inline bool ParseNumberToken(const std::string& text, Real& out) {
    return TryParseReal(text, out, RealGrammar::FileToken);
}

} // namespace tarvik
