// data.ini as a key table: the order of writing, the conditional keys, the
// defaults of missing keys and the radio-button groups.
#include <gtest/gtest.h>

#include <vector>

#include "app/configuration.h"
#include "core/function_catalogue.h"
#include "core/method_catalogue.h"

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

// The function and the method of a data.ini: by the key where the file has
// one this build knows, else by the index as older builds wrote it.
TEST(ConfigurationTest, TheKeyNamesTheChoiceAndTheIndexStandsInForIt) {
    const char* const newtonList = "[Method]\nGradient=0\nNewton=1\n";
    const struct { std::string ini; std::optional<FunctionId> function; std::optional<MethodId> method; } cases[] = {
        // Neither: the window's state.
        {"", FunctionId::Tridia, MethodId::SteepestGolden},
        // The index alone, over the window's keys; the short list and a
        // group's list count from their own first item.
        {"[Problem]\nItemIndex=6\n[Method]\nItemIndex=2\n", FunctionId::AxisEllipsoid, MethodId::SteepestWolfe},
        {"[Problem]\nFunctions all=0\nFunctions n>2=1\nItemIndex=3\n" + std::string(newtonList) + "ItemIndex=1\n",
         FunctionId::Staircase2, MethodId::FdNewton},
        // The key alone, both agreeing, and the key over an index that names another entry.
        {"[Problem]\nFunctionKey=hilbert-b\n" + std::string(newtonList) + "MethodKey=trust-region\n",
         FunctionId::HilbertB, MethodId::TrustRegion},
        {"[Problem]\nItemIndex=16\nFunctionKey=hilbert-b\n" + std::string(newtonList) + "ItemIndex=3\nMethodKey=trust-region\n",
         FunctionId::HilbertB, MethodId::TrustRegion},
        {"[Problem]\nItemIndex=0\nFunctionKey=qf1\n[Method]\nItemIndex=0\nMethodKey=steepest-wolfe\n",
         FunctionId::Qf1, MethodId::SteepestWolfe},
        // A key this build does not know, or of an entry the list that shows
        // does not hold: the index.
        {"[Problem]\nItemIndex=4\nFunctionKey=a-later-function\n[Method]\nItemIndex=0\nMethodKey=a-later-method\n",
         FunctionId::Saddle, MethodId::ConstantStep},
        {"[Problem]\nFunctions all=0\nFunctions n>2=1\nItemIndex=0\nFunctionKey=rosenbrock\n[Method]\nItemIndex=1\n"
         "MethodKey=newton\n",
         FunctionId::AxisEllipsoid, MethodId::SteepestGolden},
        // An index past the list names nothing: the lists stay as they are.
        {"[Problem]\nItemIndex=19\n[Method]\nItemIndex=3\n", std::nullopt, std::nullopt},
    };
    // The window's state when the file is read: TRIDIA, steepest descent with golden steps.
    Configuration current;
    StoreFunction(FunctionId::Tridia, current);
    StoreMethod(MethodId::SteepestGolden, current);
    for (const auto& k : cases) {
        const Configuration c = ReadConfiguration(IniFile::Parse(k.ini), current);
        EXPECT_EQ(StoredFunction(c), k.function) << k.ini;
        EXPECT_EQ(StoredMethod(c), k.method) << k.ini;
    }
}

// What this build writes, an older build (which reads the index alone)
// opens at the same item, in either function list and every group; an
// entry added since points past the older build's list, which then keeps
// its own choice.
TEST(ConfigurationTest, TheIndexWrittenBesideTheKeyNamesTheSameEntry) {
    for (const bool shortList : {false, true}) {
        for (const FunctionTraits& f : FunctionList()) {
            if (shortList && f.twoDimensionalOnly) continue;
            Configuration c;
            c.FunctionsAll = !shortList;
            c.FunctionsNmore2 = shortList;
            StoreFunction(f.id, c);
            Configuration read = ReadConfiguration(WriteConfiguration(c), Configuration{});
            EXPECT_EQ(StoredFunction(read), f.id) << f.key;
            read.FunctionKey.clear();
            EXPECT_EQ(StoredFunction(read), OldPosition(f.id) ? std::optional(f.id) : std::nullopt) << f.key;
        }
    }
    for (const MethodTraits& m : MethodList()) {
        Configuration c;
        c.Gradient = m.group == MethodGroupId::Grad;
        c.ConjugateGradient = m.group == MethodGroupId::ConjGrad;
        c.QuasiNewton = m.group == MethodGroupId::QuasiN;
        c.Newton = m.group == MethodGroupId::Newton;
        c.Author = m.group == MethodGroupId::Author;
        StoreMethod(m.id, c);
        Configuration read = ReadConfiguration(WriteConfiguration(c), Configuration{});
        EXPECT_EQ(StoredMethod(read), m.id) << m.key;
        read.MethodKey.clear();
        EXPECT_EQ(StoredMethod(read), OldPosition(m.id) ? std::optional(m.id) : std::nullopt) << m.key;
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
