#include "app/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <unordered_map>

#include "app/atomic_file.h"
#include "app/text_files.h"

namespace tarvik {

namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

std::string Trim(std::string_view text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && std::isspace(static_cast<unsigned char>(text[first]))) ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1]))) --last;
    return std::string(text.substr(first, last - first));
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool ParseInteger(const std::string& text, int64_t& out) {
    std::size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    int base = 10;
    if (text.size() - pos > 2 && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
        base = 16;
        pos += 2;
    }
    if (pos >= text.size()) return false;
    int64_t value = 0;
    for (; pos < text.size(); ++pos) {
        const int c = std::tolower(static_cast<unsigned char>(text[pos]));
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        if (digit < 0) return false;
        value = value * base + digit;
        if (value > 4294967296LL) return false;
    }
    out = negative ? -value : value;
    return true;
}

// Well-formed UTF-8: no stray continuation byte, no sequence cut short, no
// overlong form, no surrogate, nothing past U+10FFFF.
bool IsUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int extra = 0;
        uint32_t cp = 0, minimum = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if ((lead & 0xE0) == 0xC0) {
            extra = 1; cp = lead & 0x1Fu; minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2; cp = lead & 0x0Fu; minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3; cp = lead & 0x07u; minimum = 0x10000;
        } else {
            return false;
        }
        if (text.size() - i <= static_cast<std::size_t>(extra)) return false;
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (next & 0x3Fu);
        }
        if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

// Every byte is the code point of the same number.
std::string Latin1ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

} // namespace

IniFile IniFile::Parse(std::string_view text) {
    IniFile ini;
    // Sections by their name in lower case: a file of many sections is read
    // in time proportional to its length.
    std::unordered_map<std::string, std::size_t> sectionAt;
    std::size_t current = std::string::npos;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == ';') continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            const std::string name = Trim(std::string_view(line).substr(1, close == std::string::npos ? std::string::npos
                                                                                                  : close - 1));
            const auto [at, isNew] = sectionAt.emplace(Lower(name), ini.sections_.size());
            if (isNew) ini.sections_.push_back(Section{name, {}});
            current = at->second;
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos || current == std::string::npos) continue;
        ini.sections_[current].entries.push_back(Entry{Trim(std::string_view(line).substr(0, eq)),
                                                       Trim(std::string_view(line).substr(eq + 1))});
    }
    return ini;
}

bool IniFile::Load(const std::string& path, std::string* refusal) {
    sections_.clear();
    if (refusal != nullptr) refusal->clear();
    const auto refuse = [&path, refusal](const std::string& why) {
        if (refusal != nullptr) *refusal = path + " " + why + ": it is not read, and the program starts with its default choices.";
        return false;
    };
    // Without O_NONBLOCK a FIFO would hold the start until someone wrote to it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? false : refuse("cannot be read (" + SystemErrorText(errno) + ")");
    struct stat file {};
    std::string bytes;
    std::string why;
    if (::fstat(fd, &file) != 0) why = "cannot be read (" + SystemErrorText(errno) + ")";
    else if (!S_ISREG(file.st_mode)) why = "is not a regular file";
    else if (file.st_size > static_cast<off_t>(MaxBytes)) why = "is larger than 1 MB";
    // One byte more than allowed tells a file that grew meanwhile.
    while (why.empty() && bytes.size() <= MaxBytes) {
        char buffer[65536];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) why = "cannot be read (" + SystemErrorText(errno) + ")";
        if (got <= 0) break;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    if (why.empty() && bytes.size() > MaxBytes) why = "is larger than 1 MB";
    if (!why.empty()) return refuse(why);
    // The program writes UTF-8; a file that is not UTF-8 comes from an
    // older 8-bit version and is read as Latin-1.
    *this = Parse(IsUtf8(bytes) ? bytes : Latin1ToUtf8(bytes));
    return true;
}

bool IniFile::Save(const std::string& path, int* error) const {
    const int failure = ReplaceFileContents(path, Text());
    if (error != nullptr) *error = failure;
    return failure == 0;
}

std::string IniFile::Text() const {
    std::string text;
    for (const Section& s : sections_) {
        text += "[" + s.name + "]";
        text += TextLineEnd;
        for (const Entry& e : s.entries) {
            text += e.key + "=" + e.value;
            text += TextLineEnd;
        }
    }
    return text;
}

const IniFile::Section* IniFile::FindSection(std::string_view name) const {
    for (const Section& s : sections_)
        if (SameName(s.name, name)) return &s;
    return nullptr;
}

// A key may itself hold "=" ("u*=0"): a line is split at its first "=", so
// the key is found by comparing the start of the whole "key=value" text
// (read in place, so that a long section costs no copies).
int IniFile::FindKey(const Section& section, std::string_view key, std::string* value) {
    for (std::size_t i = 0; i < section.entries.size(); ++i) {
        const Entry& e = section.entries[i];
        if (SameName(e.key, key)) {
            if (value) *value = e.value;
            return static_cast<int>(i);
        }
        const auto whole = [&e](std::size_t at) {
            return at < e.key.size() ? e.key[at] : at == e.key.size() ? '=' : e.value[at - e.key.size() - 1];
        };
        const std::size_t wholeSize = e.key.size() + 1 + e.value.size();
        if (wholeSize <= key.size() || whole(key.size()) != '=') continue;
        bool same = true;
        for (std::size_t k = 0; same && k < key.size(); ++k)
            same = std::tolower(static_cast<unsigned char>(whole(k))) == std::tolower(static_cast<unsigned char>(key[k]));
        if (!same) continue;
        if (value) {
            std::string rest;
            for (std::size_t k = key.size() + 1; k < wholeSize; ++k) rest += whole(k);
            *value = Trim(rest);
        }
        return static_cast<int>(i);
    }
    return -1;
}

bool IniFile::HasKey(std::string_view section, std::string_view key) const {
    const Section* s = FindSection(section);
    return s != nullptr && FindKey(*s, key, nullptr) >= 0;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, const std::string& fallback) const {
    const Section* s = FindSection(section);
    std::string value;
    if (s == nullptr || FindKey(*s, key, &value) < 0) return fallback;
    return value;
}

int32_t IniFile::ReadInteger(std::string_view section, std::string_view key, int32_t fallback) const {
    const Section* s = FindSection(section);
    std::string value;
    if (s == nullptr || FindKey(*s, key, &value) < 0) return fallback;
    int64_t parsed = 0;
    if (!ParseInteger(value, parsed)) return fallback;
    // Values beyond 32 bits wrap as the platform's conversion does.
    return static_cast<int32_t>(static_cast<uint32_t>(parsed));
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    Section* target = nullptr;
    for (Section& s : sections_)
        if (SameName(s.name, section)) target = &s;
    if (target == nullptr) {
        sections_.push_back(Section{std::string(section), {}});
        target = &sections_.back();
    }
    const int found = FindKey(*target, key, nullptr);
    if (found >= 0)
        target->entries[static_cast<std::size_t>(found)] = Entry{std::string(key), std::string(value)};
    else
        target->entries.push_back(Entry{std::string(key), std::string(value)});
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int64_t value) {
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

} // namespace tarvik
