// The files of "Quadratic from FILE": reading and symmetrising A, b and C,
// the checks of the u* and u° files, the panel's OK check, and that every
// failure leaves no half-read quadratic behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/quadratic_files.h"
#include "core/errors.h"
#include "core/objective.h"
#include "recording_host.h"

namespace tarvik {
namespace {

namespace fs = std::filesystem;
using testing::RecordingHost;

class QuadraticFilesTest : public ::testing::Test {
protected:
    fs::path dir;
    RecordingHost host;
    RunState s{host};
    QuadraticFileChoice choice;

    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("tarvik_quadratic_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        choice.pathA = Write("A.txt", "2 1\n1 3\n");
        choice.pathB = Write("b.txt", "1 -1\n");
        choice.pathUStar = Write("ustar.txt", "0.25 0.5\n");
        choice.n = 2;
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Write(const std::string& name, const std::string& content) {
        const fs::path p = dir / name;
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }

    static std::string MessageA(const std::string& path) {
        return "File " + path + " is incorrect!\rCheck the dimension n.";
    }

    // Loads and returns the message of the ERealBadError it must raise.
    std::string LoadFailure() {
        try {
            LoadQuadraticData(s, choice);
        } catch (const ERealBadError& e) {
            return e.what();
        }
        ADD_FAILURE() << "no ERealBadError";
        return "";
    }

    void ExpectReleased() {
        EXPECT_TRUE(s.Quad.QuadA.empty());
        EXPECT_TRUE(s.Quad.QuadB.empty());
        EXPECT_TRUE(s.Quad.QuadAu.empty());
    }
};

TEST_F(QuadraticFilesTest, OneLineAndOneNumberPerLineAreReadIdentically) {
    choice.n = 3;
    choice.pathA = Write("line.txt", "1 2 3 2 5 6 3 6 9");
    choice.pathB = Write("b3.txt", "1\n2\n3\n");
    LoadQuadraticData(s, choice);
    const MyArray2 fromLine = s.Quad.QuadA;
    choice.pathA = Write("column.txt", "1\n2\n3\n2\n5\n6\n3\n6\n9\n");
    LoadQuadraticData(s, choice);
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) EXPECT_EQ(s.Quad.QuadA[i][j], fromLine[i][j]);
    EXPECT_EQ(s.Quad.QuadA[2][3], 6.0L);
    EXPECT_EQ(s.Quad.QuadB[3], 3.0L);
    EXPECT_EQ(s.Quad.QuadAu.size(), 4u);
}

TEST_F(QuadraticFilesTest, MatrixFileWithOneNumberTooManyOrTooFewIsIncorrect) {
    for (const char* content : {"1 2 3 4 5", "1 2 3", "1 2 3 4\nx"}) {
        choice.pathA = Write("A_bad.txt", content);
        EXPECT_EQ(LoadFailure(), MessageA(choice.pathA)) << content;
        EXPECT_EQ(s.LastErrorText, MessageA(choice.pathA));
        ExpectReleased();
    }
}

TEST_F(QuadraticFilesTest, FileWrittenForThreeDimensionsFailsForTwo) {
    choice.pathA = Write("A3.txt", "1 0 0\n0 1 0\n0 0 1\n");
    EXPECT_EQ(LoadFailure(), MessageA(choice.pathA));
    ExpectReleased();
}

TEST_F(QuadraticFilesTest, NonSymmetricMatrixIsSymmetrisedAndDrivesJAndItsGradient) {
    choice.pathA = Write("A_ns.txt", "2 3\n-1 4\n");
    choice.cText = "0.5";
    LoadQuadraticData(s, choice);
    EXPECT_EQ(s.Quad.QuadA[1][2], 1.0L);
    EXPECT_EQ(s.Quad.QuadA[2][1], 1.0L);
    EXPECT_EQ(s.Quad.QuadA[1][1], 2.0L);
    EXPECT_EQ(s.Quad.QuadC, 0.5L);

    s.N = 2;
    MyArray1 u = NewVector(2), g = NewVector(2);
    u[1] = 3;
    u[2] = -2;
    // (A + A')/2 = [[2, 1], [1, 4]], b = (1, -1), C = 0.5
    const Real j = EvalJ(s, FunctionId::QuadraticFromFiles, u);
    EXPECT_EQ(j, (2 * 9 + 2 * 1 * 3 * -2 + 4 * 4) / 2.0L + (3 + 2) + 0.5L);
    Real gnorm = 0;
    EvalGrad(s, FunctionId::QuadraticFromFiles, u, g, gnorm);
    EXPECT_EQ(g[1], 2 * 3 + 1 * -2 + 1.0L);
    EXPECT_EQ(g[2], 1 * 3 + 4 * -2 - 1.0L);
}

TEST_F(QuadraticFilesTest, FreeTermAcceptsADecimalCommaButNoTrailingLetters) {
    choice.cText = "1,5";
    LoadQuadraticData(s, choice);
    EXPECT_EQ(s.Quad.QuadC, 1.5L);

    choice.cText = "1.5x";
    EXPECT_EQ(LoadFailure(), "Incorrect data for C!");
    EXPECT_EQ(s.LastErrorText, "Incorrect data for C!");
    EXPECT_EQ(s.Quad.QuadC, 1.5L);
}

TEST_F(QuadraticFilesTest, VectorFileOfWrongLengthIsIncorrect) {
    for (const char* content : {"1", "1 2 3", ""}) {
        choice.pathB = Write("b_bad.txt", content);
        EXPECT_EQ(LoadFailure(), "File " + choice.pathB + " is incorrect!") << content;
        ExpectReleased();
    }
}

TEST_F(QuadraticFilesTest, UnreadableFilesAreInputErrorsThatReleaseEverything) {
    choice.pathA = (dir / "missing.txt").string();
    EXPECT_NE(LoadFailure().find("missing.txt"), std::string::npos);
    ExpectReleased();

    choice.pathA = dir.string();
    EXPECT_NE(LoadFailure(), "");
    ExpectReleased();

    choice.pathA = Write("A_ok.txt", "1 0 0 1");
    choice.pathB = Write("b_token.txt", "1 2..0");
    EXPECT_EQ(LoadFailure(), "Invalid numeric format in file " + choice.pathB);
    ExpectReleased();
}

TEST_F(QuadraticFilesTest, EmptyMatrixFileIsIncorrect) {
    choice.pathA = Write("A_empty.txt", "  \n");
    EXPECT_EQ(LoadFailure(), MessageA(choice.pathA));
    ExpectReleased();
}

TEST_F(QuadraticFilesTest, MinimumFileIsCheckedOnlyWhenItIsChosen) {
    choice.pathUStar = Write("ustar_short.txt", "1");
    choice.option = UStarSource::Zero;
    LoadQuadraticData(s, choice);
    EXPECT_TRUE(s.Quad.Loaded());

    choice.option = UStarSource::FromFile;
    EXPECT_EQ(LoadFailure(), "File " + choice.pathUStar + " is incorrect!");
    ExpectReleased();
}

TEST_F(QuadraticFilesTest, MinimumPointIsReadWhenTheRunIsPrepared) {
    choice.option = UStarSource::FromFile;
    LoadQuadraticData(s, choice);
    s.N = 2;
    s.UStar = NewVector(2);
    ReadUStarFile(s, choice.pathUStar);
    EXPECT_EQ(s.UStar[1], 0.25L);
    EXPECT_EQ(s.UStar[2], 0.5L);
}

TEST_F(QuadraticFilesTest, StartingPointFileIsReadWithItsStatusText) {
    s.N = 2;
    s.U0 = NewVector(2);
    s.Choices.U0FileName = Write("u0.txt", " -1.2\n1\n");
    ReadU0File(s);
    EXPECT_EQ(s.U0[1], -1.2L);
    EXPECT_EQ(s.U0[2], 1.0L);
    ASSERT_FALSE(host.statuses.empty());
    EXPECT_EQ(host.statuses.front(), " Reading initial point from a file... ");
}

TEST_F(QuadraticFilesTest, StartingPointFileOfWrongLengthKeepsTheQuadratic) {
    LoadQuadraticData(s, choice);
    s.N = 2;
    s.U0 = NewVector(2);
    s.Choices.U0FileName = Write("u0.txt", "1 2 3");
    try {
        ReadU0File(s);
        FAIL() << "no exception";
    } catch (const ERealBadError& e) {
        EXPECT_EQ(std::string(e.what()), "File " + s.Choices.U0FileName + " is incorrect!");
    }
    // The matrix and vector are still there for the next Start.
    EXPECT_TRUE(s.Quad.Loaded());
    EXPECT_EQ(s.Quad.QuadB.size(), 3u);  // n = 2 plus the unused element 0
    s.Choices.U0FileName = Write("u0bad.txt", "1 x");
    EXPECT_THROW(ReadU0File(s), ERealBadError);
    EXPECT_TRUE(s.Quad.Loaded());
}

TEST_F(QuadraticFilesTest, StartingPointDialogChecksTheDimension) {
    const std::string path = Write("u0.txt", "1 2 3");
    ValidateU0File(s, path, 3);
    EXPECT_EQ(s.Choices.U0FileName, path);
    try {
        ValidateU0File(s, path, 2);
        FAIL() << "no exception";
    } catch (const ERealBadError& e) {
        EXPECT_EQ(std::string(e.what()), "File " + path + " is incorrect!");
    }
}

TEST_F(QuadraticFilesTest, PanelOkNeedsChosenAndExistingFiles) {
    const auto message = [](auto&& check) -> std::string {
        try {
            check();
        } catch (const ERealBadError& e) {
            return e.what();
        }
        return "accepted";
    };
    const std::string a = choice.pathA, b = choice.pathB, u = choice.pathUStar;
    const std::string missing = (dir / "missing.txt").string();
    const std::string notChosen = "Not all files for a function was selected!";
    const std::string notExisting = "Not all selected files exist!";

    EXPECT_EQ(message([&] { CheckPanelFiles(a, DefaultHintFileB, DefaultHintFileUStar, false); }), notChosen);
    EXPECT_EQ(message([&] { CheckPanelFiles(DefaultHintFileA, b, DefaultHintFileUStar, false); }), notChosen);
    EXPECT_EQ(message([&] { CheckPanelFiles(a, b, DefaultHintFileUStar, true); }), notChosen);
    EXPECT_EQ(message([&] { CheckPanelFiles(a, b, DefaultHintFileUStar, false); }), "accepted");
    EXPECT_EQ(message([&] { CheckPanelFiles(a, b, u, true); }), "accepted");
    EXPECT_EQ(message([&] { CheckPanelFiles(missing, b, u, false); }), notExisting);
    EXPECT_EQ(message([&] { CheckPanelFiles(a, b, missing, true); }), notExisting);
    EXPECT_EQ(message([&] { CheckPanelFiles(a, dir.string(), u, false); }), notExisting);
    // An unchosen u* file does not matter while u* is not taken from a file.
    EXPECT_EQ(message([&] { CheckPanelFiles(a, b, missing, false); }), "accepted");
}

} // namespace
} // namespace tarvik
