#pragma once
// Saving the run report (the output pane's lines) as a text file, by the
// rule of app/text_files.h: UTF-8, so the degree sign of "u°" is the two
// bytes C2 B0, with CR LF line ends.
#include <string>
#include <vector>

namespace tarvik {

// Writes the lines, each followed by CR LF, replacing the file as a whole.
// Throws std::runtime_error("Cannot write file <path>: <reason>") when it
// cannot be written; an older file at path then stays as it was.
void WriteReportFile(const std::string& path, const std::vector<std::string>& lines);

} // namespace tarvik
