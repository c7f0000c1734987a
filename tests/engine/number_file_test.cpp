// Reading whitespace-separated numbers (the token syntax is tested with the
// one real-number reader): separators, chunk boundaries, end of file and the
// errors of unreadable files.
#include <sys/stat.h>

#include <stdexcept>
#include <string>
#include <utility>

#include "app/number_file.h"
#include "run_state_fixture.h"
#include "temp_folder.h"

namespace tarvik {
namespace {

using NumberFileTest = testing::TempFolderTest;

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

// Only a regular file is read: a FIFO (which would wait for a writer) and a
// device are refused at once.
TEST_F(NumberFileTest, OnlyARegularFileIsOpened) {
    const std::string fifo = (dir_ / "fifo").string(), missing = (dir_ / "missing.txt").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::pair<std::string, std::string> cases[] = {
        {missing, "Cannot open file " + missing + ": No such file or directory"},
        {dir_.string(), "Cannot open file " + dir_.string() + ": it is a directory"},
        {fifo, "Cannot open file " + fifo + ": it is not a regular file"},
        {"/dev/zero", "Cannot open file /dev/zero: it is not a regular file"},
    };
    for (const auto& [path, message] : cases) {
        NumberFileReader reader;
        EXPECT_EQ(testing::ErrorOf<std::runtime_error>([&] { reader.Open(path); }), message);
        EXPECT_FALSE(reader.IsOpen());
    }
}

} // namespace
} // namespace tarvik
