#pragma once
// Saving the run report as an 8-bit text file in the Windows-1252 code page,
// the code page the report's readers expect (the degree sign is one byte).
#include <string>
#include <string_view>
#include <vector>

namespace tarvik {

// Converts UTF-8 text to Windows-1252. Characters without a 1252 byte, and
// bytes that are not valid UTF-8, become '?'.
std::string Utf8ToCp1252(std::string_view utf8);

// Writes the lines, each followed by CR LF, converted to Windows-1252,
// replacing the file as a whole. Throws std::runtime_error("Cannot write
// file <path>: <reason>") when it cannot be written; an older file at path
// then stays as it was.
void WriteReportFile(const std::string& path, const std::vector<std::string>& lines);

} // namespace tarvik
