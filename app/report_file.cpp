#include "app/report_file.h"

#include <stdexcept>

#include "app/atomic_file.h"
#include "app/text_files.h"

namespace tarvik {

void WriteReportFile(const std::string& path, const std::vector<std::string>& lines) {
    std::string content;
    for (const std::string& line : lines) {
        content += line;
        content += TextLineEnd;
    }
    if (const int error = ReplaceFileContents(path, content))
        throw std::runtime_error("Cannot write file " + path + ": " + SystemErrorText(error));
}

} // namespace tarvik
