// The INI reader and writer: order, replacement, missing keys and the key
// that holds "=" itself.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "app/ini_file.h"

namespace tarvik {
namespace {

TEST(IniFileTest, WrittenSectionsAndKeysKeepTheirOrderThroughAFile) {
    IniFile ini;
    ini.WriteBool("General", "Sound", true);
    ini.WriteString("Problem", "Dimension", "10");
    ini.WriteInteger("General", "Window Width", 770);
    ini.WriteString("Problem", "Path for u0", "");
    ini.WriteBool("Quadratic function from file", "u*=0", true);

    const std::string path = (std::filesystem::temp_directory_path() / "tarvik_ini_round_trip.ini").string();
    ASSERT_TRUE(ini.Save(path));
    IniFile back;
    ASSERT_TRUE(back.Load(path));
    std::filesystem::remove(path);

    EXPECT_EQ(back.Text(),
              "[General]\r\nSound=1\r\nWindow Width=770\r\n[Problem]\r\nDimension=10\r\nPath for u0=\r\n"
              "[Quadratic function from file]\r\nu*=0=1\r\n");
    EXPECT_TRUE(back.ReadBool("Quadratic function from file", "u*=0", false));
    EXPECT_EQ(back.ReadInteger("General", "Window Width", 0), 770);
    EXPECT_EQ(back.ReadString("Problem", "Path for u0", "x"), "");
}

TEST(IniFileTest, RewritingAKeyChangesItInPlace) {
    IniFile ini;
    ini.WriteInteger("Method", "ItemIndex", 1);
    ini.WriteBool("Method", "Author", false);
    ini.WriteInteger("Method", "ItemIndex", 4);
    EXPECT_EQ(ini.Text(), "[Method]\r\nItemIndex=4\r\nAuthor=0\r\n");
}

TEST(IniFileTest, MissingOrUnreadableValuesGiveTheFallback) {
    const IniFile ini = IniFile::Parse("; comment\r\n[General]\r\n Sound = 0 \r\nWidth=abc\r\nHex=0x1F\r\n"
                                       "junk line\r\n[problem]\r\nDimension=3\r\n");
    EXPECT_FALSE(ini.ReadBool("General", "Sound", true));
    EXPECT_TRUE(ini.ReadBool("General", "Missing", true));
    EXPECT_EQ(ini.ReadInteger("General", "Width", 635), 635);
    EXPECT_EQ(ini.ReadInteger("General", "Hex", 0), 31);
    EXPECT_EQ(ini.ReadInteger("Nowhere", "Width", 7), 7);
    // Names are matched regardless of case, values trimmed.
    EXPECT_EQ(ini.ReadString("PROBLEM", "dimension", ""), "3");
    EXPECT_EQ(ini.ReadString("General", "Sound", ""), "0");
}

// The program writes UTF-8; a file of an 8-bit version (Latin-1) still
// reads as the text it held.
TEST(IniFileTest, ReadsUtf8AsItIsAndAnythingElseAsLatin1) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\caf\xC3\xA9 u\xC2\xB0.txt", "C:\\caf\xC3\xA9 u\xC2\xB0.txt"},
        {"C:\\caf\xE9 u\xB0.txt", "C:\\caf\xC3\xA9 u\xC2\xB0.txt"},
        {"\xC3", "\xC3\x83"},          // a sequence cut short
        {"\xC0\xB0", "\xC3\x80\xC2\xB0"},  // an overlong form
    };
    const std::string path = (std::filesystem::temp_directory_path() / "tarvik_ini_encoding.ini").string();
    for (const auto& [stored, read] : cases) {
        std::ofstream(path, std::ios::binary) << "[Problem]\r\nPath for u0=" << stored << "\r\n";
        IniFile ini;
        ASSERT_TRUE(ini.Load(path));
        EXPECT_EQ(ini.ReadString("Problem", "Path for u0", ""), read) << stored;
    }
    std::filesystem::remove(path);
}

// A missing file is the first start; a file that is there but is not read
// says why, and the program starts as it would without it. A FIFO is
// refused at once, never waited on.
TEST(IniFileTest, OnlyARegularFileOfAtMostOneMegabyteIsRead) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "tarvik_ini_refused";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir / "folder.ini");
    const std::string large = (dir / "large.ini").string(), fifo = (dir / "fifo.ini").string();
    std::ofstream(large, std::ios::binary) << "[Problem]\r\nDimension=3\r\n" << std::string(IniFile::MaxBytes, ';');
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::pair<std::string, std::string> cases[] = {
        {(dir / "missing.ini").string(), ""},
        {large, large + " is larger than 1 MB: it is not read, and the program starts with its default choices."},
        {fifo, fifo + " is not a regular file: it is not read, and the program starts with its default choices."},
        {(dir / "folder.ini").string(), (dir / "folder.ini").string() + " is not a regular file: it is not read, and the "
                                                                         "program starts with its default choices."},
    };
    for (const auto& [path, message] : cases) {
        IniFile ini;
        ini.WriteBool("General", "Sound", true);
        std::string refusal = "stale";
        EXPECT_FALSE(ini.Load(path, &refusal)) << path;
        EXPECT_EQ(refusal, message);
        EXPECT_TRUE(ini.Sections().empty());
    }

    // Just under the limit, over a hundred thousand sections are all read;
    // a name met again (in another letter case) is the same section.
    std::string text = "[Ab]\nk=1\n";
    for (int i = 0; text.size() < IniFile::MaxBytes - 40; ++i) text += "[" + std::to_string(i) + "]\n";
    text += "[aB]\nlast=2\n";
    const std::string many = (dir / "many.ini").string();
    std::ofstream(many, std::ios::binary) << text;
    IniFile ini;
    std::string refusal;
    ASSERT_TRUE(ini.Load(many, &refusal)) << refusal;
    EXPECT_GT(ini.Sections().size(), 100000u);
    EXPECT_EQ(ini.ReadString("AB", "k", ""), "1");
    EXPECT_EQ(ini.ReadInteger("ab", "last", 0), 2);
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace tarvik
