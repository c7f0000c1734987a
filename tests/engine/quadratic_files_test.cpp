// The files of "Quadratic from FILE": reading and symmetrising A, b and C,
// the checks of the u* and u° files, the panel's OK check, and that every
// failure leaves no half-read quadratic behind.
#include "app/quadratic_files.h"
#include "core/errors.h"
#include "run_state_fixture.h"
#include "temp_folder.h"

namespace tarvik {
namespace {

using testing::RecordingHost;

struct QuadraticFilesTest : testing::TempFolderTest {
    RecordingHost host;
    RunState s{host};
    QuadraticFileChoice choice;

    void SetUp() override {
        TempFolderTest::SetUp();
        choice.pathA = Write("A.txt", "2 1\n1 3\n");
        choice.pathB = Write("b.txt", "1 -1\n");
        choice.pathUStar = Write("ustar.txt", "0.25 0.5\n");
        choice.n = 2;
    }
    static std::string MessageA(const std::string& path) {
        return "File " + path + " is incorrect!\rCheck the dimension n.";
    }

    // Loads and returns the message of the ERealBadError it must raise.
    std::string LoadFailure() { return testing::ErrorOf<ERealBadError>([&] { LoadQuadraticData(s, choice); }); }

    void ExpectReleased() {
        EXPECT_TRUE(s.Quad.QuadA.empty());
        EXPECT_TRUE(s.Quad.QuadB.empty());
    }
};

TEST_F(QuadraticFilesTest, MatrixFileOfAnotherSizeIsIncorrect) {
    // One number too many or too few, garbage after it, a 3x3 file for n = 2, nothing.
    for (const char* content : {"1 2 3 4 5", "1 2 3", "1 2 3 4\nx", "1 0 0\n0 1 0\n0 0 1\n", "  \n"}) {
        choice.pathA = Write("A_bad.txt", content);
        EXPECT_EQ(LoadFailure(), MessageA(choice.pathA)) << content;
        EXPECT_EQ(s.LastErrorText, MessageA(choice.pathA));
        ExpectReleased();
    }
}

TEST_F(QuadraticFilesTest, NonSymmetricMatrixIsSymmetrisedAndDrivesJAndItsGradient) {
    choice.pathA = Write("A_ns.txt", "2 3\n-1 4\n");
    choice.cText = "0.5";
    LoadQuadraticData(s, choice);
    EXPECT_EQ(s.Quad.QuadA[1][2], 1.0L);
    EXPECT_EQ(s.Quad.QuadA[2][1], 1.0L);
    EXPECT_EQ(s.Quad.QuadA[1][1], 2.0L);
    EXPECT_EQ(s.Quad.QuadC, 0.5L);

    Objective quadratic(Traits(FunctionId::QuadraticFromFiles), 2, s.Params, &s.Quad);
    MyArray1 u = testing::V({3, -2}), g = NewVector(2);
    // (A + A')/2 = [[2, 1], [1, 4]], b = (1, -1), C = 0.5
    EXPECT_EQ(quadratic.Value(u), (2 * 9 + 2 * 1 * 3 * -2 + 4 * 4) / 2.0L + (3 + 2) + 0.5L);
    quadratic.Gradient(u, g);
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
    choice.pathA = (dir_ / "missing.txt").string();
    EXPECT_NE(LoadFailure().find("missing.txt"), std::string::npos);
    ExpectReleased();

    choice.pathA = dir_.string();
    EXPECT_NE(LoadFailure(), "no exception");
    ExpectReleased();

    choice.pathA = Write("A_ok.txt", "1 0 0 1");
    choice.pathB = Write("b_token.txt", "1 2..0");
    EXPECT_EQ(LoadFailure(), "Invalid numeric format in file " + choice.pathB);
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
    EXPECT_EQ(s.UStar, testing::V({0.25L, 0.5L}));
}

TEST_F(QuadraticFilesTest, StartingPointFileIsReadWithItsStatusText) {
    s.N = 2;
    s.U0 = NewVector(2);
    s.Choices.StartFile = Write("u0.txt", " -1.2\n1\n");
    ReadU0File(s);
    EXPECT_EQ(s.U0, testing::V({-1.2L, 1}));
    EXPECT_EQ(host.statuses.at(0), " Reading initial point from a file... ");
}

TEST_F(QuadraticFilesTest, StartingPointFileOfWrongLengthKeepsTheQuadratic) {
    LoadQuadraticData(s, choice);
    s.N = 2;
    s.U0 = NewVector(2);
    s.Choices.StartFile = Write("u0.txt", "1 2 3");
    EXPECT_EQ(testing::ErrorOf<ERealBadError>([&] { ReadU0File(s); }), "File " + s.Choices.StartFile + " is incorrect!");
    // The matrix and vector are still there for the next Start.
    EXPECT_TRUE(s.Quad.Loaded());
    EXPECT_EQ(s.Quad.QuadB.size(), 3u);  // n = 2 plus the unused element 0
    s.Choices.StartFile = Write("u0bad.txt", "1 x");
    EXPECT_THROW(ReadU0File(s), ERealBadError);
    EXPECT_TRUE(s.Quad.Loaded());
}

TEST_F(QuadraticFilesTest, StartingPointDialogChecksTheDimension) {
    const std::string path = Write("u0.txt", "1 2 3");
    ValidateU0File(s, path, 3);
    EXPECT_EQ(s.Choices.StartFile, path);
    EXPECT_EQ(testing::ErrorOf<ERealBadError>([&] { ValidateU0File(s, path, 2); }), "File " + path + " is incorrect!");
}

TEST_F(QuadraticFilesTest, PanelOkNeedsChosenAndExistingFiles) {
    const auto message = [](auto&& check) { return testing::ErrorOf<ERealBadError>(check); };
    const std::string a = choice.pathA, b = choice.pathB, u = choice.pathUStar;
    const std::string missing = (dir_ / "missing.txt").string();
    const std::string notChosen = "Not all files for a function was selected!";
    const std::string notExisting = "Not all selected files exist!";

    EXPECT_EQ(message([&] { CheckPanelFiles(a, DefaultHintFileB, DefaultHintFileUStar, false); }), notChosen);
    EXPECT_EQ(message([&] { CheckPanelFiles(DefaultHintFileA, b, DefaultHintFileUStar, false); }), notChosen);
    EXPECT_EQ(message([&] { CheckPanelFiles(a, b, DefaultHintFileUStar, true); }), notChosen);
    EXPECT_EQ(message([&] { CheckPanelFiles(a, b, DefaultHintFileUStar, false); }), "no exception");
    EXPECT_EQ(message([&] { CheckPanelFiles(a, b, u, true); }), "no exception");
    EXPECT_EQ(message([&] { CheckPanelFiles(missing, b, u, false); }), notExisting);
    EXPECT_EQ(message([&] { CheckPanelFiles(a, b, missing, true); }), notExisting);
    EXPECT_EQ(message([&] { CheckPanelFiles(a, dir_.string(), u, false); }), notExisting);
    // An unchosen u* file does not matter while u* is not taken from a file.
    EXPECT_EQ(message([&] { CheckPanelFiles(a, b, missing, false); }), "no exception");
}

} // namespace
} // namespace tarvik
