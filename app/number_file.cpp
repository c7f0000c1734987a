#include "app/number_file.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <sys/stat.h>

namespace tarvik {

namespace {

constexpr std::size_t kChunkSize = 1 << 16;
// No sensible number is this long; a longer token is garbage, and capping
// it keeps a file without separators from growing the token without bound.
constexpr std::size_t kMaxTokenLength = 4096;

bool IsSeparator(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

} // namespace

void NumberFileReader::Open(const std::string& path) {
    Close();
    path_ = path;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        throw std::runtime_error("Cannot open file " + path + ": " + std::strerror(errno));
    if (S_ISDIR(info.st_mode)) throw std::runtime_error("Cannot open file " + path + ": it is a directory");
    file_ = std::fopen(path.c_str(), "rb");
    if (file_ == nullptr) throw std::runtime_error("Cannot open file " + path + ": " + std::strerror(errno));
    buffer_.assign(kChunkSize, '\0');
    pos_ = len_ = 0;
}

void NumberFileReader::Close() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    std::vector<char>().swap(buffer_);
    pos_ = len_ = 0;
}

void NumberFileReader::ThrowReadError() const { throw std::runtime_error("Read error in file " + path_); }

bool NumberFileReader::Fill() {
    if (file_ == nullptr) return false;
    len_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    pos_ = 0;
    if (len_ == 0 && std::ferror(file_)) ThrowReadError();
    return len_ > 0;
}

int NumberFileReader::Peek() {
    if (pos_ >= len_ && !Fill()) return EOF;
    return static_cast<unsigned char>(buffer_[pos_]);
}

void NumberFileReader::SkipWhitespace() {
    for (;;) {
        const int c = Peek();
        if (c == EOF || !IsSeparator(c)) return;
        ++pos_;
    }
}

bool NumberFileReader::AtEof() {
    if (file_ == nullptr) return true;
    SkipWhitespace();
    return Peek() == EOF;
}

Real NumberFileReader::Next() {
    if (file_ == nullptr) throw std::runtime_error("File not open: " + path_);
    SkipWhitespace();
    if (Peek() == EOF) throw std::runtime_error("Unexpected end of file " + path_);
    std::string token;
    for (;;) {
        const int c = Peek();
        if (c == EOF || IsSeparator(c)) break;
        if (token.size() >= kMaxTokenLength) throw std::runtime_error("Invalid numeric format in file " + path_);
        token.push_back(static_cast<char>(c));
        ++pos_;
    }
    Real value = 0;
    if (!ParseNumberToken(token, value)) throw std::runtime_error("Invalid numeric format in file " + path_);
    return value;
}

} // namespace tarvik
