// data.ini as a key table: the order of writing, the conditional keys, the
// defaults of missing keys and the radio-button groups.
#include <gtest/gtest.h>

#include <vector>

#include "app/configuration.h"

namespace tarvik {
namespace {

const char* const kExample =
    "[General]\nSound=1\nWindow State=wsNormal\nWindow position Top=186\nWindow position Left=180\n"
    "Window Width=770\n[Problem]\nDimension=10\nStarting point=0\nPath for u0=\nFunctions all=0\n"
    "Functions n>2=1\nItemIndex=3\n[Quadratic function from file]\nPath for A=/data/a.txt\n"
    "Path for b=/data/b.txt\nc=0\nPath for u*=/data/ue.txt\nu*=0=1\n[Accuracy]\nItem Accuracy1=0\n"
    "Item Accuracy2=1\nEps1=0.01\nEps2=0.0001\n[Method]\nGroup=3\nGradient=0\nConjugate gradient=0\n"
    "Quasi-Newton=0\nNewton=1\nAuthor=0\nItemIndex=1\n";

TEST(ConfigurationTest, TheExampleFileInTheStartFolderReadsBackAndIsWrittenAgainLineForLine) {
    // The window's own test follows each key into its control.
    const Configuration c = ReadConfiguration(IniFile::Parse(kExample), Configuration{});
    EXPECT_EQ(c.FunctionItem, 3);
    EXPECT_EQ(c.Top, 186);
    // Written with CR LF line ends, read with either.
    std::string crlf;
    for (const char ch : std::string(kExample)) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    EXPECT_EQ(WriteConfiguration(c).Text(), crlf);
    EXPECT_EQ(ConfigurationPath("/home/user/work"), "/home/user/work/data.ini");
}

TEST(ConfigurationTest, MissingKeysKeepTheCurrentState) {
    Configuration current;
    current.Top = 40;
    current.Left = 50;
    current.Width = 643;
    current.PathA = "Select the file of matrix A";
    const Configuration c = ReadConfiguration(IniFile::Parse("[General]\nSound=0\n"), current);
    EXPECT_FALSE(c.Sound);
    EXPECT_EQ(c.Top, 40);
    EXPECT_EQ(c.Left, 50);
    EXPECT_EQ(c.Width, 643);
    EXPECT_EQ(c.Dimension, "2");
    EXPECT_EQ(c.PathA, "Select the file of matrix A");
    EXPECT_EQ(c.C, "0");
    EXPECT_TRUE(c.FunctionsAll);
    EXPECT_TRUE(c.UStarZero);
    EXPECT_TRUE(c.Accuracy1);
    EXPECT_EQ(c.Eps1, "0.01");
    EXPECT_TRUE(c.Gradient);
    EXPECT_EQ(c.MethodItem, 0);
    EXPECT_EQ(c.WindowState, "");
    EXPECT_FALSE(c.Maximized());
}

TEST(ConfigurationTest, AMaximisedWindowIgnoresTheStoredPosition) {
    Configuration current;
    current.Top = 5;
    const Configuration c = ReadConfiguration(
        IniFile::Parse("[General]\nWindow State=wsMaximized\nWindow position Top=186\nWindow Width=900\n"), current);
    EXPECT_TRUE(c.Maximized());
    EXPECT_EQ(c.Top, 5);
    EXPECT_EQ(c.Width, 0);
    EXPECT_EQ(WriteConfiguration(c).ReadString("General", "Window State", ""), "wsMaximized");
}

TEST(ConfigurationTest, AStoredRadioButtonIsNotOverriddenByTheDefaultOfTheOthers) {
    // Only the checked button's key is written; the missing keys of the other
    // two must not take the design state back.
    Configuration chosen;
    chosen.UStarZero = false;
    chosen.UStarFromFile = true;
    const IniFile written = WriteConfiguration(chosen);
    EXPECT_FALSE(written.HasKey("Quadratic function from file", "u*=0"));
    EXPECT_FALSE(written.HasKey("Quadratic function from file", "u* is unknown"));
    const Configuration c = ReadConfiguration(written, Configuration{});
    EXPECT_TRUE(c.UStarFromFile);
    EXPECT_FALSE(c.UStarZero);
    EXPECT_FALSE(c.UStarUnknown);

    const Configuration unknown = ReadConfiguration(
        IniFile::Parse("[Quadratic function from file]\nu* from file=1\nu* is unknown=1\n"), Configuration{});
    EXPECT_FALSE(unknown.UStarFromFile);
    EXPECT_FALSE(unknown.UStarZero);
    EXPECT_TRUE(unknown.UStarUnknown);
}

TEST(ConfigurationTest, AGroupWithNoButtonCheckedIsReadAsMissing) {
    // The window's state when the file is read, unlike the design's defaults.
    Configuration current;
    current.UStarZero = false;
    current.UStarUnknown = true;
    current.Accuracy1 = false;
    current.Accuracy2 = true;
    current.FunctionsAll = false;
    current.FunctionsNmore2 = true;
    current.Gradient = false;
    current.Newton = true;
    using Flags = std::vector<bool>;
    const Flags uStar{false, false, true}, accuracy{false, true}, lists{false, true}, methods{false, false, false, true, false};
    const struct { const char* ini; Flags uStar, accuracy, lists, methods; } cases[] = {
        {"", uStar, accuracy, lists, methods},
        {"[Problem]\nFunctions all=0\nFunctions n>2=0\n[Quadratic function from file]\nu*=0=0\n"
         "[Accuracy]\nItem Accuracy1=0\nItem Accuracy2=0\n[Method]\nGradient=0\nNewton=0\n",
         uStar, accuracy, lists, methods},
        {"[Problem]\nFunctions n>2=0\n[Quadratic function from file]\nu* is unknown=0\n"
         "[Accuracy]\nItem Accuracy2=0\n[Method]\nNewton=0\n",
         uStar, accuracy, lists, methods},
        {"[Problem]\nFunctions all=1\nFunctions n>2=0\n[Quadratic function from file]\nu*=0=1\n"
         "[Accuracy]\nItem Accuracy1=1\n[Method]\nGradient=1\nNewton=0\n",
         {false, true, false}, {true, false}, {true, false}, {true, false, false, false, false}},
    };
    for (const auto& k : cases) {
        const Configuration c = ReadConfiguration(IniFile::Parse(k.ini), current);
        EXPECT_EQ((Flags{c.UStarFromFile, c.UStarZero, c.UStarUnknown}), k.uStar) << k.ini;
        EXPECT_EQ((Flags{c.Accuracy1, c.Accuracy2}), k.accuracy) << k.ini;
        EXPECT_EQ((Flags{c.FunctionsAll, c.FunctionsNmore2}), k.lists) << k.ini;
        EXPECT_EQ((Flags{c.Gradient, c.ConjugateGradient, c.QuasiNewton, c.Newton, c.Author}), k.methods) << k.ini;
    }
}

TEST(ConfigurationTest, ItemIndexKeysAreWrittenOnlyForAVisibleList) {
    Configuration c;
    c.FunctionsAll = false;
    c.FunctionsNmore2 = false;
    c.Gradient = false;
    const IniFile ini = WriteConfiguration(c);
    EXPECT_FALSE(ini.HasKey("Problem", "ItemIndex"));
    EXPECT_FALSE(ini.HasKey("Method", "ItemIndex"));

    c.Author = true;
    c.MethodItem = 1;
    EXPECT_EQ(WriteConfiguration(c).ReadInteger("Method", "ItemIndex", -1), 1);
}

} // namespace
} // namespace tarvik
