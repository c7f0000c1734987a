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

// Latin and Windows characters map; the unmappable and the malformed (a lone
// continuation byte, a sequence cut short, an overlong '0') become '?'.
TEST(Utf8ToCp1252, MapsWhatTheCodePageHoldsAndMarksTheRest) {
    const std::pair<const char*, const char*> cases[] = {
        {"Initial guess u\u00B0:", "Initial guess u\xB0:"}, {"plain ASCII 123", "plain ASCII 123"},
        {"\u00E9\u00FF\u00A0", "\xE9\xFF\xA0"}, {"\u20AC\u2013\u0178", "\x80\x96\x9F"}, {"\u0081", "\x81"},
        {"\u03B1\u4E2D", "??"}, {"\U0001F600x", "?x"}, {"a\xB0", "a?"}, {"\xC2", "?"}, {"\xC0\xB0", "?"},
        {"\xE2\x82z", "??z"},
    };
    for (const auto& [utf8, expected] : cases) EXPECT_EQ(Utf8ToCp1252(utf8), expected) << utf8;
}

TEST_F(ReportFileTest, WritesCodePageBytesWithCrLfAndReplacesAnExistingFile) {
    const fs::path path = dir_ / "out1.txt";
    WriteReportFile(path.string(), {"Initial guess u\u00B0:", "", " ", "J\u00B0=2.420E+01"});
    EXPECT_EQ(ReadBytes(path), "Initial guess u\xB0:\r\n\r\n \r\nJ\xB0=2.420E+01\r\n");
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
