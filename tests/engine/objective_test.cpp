// J and its gradient: agreement with each other, the bits of the shared
// sums, exact zeros at the minima, failures, counts and status texts.
#include <cmath>
#include <random>

#include "core/errors.h"
#include "run_state_fixture.h"

namespace tarvik {
namespace {

using testing::ErrorOf;
using testing::V;

struct ObjectiveTest : testing::RunStateTest {
    std::mt19937 random{2024};

    Real J(FunctionId function, const MyArray1& u) {
        Select(function, Components(u));
        return EvalJ(s, function, u);
    }
    // Gradient at u with N = its dimension; returns gnorm.
    Real Grad(FunctionId function, const MyArray1& u, MyArray1& g) {
        Select(function, Components(u));
        g = NewVector(Components(u));
        Real gnorm = -1;
        EvalGrad(s, function, u, g, gnorm);
        return gnorm;
    }
    MyArray1 RandomPoint(int n, double range) {
        std::uniform_real_distribution<double> coordinate(-range, range);
        MyArray1 u = NewVector(n);
        for (int i = 1; i <= n; ++i) u[i] = coordinate(random);
        return u;
    }
    static MyArray1 Filled(int n, Real value) {
        MyArray1 v = NewVector(n);
        for (int i = 1; i <= n; ++i) v[i] = value;
        return v;
    }
    void LoadRandomQuadratic(int n) {
        std::uniform_real_distribution<double> entry(-1, 1);
        s.Quad.QuadA = NewMatrix(n);
        for (int i = 1; i <= n; ++i)
            for (int j = i; j <= n; ++j) s.Quad.QuadA[i][j] = s.Quad.QuadA[j][i] = entry(random);
        s.Quad.QuadB = RandomPoint(n, 1);
        s.Quad.QuadC = entry(random);
        s.Quad.QuadAu = NewVector(n);
    }
    // Five-point central difference of EvalJ in coordinate k.
    Real DifferenceQuotient(FunctionId function, MyArray1 u, int k) {
        const Real x = u[k];
        const Real h = 1e-4L * std::fmax(1.0L, std::fabs(x));
        auto at = [&](Real t) { u[k] = x + t; return EvalJ(s, function, u); };
        return (-at(2 * h) + 8 * at(h) - 8 * at(-h) + at(-2 * h)) / (12 * h);
    }
};

TEST_F(ObjectiveTest, GradientAgreesWithDifferencesOfJ) {
    s.Params.TridiaAlpha = 1.5L;
    s.Params.TridiaBeta = 0.7L;
    s.Params.TridiaDelta = 1.3L;
    s.Params.TridiaGamma = 2.5L;
    s.Params.HilbertD = 0.05L;
    for (const FunctionTraits& f : FunctionList()) {
        // The "u*=sin" shifts divide by n - 1.
        const bool sineShift = f.minimum == KnownMinimum::SineShift || f.minimum == KnownMinimum::SineShiftPlusOne;
        std::vector<int> dimensions{2};
        if (!f.twoDimensionalOnly) dimensions = {2, 3, 7, 20};
        if (!f.twoDimensionalOnly && !sineShift) dimensions.push_back(1);
        for (int n : dimensions) {
            if (f.fromFiles) LoadRandomQuadratic(n);
            for (int trial = 0; trial < 3; ++trial) {
                SCOPED_TRACE(::testing::Message() << f.key << " n " << n << " trial " << trial);
                const MyArray1 u = RandomPoint(n, 1.5);
                MyArray1 g;
                const Real gnorm = Grad(f.id, u, g);
                const Real scale = 1 + std::fabs(EvalJ(s, f.id, u));
                Real squares = 0;
                for (int k = 1; k <= n; ++k) {
                    EXPECT_NEAR(g[k], DifferenceQuotient(f.id, u, k), 1e-10L * (scale + std::fabs(g[k]))) << "k " << k;
                    squares += g[k] * g[k];
                }
                EXPECT_EQ(gnorm, std::sqrt(squares));
            }
        }
    }
}

TEST_F(ObjectiveTest, TunableParametersAndTheQuadraticFromFilesEnterJ) {
    s.Params.TridiaAlpha = 3;
    s.Params.TridiaBeta = 2;
    s.Params.TridiaDelta = 0.5L;
    s.Params.TridiaGamma = 4;
    // 4(0.5 - 1)^2 + 2(6 - 2)^2 + 3(9 - 4)^2
    EXPECT_EQ(J(FunctionId::Tridia, V({1, 2, 3})), 1.0L + 32 + 75);
    s.Params.HilbertD = 1;
    // HILBERT (b) at n = 1 is u1^2 (1/2 + d)
    EXPECT_EQ(J(FunctionId::HilbertB, V({2})), 6.0L);

    LoadQuadratic(2, 1, 3, V({1, -1}));
    s.Quad.QuadC = 5;
    EXPECT_EQ(J(FunctionId::QuadraticFromFiles, V({1, 2})), 13.0L);
    EXPECT_EQ(s.Quad.QuadAu, V({4, 7}));
}

// The partial-sum gradients and the matrix product share passes between
// several sums; the bits must be those of the sums taken one by one.
TEST_F(ObjectiveTest, SharedPassesKeepTheBitsOfTheLiteralSums) {
    for (int n = 1; n <= 13; ++n) {
        const MyArray1 u = RandomPoint(n, 2);
        for (FunctionId function : {FunctionId::Schwefel12, FunctionId::Staircase2, FunctionId::Staircase2Sin}) {
            const bool sine = function == FunctionId::Staircase2Sin;
            if (sine && n == 1) continue;
            MyArray1 g;
            Grad(function, u, g);
            for (int k = 1; k <= n; ++k) {
                Real prefix = 0, tail = 0, indices = 0;
                for (int j = 1; j <= k; ++j) prefix += sine ? u[j] - SinShift(j, n) : u[j];
                for (int j = k + 1; j <= n; ++j) tail += (n - j + 1) * (sine ? u[j] - SinShift(j, n) : u[j]);
                for (int j = k; j <= n; ++j) indices += j;
                Real expected = 2 * (n - k + 1) * prefix + 2 * tail;
                if (function != FunctionId::Schwefel12) expected = expected - 2 * indices;
                EXPECT_EQ(g[k], expected) << Traits(function).key << " n " << n << " k " << k;
            }
        }
        LoadRandomQuadratic(n);
        MyArray1 g;
        Grad(FunctionId::QuadraticFromFiles, u, g);
        for (int i = 1; i <= n; ++i) {
            Real row = 0;
            for (int j = 1; j <= n; ++j) row += s.Quad.QuadA[i][j] * u[j];
            EXPECT_EQ(s.Quad.QuadAu[i], row);
            EXPECT_EQ(g[i], row + s.Quad.QuadB[i]);
        }
    }
}

// HILBERT (b): one accumulator over j = 1..n in order, with the diagonal
// term at its own place j = i; the order decides the last bits.
TEST_F(ObjectiveTest, HilbertBAccumulatesTheDiagonalInItsPlace) {
    const int n = 9;
    const MyArray1 u = RandomPoint(n, 3);
    MyArray1 g;
    Grad(FunctionId::HilbertB, u, g);
    const Real d = s.Params.HilbertD;
    int differingFromDiagonalLast = 0;
    for (int i = 1; i <= n; ++i) {
        Real inPlace = 0, diagonalLast = 0;
        for (int j = 1; j <= n; ++j) {
            if (j != i) {
                inPlace += u[j] / Real(i + j - 1);
                diagonalLast += u[j] / Real(i + j - 1);
            } else {
                inPlace += 2 * u[i] * (1 / Real(4 * i - 2) + d);
            }
        }
        diagonalLast += 2 * u[i] * (1 / Real(4 * i - 2) + d);
        EXPECT_EQ(g[i], inPlace) << "i=" << i;
        if (inPlace != diagonalLast) ++differingFromDiagonalLast;
    }
    // The point is generic enough for the two orders to differ somewhere.
    EXPECT_GT(differingFromDiagonalLast, 0);
}

TEST_F(ObjectiveTest, MinimaGiveExactZerosAndAZeroGradientClearsContinueRun) {
    for (int n : {2, 3, 10, 101}) {
        MyArray1 ones = Filled(n, 1), zeros = NewVector(n), sines = NewVector(n), stairs = NewVector(n),
                 tridia = NewVector(n), qf1 = NewVector(n);
        tridia[1] = 1;
        for (int i = 1; i <= n; ++i) {
            sines[i] = SinShift(i, n);
            stairs[i] = SinShift(i, n) + 1;
            if (i > 1) tridia[i] = tridia[i - 1] / 2;
        }
        qf1[n] = 1.0L / n;
        // (s_i + 1) - s_i can miss 1 by 2^-64, but s_1 = 0 makes the first
        // partial sum exactly 1 and every later one rounds back onto i.
        EXPECT_EQ(J(FunctionId::Staircase2Sin, stairs), 0.0L) << n;
        EXPECT_EQ(J(FunctionId::Tridia, tridia), 0.0L) << n;
        EXPECT_NEAR(J(FunctionId::Qf1, qf1), -1.0L / (2 * n), 1e-18L) << n;
        const auto expectStops = [&](FunctionId function, const MyArray1& u) {
            const std::string_view key = Traits(function).key;
            if (Traits(function).twoDimensionalOnly && n != 2) return;
            if (function != FunctionId::Saddle) {  // the saddle is 1 there
                EXPECT_EQ(J(function, u), 0.0L) << key << ' ' << n;
            }
            s.ContinueRun = 1;
            MyArray1 g;
            EXPECT_EQ(Grad(function, u, g), 0.0L) << key << ' ' << n;
            EXPECT_EQ(s.ContinueRun, 0) << key << ' ' << n;
        };
        for (FunctionId function : {FunctionId::Rosenbrock, FunctionId::Himmelblau2, FunctionId::Himmelblau4,
                                    FunctionId::Staircase2, FunctionId::Dixon3dq, FunctionId::GeneralizedRosenbrock})
            expectStops(function, ones);
        for (FunctionId function : {FunctionId::Saddle, FunctionId::CubicVarnel, FunctionId::AxisEllipsoid,
                                    FunctionId::Schwefel12, FunctionId::QuadraticVarnel, FunctionId::HilbertA,
                                    FunctionId::HilbertB})
            expectStops(function, zeros);
        expectStops(FunctionId::AxisEllipsoidSin, sines);
    }
    // A nonzero gradient never sets the flag back.
    s.ContinueRun = 0;
    MyArray1 g;
    EXPECT_GT(Grad(FunctionId::AxisEllipsoid, V({1, 1}), g), 0.0L);
    EXPECT_EQ(s.ContinueRun, 0);
    s.ContinueRun = 1;
    Grad(FunctionId::AxisEllipsoid, V({1, 1}), g);
    EXPECT_EQ(s.ContinueRun, 1);
}

TEST_F(ObjectiveTest, SinShiftUsesTheTenDecimalPiAndItsTablesFollowN) {
    EXPECT_EQ(SinShift(1, 7), 0.0L);
    // sin(3.1415926535)/2 = (pi - 3.1415926535)/2 to first order
    EXPECT_NEAR(SinShift(2, 3), 4.489661923e-11L, 1e-19L);
    EXPECT_NEAR(SinShift(2, 5), 0.5L, 1e-19L);
    for (int n : {5, 2, 9, 5, 2, 9, 3}) {
        const Real* table = SinShiftTable(n);
        for (int j = 1; j <= n; ++j) EXPECT_EQ(table[j], SinShift(j, n)) << n << ' ' << j;
    }
}

TEST_F(ObjectiveTest, DimensionIsTheRunStateNAndTheNormRunsOverTheVectorHandedIn) {
    // The level lines evaluate a long point as a function of u1 and u2.
    const MyArray1 u = V({1, 2, 3, 4});
    Select(FunctionId::AxisEllipsoid, 2);
    EXPECT_EQ(EvalJ(s, FunctionId::AxisEllipsoid, u), 9.0L);
    Select(FunctionId::QuadraticVarnel, 2);
    EXPECT_EQ(EvalJ(s, FunctionId::QuadraticVarnel, u), 9.0L + 9);
    Select(FunctionId::Saddle, 2);
    MyArray1 g = V({7, 7, 3});
    Real gnorm = 0;
    EvalGrad(s, FunctionId::Saddle, V({0.5L, 2, 9}), g, gnorm);
    EXPECT_EQ(g, V({5, -4, 3}));
    EXPECT_EQ(gnorm, std::sqrt(50.0L));
}

TEST_F(ObjectiveTest, EveryEvaluationCountsOnceAlsoWhenItFails) {
    LoadRandomQuadratic(3);
    for (const FunctionTraits& f : FunctionList()) {
        Select(f.id, f.twoDimensionalOnly ? 2 : 3);
        int before = s.EvalCount;
        EvalJ(s, f.id, Filled(s.N, 0.5L));
        EXPECT_EQ(s.EvalCount, before + 1) << f.key;
        before = s.EvalCount;
        MyArray1 g = NewVector(s.N);
        EvalGrad(s, f.id, Filled(s.N, 0.5L), g, s.GradNorm);
        EXPECT_EQ(s.EvalCount, before + 1) << f.key;
    }
    MyArray1 g;
    const struct { FunctionId function; MyArray1 u; bool gradient; } failures[] = {
        {FunctionId::Rosenbrock, V({1e3000L, 1}), false}, {FunctionId::Rosenbrock, V({1e2000L, 1}), true},
        {FunctionId::HilbertA, V({1e2500L, 1e2500L, 1}), false},
        // n = 1 divides by n - 1 = 0 in the "u*=sin" shifts
        {FunctionId::Staircase2Sin, V({0.5L}), false}, {FunctionId::AxisEllipsoidSin, V({0.5L}), true},
        // and the two-dimensional functions have no second component
        {FunctionId::Himmelblau28, V({0.5L}), false},
        // a quiet NaN raises no flag; the non-finite value is caught instead
        {FunctionId::AxisEllipsoid, V({NAN, 1}), false}, {FunctionId::Qf1, V({NAN, 1}), true},
    };
    for (const auto& f : failures) {
        const int before = s.EvalCount;
        const std::string message = f.gradient ? ErrorOf<EBadError>([&] { Grad(f.function, f.u, g); })
                                               : ErrorOf<EBadError>([&] { J(f.function, f.u); });
        EXPECT_EQ(message, std::string("Error in evaluation of ") + (f.gradient ? "gradient: " : "function: ") +
                               s.FunctionName);
        EXPECT_EQ(s.EvalCount, before + 1) << message;
    }
    // Every component finite, but the sum of squares overflows.
    EXPECT_EQ(ErrorOf<ERealBadError>([&] { Grad(FunctionId::AxisEllipsoid, V({1e2466L, 1}), g); }),
              "Error in evaluation of gradient norm for function: Quadratic: Axis Parallel Ellipsoid");
    // A clean evaluation after a failure does not see stale flags.
    EXPECT_EQ(J(FunctionId::AxisEllipsoid, V({1, 1})), 3.0L);
}

TEST_F(ObjectiveTest, LargeProblemsSayWhatIsEvaluatedAndFailuresLeaveTheStatus) {
    Select(FunctionId::AxisEllipsoid, 3);
    EvalJ(s, FunctionId::AxisEllipsoid, NewVector(3));
    MyArray1 g;
    Grad(FunctionId::AxisEllipsoid, NewVector(999), g);
    EXPECT_EQ(host.statuses, (std::vector<std::string>{" Working...", " Working..."}));
    host.statuses.clear();
    J(FunctionId::AxisEllipsoid, NewVector(1000));
    Grad(FunctionId::AxisEllipsoid, RandomPoint(1000, 1), g);
    EXPECT_EQ(host.statuses, (std::vector<std::string>{" Working... function evaluation", " Working...",
                                                       " Working... gradient evaluation", " Working..."}));
    host.statuses.clear();
    EXPECT_THROW(J(FunctionId::AxisEllipsoid, Filled(1000, 1e3000L)), EBadError);
    MyArray1 u = NewVector(1000);
    u[1] = 1e3000L;
    Real gnorm = 0;
    EXPECT_THROW(EvalGrad(s, FunctionId::AxisEllipsoid, u, g, gnorm), ERealBadError);
    EXPECT_EQ(host.statuses,
              (std::vector<std::string>{" Working... function evaluation", " Working... gradient evaluation"}));
    host.statuses.clear();
    EXPECT_THROW(J(FunctionId::AxisEllipsoid, V({1e3000L, 0})), EBadError);
    EXPECT_TRUE(host.statuses.empty());
}

} // namespace
} // namespace tarvik
