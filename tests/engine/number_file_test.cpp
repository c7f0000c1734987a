// Reading whitespace-separated numbers: token syntax, separators, chunk
// boundaries, end of file and the errors of unreadable files.
#include <cmath>
#include <stdexcept>

#include "app/number_file.h"
#include "run_state_fixture.h"
#include "temp_folder.h"

namespace tarvik {
namespace {

using NumberFileTest = testing::TempFolderTest;

Real Parse(const std::string& token) {
    Real value = -999;
    if (!ParseNumberToken(token, value)) throw std::invalid_argument(token);
    return value;
}

bool Accepts(const std::string& token) {
    Real value = 0;
    return ParseNumberToken(token, value);
}

TEST(NumberToken, AcceptsSignDigitsFractionAndExponent) {
    const std::pair<const char*, Real> good[] = {{"-2.5", -2.5L}, {"+3e2", 300.0L}, {"1.5E-3", 1.5e-3L},
                                                 {"7e+1", 70.0L}, {"0.1", 0.1L}, {"000012.50", 12.5L}};
    for (const auto& [text, expected] : good) EXPECT_EQ(Parse(text), expected) << text;
}

TEST(NumberToken, RejectsAnythingElse) {
    for (const char* bad : {"", "+", "-", "1.", ".5", "1,5", "1.5x", "e5", "1e", "1e+", "--1", "+-1", "inf", "nan",
                            "0x10", "1 2", "1.2.3", "1e5.0", "١"})
        EXPECT_FALSE(Accepts(bad)) << bad;
}

TEST(NumberToken, OverflowIsRejectedAndUnderflowBecomesZero) {
    EXPECT_FALSE(Accepts("1e5000"));
    EXPECT_FALSE(Accepts("-123456.7e4930"));
    EXPECT_EQ(Parse("1e-5000"), 0.0L);
    EXPECT_TRUE(std::signbit(Parse("-1e-5000")));
    EXPECT_EQ(Parse("0e99999"), 0.0L);
    EXPECT_EQ(Parse("1e4000"), 1e4000L);
}

TEST_F(NumberFileTest, LineStructureHasNoMeaning) {
    NumberFileReader oneLine(Write("a.txt", "1 2.5 -3\t4e1"));
    NumberFileReader perLine(Write("b.txt", "\r\n1\r\n  2.5\n\n-3\n\t4e1\n   \n"));
    for (Real expected : {1.0L, 2.5L, -3.0L, 40.0L}) {
        ASSERT_FALSE(oneLine.AtEof());
        ASSERT_FALSE(perLine.AtEof());
        EXPECT_EQ(oneLine.Next(), expected);
        EXPECT_EQ(perLine.Next(), expected);
    }
    EXPECT_TRUE(oneLine.AtEof());
    EXPECT_TRUE(perLine.OnlyWhitespaceRemains());
}

TEST_F(NumberFileTest, TrailingGarbageIsNotWhitespaceAndAnEmptyFileIsAtItsEnd) {
    NumberFileReader reader(Write("a.txt", "1 2\n x"));
    EXPECT_EQ(reader.Next(), 1.0L);
    EXPECT_EQ(reader.Next(), 2.0L);
    EXPECT_FALSE(reader.OnlyWhitespaceRemains());
    NumberFileReader empty(Write("empty.txt", ""));
    EXPECT_TRUE(empty.AtEof());
    EXPECT_THROW(empty.Next(), std::runtime_error);
}

TEST_F(NumberFileTest, BadTokenNamesTheFileAndAnEndlessOneIsRefused) {
    const std::string path = Write("bad.txt", "1 2,5 3");
    NumberFileReader reader(path);
    EXPECT_EQ(reader.Next(), 1.0L);
    EXPECT_EQ(testing::ErrorOf<std::runtime_error>([&] { reader.Next(); }), "Invalid numeric format in file " + path);
    // An endless token is refused without growing without bound.
    NumberFileReader endless(Write("long.txt", std::string(100000, '7')));
    EXPECT_THROW(endless.Next(), std::runtime_error);
}

TEST_F(NumberFileTest, TokensAcrossReadChunksAreReadWhole) {
    // Five bytes a number: chunk boundaries fall inside tokens.
    std::string content;
    const int count = 60000;
    for (int i = 0; i < count; ++i) content += (i % 2 ? "1.25 " : "-3.5\n");
    NumberFileReader reader(Write("big.txt", content));
    int read = 0;
    while (!reader.AtEof()) {
        const Real x = reader.Next();
        ASSERT_EQ(x, read % 2 ? 1.25L : -3.5L) << "number " << read;
        ++read;
    }
    EXPECT_EQ(read, count);
}

TEST_F(NumberFileTest, LongRunOfBlanksIsSkipped) {
    NumberFileReader reader(Write("blanks.txt", std::string(3 << 20, ' ') + "5" + std::string(1 << 20, '\n')));
    EXPECT_FALSE(reader.AtEof());
    EXPECT_EQ(reader.Next(), 5.0L);
    EXPECT_TRUE(reader.OnlyWhitespaceRemains());
}

TEST_F(NumberFileTest, MissingFileAndDirectoryCannotBeOpened) {
    NumberFileReader reader;
    EXPECT_THROW(reader.Open((dir_ / "missing.txt").string()), std::runtime_error);
    EXPECT_FALSE(reader.IsOpen());
    EXPECT_NE(testing::ErrorOf<std::runtime_error>([&] { reader.Open(dir_.string()); }).find(dir_.string()),
              std::string::npos);
    EXPECT_FALSE(reader.IsOpen());
}

} // namespace
} // namespace tarvik
