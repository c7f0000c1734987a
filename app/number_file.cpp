#include "app/number_file.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvik {

namespace {

constexpr std::size_t kChunkSize = 1 << 16;
// No sensible number is this long; a longer token is garbage, and capping
// it keeps a file without separators from growing the token without bound.
constexpr std::size_t kMaxTokenLength = 4096;

bool IsSeparator(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

} // namespace

// Only a regular file is read: a FIFO would wait for a writer, a terminal
// for a user, and neither ever ends on its own. The file is opened without
// waiting and looked at before anything is read.
void NumberFileReader::Open(const std::string& path) {
    Close();
    path_ = path;
    const auto refuse = [&path](const std::string& why) { throw std::runtime_error("Cannot open file " + path + ": " + why); };
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) refuse(std::strerror(errno));
    struct stat info {};
    std::string why;
    if (::fstat(fd, &info) != 0) why = std::strerror(errno);
    else if (S_ISDIR(info.st_mode)) why = "it is a directory";
    else if (!S_ISREG(info.st_mode)) why = "it is not a regular file";
    else if (::fcntl(fd, F_SETFL, O_RDONLY) != 0) why = std::strerror(errno);
    if (why.empty()) file_ = ::fdopen(fd, "rb");
    if (file_ == nullptr) {
        if (why.empty()) why = std::strerror(errno);
        ::close(fd);
        refuse(why);
    }
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
