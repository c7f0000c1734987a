#include "app/report_file.h"

#include <cstdint>
#include <stdexcept>

#include "app/atomic_file.h"

namespace tarvik {

namespace {

// Unicode code points of the Windows-1252 bytes 0x80..0x9F. Zero marks the
// five bytes that Windows maps to the C1 control of the same number.
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char CodePointToCp1252(uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (unsigned i = 0; i < 32; ++i) {
        const uint32_t mapped = kCp1252High[i] != 0 ? kCp1252High[i] : 0x80 + i;
        if (mapped == cp) return static_cast<char>(0x80 + i);
    }
    return '?';
}

// Decodes one UTF-8 sequence starting at text[i]; advances i. Returns
// 0xFFFFFFFF for a malformed sequence (one byte is consumed).
uint32_t DecodeUtf8(std::string_view text, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    int extra = 0;
    uint32_t cp = 0;
    uint32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1; cp = lead & 0x1F; minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2; cp = lead & 0x0F; minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3; cp = lead & 0x07; minimum = 0x10000;
    } else {
        ++i;
        return 0xFFFFFFFF;
    }
    if (i + static_cast<std::size_t>(extra) >= text.size()) {
        ++i;
        return 0xFFFFFFFF;
    }
    for (int k = 1; k <= extra; ++k) {
        const unsigned char next = byte(i + static_cast<std::size_t>(k));
        if ((next & 0xC0) != 0x80) {
            ++i;
            return 0xFFFFFFFF;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    i += static_cast<std::size_t>(extra) + 1;
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0xFFFFFFFF;
    return cp;
}

[[noreturn]] void ThrowWriteError(const std::string& path, int error) {
    throw std::runtime_error("Cannot write file " + path + ": " + SystemErrorText(error));
}

} // namespace

std::string Utf8ToCp1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const uint32_t cp = DecodeUtf8(utf8, i);
        out.push_back(cp == 0xFFFFFFFF ? '?' : CodePointToCp1252(cp));
    }
    return out;
}

void WriteReportFile(const std::string& path, const std::vector<std::string>& lines) {
    std::string content;
    for (const std::string& line : lines) {
        content += Utf8ToCp1252(line);
        content += "\r\n";
    }
    if (const int error = ReplaceFileContents(path, content)) ThrowWriteError(path, error);
}

} // namespace tarvik
