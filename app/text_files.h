#pragma once
// One rule for every text file the program writes (the saved report, the
// trace and the comparison as CSV, their JSON descriptions, data.ini): UTF-8,
// and CR LF at the end of every line, the last one included. CSV wants CR LF
// (RFC 4180), the report has always had it, and every reader of the others
// takes it. What the batch mode prints on a terminal keeps plain LF.
#include <string_view>

namespace tarvik {

inline constexpr std::string_view TextLineEnd = "\r\n";

} // namespace tarvik
