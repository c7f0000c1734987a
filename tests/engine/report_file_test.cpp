#include "app/report_file.h"

#include <cstdio>
#include <stdexcept>

#include "run_state_fixture.h"
#include "temp_folder.h"

namespace tarvik {
namespace {

namespace fs = std::filesystem;

using testing::ReadBytes;

using ReportFileTest = testing::TempFolderTest;

// The pane's text is written as it is, UTF-8: the degree sign of "u°" is
// the two bytes C2 B0, every line ends with CR LF.
TEST_F(ReportFileTest, WritesUtf8WithCrLfAndReplacesAnExistingFile) {
    const fs::path path = dir_ / "out1.txt";
    WriteReportFile(path.string(), {"Initial guess u\u00B0:", "", " ", "J\u00B0=2.420E+01 \u03B4"});
    EXPECT_EQ(ReadBytes(path), "Initial guess u\xC2\xB0:\r\n\r\n \r\nJ\xC2\xB0=2.420E+01 \xCE\xB4\r\n");
    // An existing file, also a longer one, is replaced.
    WriteReportFile(path.string(), {"a much longer first report line"});
    WriteReportFile(path.string(), {"short"});
    EXPECT_EQ(ReadBytes(path), "short\r\n");
    WriteReportFile(path.string(), {});
    EXPECT_EQ(ReadBytes(path), "");
}

TEST_F(ReportFileTest, UnwritablePathsThrowWithThePath) {
    for (const std::string& path : {(dir_ / "no_such_folder" / "out1.txt").string(), dir_.string()}) {
        const std::string message = testing::ErrorOf<std::runtime_error>([&] { WriteReportFile(path, {"x"}); });
        EXPECT_EQ(message.rfind("Cannot write file " + path + ": ", 0), 0u) << message;
    }
}

} // namespace
} // namespace tarvik
