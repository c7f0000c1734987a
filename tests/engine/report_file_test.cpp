#include "app/report_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "run_state_fixture.h"
#include "temp_folder.h"

namespace tarvik {
namespace {

namespace fs = std::filesystem;

using testing::ReadBytes;

using ReportFileTest = testing::TempFolderTest;

TEST(Utf8ToCp1252, MapsLatinAndWindowsCharacters) {
    EXPECT_EQ(Utf8ToCp1252("Initial guess u\u00B0:"), "Initial guess u\xB0:");
    EXPECT_EQ(Utf8ToCp1252("plain ASCII 123"), "plain ASCII 123");
    EXPECT_EQ(Utf8ToCp1252("\u00E9\u00FF\u00A0"), "\xE9\xFF\xA0");
    EXPECT_EQ(Utf8ToCp1252("\u20AC\u2013\u0178"), "\x80\x96\x9F");
    EXPECT_EQ(Utf8ToCp1252("\u0081"), "\x81");
}

TEST(Utf8ToCp1252, UnmappableAndMalformedBecomeQuestionMarks) {
    EXPECT_EQ(Utf8ToCp1252("\u03B1\u4E2D"), "??");
    EXPECT_EQ(Utf8ToCp1252("\U0001F600x"), "?x");
    EXPECT_EQ(Utf8ToCp1252("a\xB0"), "a?");        // a lone continuation byte
    EXPECT_EQ(Utf8ToCp1252("\xC2"), "?");          // cut short
    EXPECT_EQ(Utf8ToCp1252("\xC0\xB0"), "?");      // overlong form of '0'
    EXPECT_EQ(Utf8ToCp1252("\xE2\x82z"), "??z");   // cut short before an ASCII byte
}

TEST_F(ReportFileTest, WritesCodePageBytesWithCrLf) {
    const fs::path path = dir_ / "out1.txt";
    WriteReportFile(path.string(), {"Initial guess u\u00B0:", "", " ", "J\u00B0=2.420E+01"});
    EXPECT_EQ(ReadBytes(path), "Initial guess u\xB0:\r\n\r\n \r\nJ\xB0=2.420E+01\r\n");
}

TEST_F(ReportFileTest, ReplacesAnExistingFile) {
    const fs::path path = dir_ / "out1.txt";
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
