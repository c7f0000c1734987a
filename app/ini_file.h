#pragma once
// A small INI file: sections in square brackets, one key=value pair per line.
// Sections and keys keep the order in which they were first read or written,
// so a file written from a fixed key table reads back in that order. Names
// are matched without regard to letter case, as the platform's profile
// functions do; values are kept as they are, without surrounding blanks.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik {

class IniFile {
public:
    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };

    // The contents of an INI text; lines that are neither a section header
    // nor contain "=" (comments, blank lines) are skipped.
    static IniFile Parse(std::string_view text);
    // Reads the file at path; false (and an empty object) when it cannot be
    // read. A file that is not UTF-8 (one written by an 8-bit version) is
    // read as Latin-1, so its values reach the program as UTF-8.
    // Only a regular file of at most MaxBytes is read: anything else (a
    // FIFO, which is never waited for, a device, a directory, a larger
    // file) is refused, and so is a file that cannot be read; refusal then
    // receives the message that says so. A missing file is no refusal.
    bool Load(const std::string& path, std::string* refusal = nullptr);
    // 1 MB, more than a thousand times what the program writes.
    static constexpr std::size_t MaxBytes = 1 << 20;
    // Replaces the file at path as a whole, so no key of an older file
    // survives. False when the file cannot be written, with the errno value
    // in error when given; the older file then stays as it was.
    bool Save(const std::string& path, int* error = nullptr) const;
    // The file's text, as app/text_files.h wants it (CR LF line ends).
    std::string Text() const;

    bool HasKey(std::string_view section, std::string_view key) const;
    std::string ReadString(std::string_view section, std::string_view key, const std::string& fallback) const;
    // An integer in decimal (or hexadecimal after "0x"); the fallback when the
    // key is missing or its value is not an integer.
    int32_t ReadInteger(std::string_view section, std::string_view key, int32_t fallback) const;
    // Any integer other than 0 is true.
    bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

    // Sets the value of an existing key in place, or appends the key to its
    // section (appending the section when it is new).
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int64_t value);
    void WriteBool(std::string_view section, std::string_view key, bool value);

    const std::vector<Section>& Sections() const { return sections_; }

private:
    const Section* FindSection(std::string_view name) const;
    // Position of key in section, or -1; value receives the key's value.
    static int FindKey(const Section& section, std::string_view key, std::string* value);

    std::vector<Section> sections_;
};

} // namespace tarvik
