// Gauss elimination with column pivoting: solutions, the permutation, the
// zero-pivot failures, progress and Stop for long eliminations.
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <random>
#include <utility>

#include "core/errors.h"
#include "app/direction_rules.h"
#include "run_state_fixture.h"

namespace tarvik {
namespace {

struct GaussFixture : testing::RunStateTest {
    void Prepare(int n, FunctionId functionCode = FunctionId::AxisEllipsoid) { RunStateTest::Prepare(functionCode, n); }
};

TEST_F(GaussFixture, SwapsColumnsForAZeroLeadingEntryAndLeavesMatrixAndRightSide) {
    Prepare(2);
    s.HMatrix[1][2] = s.HMatrix[2][1] = 1;
    s.GradJ = testing::V({1, 2});
    RunGaussSolve(s, s.Dir);
    EXPECT_EQ(s.Dir, testing::V({2, 1}));
    EXPECT_EQ(s.HMatrix[1][1], 0.0L);
    EXPECT_EQ(s.HMatrix[1][2], 1.0L);
    EXPECT_EQ(s.GradJ, testing::V({1, 2}));
    EXPECT_TRUE(s.GaussWork.empty());
    EXPECT_EQ(s.ResumeSteepest, 0);
}

TEST_F(GaussFixture, QuadraticFromFilesSolvesWithItsOwnMatrix) {
    Prepare(2, FunctionId::QuadraticFromFiles);
    s.Quad.QuadA = NewMatrix(2);
    s.Quad.QuadA[1][1] = 2; s.Quad.QuadA[2][2] = 4;
    // HMatrix stays zero: using it would be a zero pivot.
    s.GradJ = testing::V({1, 1});
    RunGaussSolve(s, s.Dir);
    EXPECT_EQ(s.Dir, testing::V({0.5L, 0.25L}));
}

// Elimination with one update sweep per pivot row, written the plain way:
// whatever the production code does to run faster, every element must see
// exactly these operations in this order.
MyArray1 ReferenceSolve(const MyArray2& m, const MyArray1& g, int n) {
    MyArray2 w = NewMatrix(n);
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) w[i][j] = m[i][j];
    MyArray1 r = g, x = NewVector(n);
    std::vector<int> p(n + 1);
    for (int i = 1; i <= n; ++i) p[i] = i;
    for (int k = 1; k <= n; ++k) {
        Real best = 0;
        int q = k;
        for (int j = k; j <= n; ++j)
            if (std::fabs(w[k][j]) > std::fabs(best)) {
                best = w[k][j];
                q = j;
            }
        if (k < n) {
            for (int i = 1; i <= n; ++i) w[i].Swap(k, q);
            std::swap(p[k], p[q]);
        }
        const Real pivot = w[k][k];
        for (int j = k; j <= n; ++j) w[k][j] = w[k][j] / pivot;
        r[k] = r[k] / pivot;
        if (k < n)
            for (int i = k + 1; i <= n; ++i) {
                const Real f = w[i][k];
                for (int j = k; j <= n; ++j) w[i][j] = w[i][j] - f * w[k][j];
                r[i] = r[i] - r[k] * f;
            }
    }
    x[n] = r[n];
    for (int i = n - 1; i >= 1; --i) {
        Real sum = 0;
        for (int j = i + 1; j <= n; ++j) sum += w[i][j] * x[j];
        x[i] = r[i] - sum;
    }
    for (int i = 1; i <= n; ++i)
        if (p[i] != i) {
            int j = i + 1;
            while (p[j] != i) ++j;
            std::swap(x[i], x[j]);
            std::swap(p[i], p[j]);
        }
    return x;
}

// Skipping exact zeros must not even change the sign of a zero: -0 - (-0)
// is +0, and a -0 on the right side can reach the printed direction.
bool SameBits(Real a, Real b) { return std::memcmp(&a, &b, 10) == 0; }

// Dense rows are updated from a copy of the pivot rows as pairs of doubles
// where every value splits exactly, and from the 80-bit values where one
// does not (too small for the pair, a denormal, a -0 among them).
TEST_F(GaussFixture, ResultIsBitForBitThatOfThePlainElimination) {
    struct Case {
        const char* name;
        Real odd;  // put into a few entries of some rows; 1: none
    };
    const Case cases[] = {{"plain", 1}, {"tiny entries", 1e-300L}, {"far below double", 1e-4000L},
                          {"denormal", 1e-4940L}, {"-0 entries", -0.0L}};
    std::mt19937 gen(19);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    for (const Case& c : cases) {
        for (int n : {1, 2, 3, 7, 8, 9, 16, 17, 31, 33, 64, 97, 150}) {
            Prepare(n);
            // Dense and unstructured, so that columns get swapped throughout.
            for (int i = 1; i <= n; ++i) {
                for (int j = 1; j <= n; ++j) s.HMatrix[i][j] = dist(gen) / 3.0L;
                s.GradJ[i] = dist(gen) * 7.0L;
                if (c.odd != 1 && i % 5 == 2)
                    for (int j = i % 7 + 1; j <= n; j += 9) s.HMatrix[i][j] = c.odd;
            }
            const MyArray1 expected = ReferenceSolve(s.HMatrix, s.GradJ, n);
            RunGaussSolve(s, s.Dir);
            for (int i = 1; i <= n; ++i)
                ASSERT_TRUE(SameBits(s.Dir[i], expected[i])) << c.name << " n " << n << " i " << i;
        }
    }
}

int IsNegativeZeroForTest(Real v) { return v == 0 && std::signbit(v) ? 1 : 0; }

struct SparseCase {
    const char* name;
    int n, band;
    bool matrixNegativeZero, infiniteEntry, inPlace;
    bool negativeZeroOffDiagonals = false;  // as the Generalized Rosenbrock Hessian at u = 0
    // Negative pivots divide the zeros of their rows into -0s, which turn
    // -0s of rows far below into +0s.
    bool negativeDiagonal = false;
};

TEST_F(GaussFixture, SparseEliminationKeepsEveryBitOfThePlainOne) {
    const SparseCase cases[] = {
        {"tridiagonal", 300, 1, false, false, false},
        {"band with swaps", 260, 5, false, false, true},
        {"wide band, many shares", 120, 40, false, false, false},
        {"-0 in the matrix", 90, 3, true, false, false},
        {"infinite entry", 60, 2, false, true, false},
        {"-0 beside the diagonal", 230, 1, false, false, false, true},
        {"-0 beside a wide diagonal", 70, 4, false, false, true, true},
        {"-0 beside a negative diagonal", 150, 2, false, false, false, true, true},
    };
    std::mt19937 gen(23);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    int negativeZeros = 0;
    for (const SparseCase& c : cases) {
        const int n = c.n;
        Prepare(n);
        for (int i = 1; i <= n; ++i) {
            for (int j = std::max(1, i - c.band); j <= std::min(n, i + c.band); ++j) {
                const double v = dist(gen);
                // Exact zeros inside the band, and off-diagonals that win the pivot search.
                s.HMatrix[i][j] = i == j ? 0.3L + 0.2L * v : (std::fabs(v) < 0.2 ? 0.0L : Real(v));
                if (i == j && c.negativeDiagonal) s.HMatrix[i][j] = -3 * s.HMatrix[i][j];
            }
            const double g = dist(gen);
            s.GradJ[i] = g < -0.5 ? -0.0L : (g < 0 ? 0.0L : Real(g));
            if (c.negativeDiagonal && g < 0.8) s.GradJ[i] = -0.0L;
        }
        if (c.matrixNegativeZero) s.HMatrix[n / 2][n / 2 + 1] = -0.0L;
        if (c.negativeZeroOffDiagonals)
            for (int i = 1; i < n; ++i)
                if (i % 3 != 0) s.HMatrix[i][i + 1] = s.HMatrix[i + 1][i] = -0.0L;
        if (c.infiniteEntry) {
            // Row m eliminates row m+1 into an overflow half-way through.
            const int m = n / 3;
            for (int j = 1; j <= n; ++j) s.HMatrix[m][j] = s.HMatrix[m + 1][j] = 0;
            s.HMatrix[m][m] = 1;
            s.HMatrix[m][m + 1] = -1;
            s.HMatrix[m + 1][m] = s.HMatrix[m + 1][m + 1] = 8e4931L;
        }
        BandMatrix band;
        band.Resize(n, c.band);
        for (int i = 1; i <= n; ++i)
            for (int j = band.First(i); j <= band.Last(i); ++j) band[i][j] = s.HMatrix[i][j];
        const MyArray1 expected = ReferenceSolve(s.HMatrix, s.GradJ, n);
        MyArray1 fromBand = NewVector(n);
        RunBandGaussSolve(s, band, fromBand);
        RunGaussSolve(s, s.Dir, c.inPlace ? GaussMatrix::MayOverwrite : GaussMatrix::Keep);
        bool finite = true;
        for (int i = 1; i <= n; ++i) {
            ASSERT_TRUE(SameBits(s.Dir[i], expected[i])) << c.name << " i " << i;
            ASSERT_TRUE(SameBits(fromBand[i], expected[i])) << c.name << " band, i " << i;
            negativeZeros += IsNegativeZeroForTest(expected[i]);
            finite = finite && std::isfinite(expected[i]);
        }
        EXPECT_EQ(finite, !c.infiniteEntry) << c.name;
    }
    EXPECT_GT(negativeZeros, 0) << "the cases no longer test the sign of zero";
}

TEST_F(GaussFixture, ZeroFirstRowFailsRecoverablyAndLeavesTheGradient) {
    Prepare(2);
    s.IterCount = 3;
    s.HMatrix[2][1] = 1; s.HMatrix[2][2] = 1;
    s.GradJ[1] = 5; s.GradJ[2] = -6;
    EXPECT_EQ(testing::ErrorOf<ENotSoBadError>([&] { RunGaussSolve(s, s.Dir); }), "Hessian matrix is 0! (Iterate=3).");
    EXPECT_EQ(s.ResumeSteepest, 1);
    EXPECT_EQ(s.Dir[1], 5.0L);
    EXPECT_EQ(s.Dir[2], -6.0L);
    EXPECT_TRUE(s.GaussWork.empty());
    EXPECT_FALSE(host.progressVisible);
}

TEST_F(GaussFixture, TridiaTestPointWithSingularMatrixIsAnInputError) {
    Prepare(2, FunctionId::Tridia);
    s.IterCount = 0;
    EXPECT_EQ(testing::ErrorOf<ERealBadError>([&] { RunGaussSolve(s, s.Dir); }), "Incorrect Function parameters.");
    // During a run the same failure of TRIDIA is recoverable.
    s.IterCount = 1;
    EXPECT_THROW(RunGaussSolve(s, s.Dir), ENotSoBadError);
}

TEST_F(GaussFixture, MatrixSingularOnlyAfterEliminationFailsAtThatRow) {
    // Rows 99 and 100 are equal: elimination meets the zero pivot at k = 100,
    // which the progress ticks (one per pivot row) reveal.
    const int n = 250;
    Prepare(n);
    for (int i = 1; i <= n; ++i) {
        s.HMatrix[i][i] = 1;
        s.GradJ[i] = i;
    }
    s.HMatrix[100][100] = 0;
    s.HMatrix[100][99] = 1;
    EXPECT_THROW(RunGaussSolve(s, s.Dir), ENotSoBadError);
    EXPECT_EQ(host.progressSteps, 100);
    EXPECT_FALSE(host.progressVisible);
    EXPECT_TRUE(s.GaussWork.empty());
    EXPECT_EQ(s.Dir[250], 250.0L);
}

TEST_F(GaussFixture, OnlyLongEliminationsShowProgressAndProcessEvents) {
    for (int n : {199, 200}) {
        host.progressSteps = host.processEventsCalls = 0;
        host.statuses.clear();
        Prepare(n);
        for (int i = 1; i <= n; ++i) {
            s.HMatrix[i][i] = 2;
            s.GradJ[i] = 1;
        }
        RunGaussSolve(s, s.Dir);
        const int ticks = n >= 200 ? n : 0;
        EXPECT_EQ(host.progressSteps, ticks) << n;
        EXPECT_EQ(host.processEventsCalls, ticks) << n;
        EXPECT_EQ(host.statuses, std::vector<std::string>(n >= 200, " Gauss method works...")) << n;
        EXPECT_FALSE(host.progressVisible);
        EXPECT_EQ(s.Dir[137], 0.5L);
    }
}

TEST_F(GaussFixture, StopDuringEliminationTerminatesAndReleasesTheWorkMatrix) {
    const int n = 220;
    Prepare(n);
    for (int i = 1; i <= n; ++i) s.HMatrix[i][i] = 1;
    host.onProcessEvents = [&] {
        if (host.processEventsCalls == 10) s.StopRequested = 1;
    };
    EXPECT_EQ(testing::ErrorOf<EBadError>([&] { RunGaussSolve(s, s.Dir); }), "Terminated by user");
    EXPECT_EQ(host.processEventsCalls, 10);
    EXPECT_TRUE(s.GaussWork.empty());
    EXPECT_FALSE(host.progressVisible);
    EXPECT_EQ(s.ResumeSteepest, 0);
}

// The rows below a panel are a second's work at n = 10000: Stop is looked
// at while they are updated, not only at each pivot, and an elimination it
// ends leaves nothing running in the matrix it releases.
TEST_F(GaussFixture, StopIsLookedAtWhileTheRowsBelowAPanelAreUpdated) {
    const int n = 700;
    Prepare(n);
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) s.HMatrix[i][j] = dist(gen);
        s.GradJ[i] = dist(gen);
    }
    std::map<int, int> pumpsAtStep;
    host.onProcessEvents = [&] { ++pumpsAtStep[host.progressSteps]; };
    RunGaussSolve(s, s.Dir);
    int most = 0;
    for (const auto& [step, pumps] : pumpsAtStep)
        if (step > 0 && step < n) most = std::max(most, pumps);
    EXPECT_GE(most, 3) << "one look at Stop per pivot only";

    pumpsAtStep.clear();
    int stopStep = -1;
    host.onProcessEvents = [&] {
        if (++pumpsAtStep[host.progressSteps] == 3 && stopStep < 0) {
            stopStep = host.progressSteps;
            s.StopRequested = 1;
        }
    };
    EXPECT_EQ(testing::ErrorOf<EBadError>([&] { RunGaussSolve(s, s.Dir); }), "Terminated by user");
    EXPECT_EQ(host.progressSteps, stopStep);
    EXPECT_TRUE(s.GaussWork.empty());

    s.StopRequested = 0;
    host.onProcessEvents = nullptr;
    const MyArray1 expected = ReferenceSolve(s.HMatrix, s.GradJ, n);
    RunGaussSolve(s, s.Dir);
    for (int i = 1; i <= n; ++i) ASSERT_TRUE(SameBits(s.Dir[i], expected[i])) << "i " << i;
}

} // namespace
} // namespace tarvik
