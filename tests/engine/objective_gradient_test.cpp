#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "core/errors.h"
#include "core/function_catalogue.h"
#include "core/objective.h"
#include "recording_host.h"

namespace tarvik {
namespace {

class ObjectiveGradient : public ::testing::Test {
protected:
    testing::RecordingHost host;
    RunState s{host};
    std::mt19937 random{2024};

    void Select(FunctionId code, int n) {
        s.FunctionCode = code;
        s.FunctionName = std::string(Traits(code).name);
        s.N = n;
    }
    // Gradient at u with N = its dimension; returns gnorm.
    Real Grad(FunctionId code, const MyArray1& u, MyArray1& g) {
        Select(code, Components(u));
        g = NewVector(Components(u));
        Real gnorm = -1;
        EvalGrad(s, code, u, g, gnorm);
        return gnorm;
    }
    static MyArray1 V(std::initializer_list<Real> components) {
        MyArray1 v{0.0L};
        v.insert(v.end(), components);
        return v;
    }
    MyArray1 RandomPoint(int n, double range) {
        std::uniform_real_distribution<double> coordinate(-range, range);
        MyArray1 u = NewVector(n);
        for (int i = 1; i <= n; ++i) u[i] = coordinate(random);
        return u;
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
    Real DifferenceQuotient(FunctionId code, MyArray1 u, int k) {
        const Real x = u[k];
        const Real h = 1e-4L * std::fmax(1.0L, std::fabs(x));
        auto at = [&](Real t) { u[k] = x + t; return EvalJ(s, code, u); };
        return (-at(2 * h) + 8 * at(h) - 8 * at(-h) + at(-2 * h)) / (12 * h);
    }
};

TEST_F(ObjectiveGradient, WorkedGradients) {
    MyArray1 g;
    Grad(FunctionId::Rosenbrock, V({-1.2L, 1}), g);
    EXPECT_NEAR(g[1], -215.6L, 1e-15L);
    EXPECT_NEAR(g[2], -88.0L, 1e-15L);

    EXPECT_EQ(Grad(FunctionId::Qf1, NewVector(6), g), 1.0L);
    EXPECT_EQ(g, V({0, 0, 0, 0, 0, -1}));

    EXPECT_EQ(Grad(FunctionId::Dixon3dq, V({3, -2}), g), std::sqrt(16.0L + 36));
    EXPECT_EQ(g, V({4, -6}));
    Grad(FunctionId::Dixon3dq, V({1, 2, 3}), g);
    EXPECT_EQ(g, V({0, -2, 6}));

    // code 10 at n = 2: g2 = 2(u1 + u2) - 4(u1 - 2 u2)
    Grad(FunctionId::QuadraticVarnel, V({1, 2}), g);
    EXPECT_EQ(g, V({2 * 3 + 2 * (1 - 4), 2 * 3 - 4 * (1 - 4)}));
}

// Every analytic gradient against a difference quotient of J.
TEST_F(ObjectiveGradient, AgreesWithDifferencesOfJ) {
    s.Params.TridiaAlpha = 1.5L;
    s.Params.TridiaBeta = 0.7L;
    s.Params.TridiaDelta = 1.3L;
    s.Params.TridiaGamma = 2.5L;
    s.Params.HilbertD = 0.05L;
    for (int c = 0; c <= 18; ++c) {
        const FunctionId code = FunctionId(c);
        std::vector<int> dimensions{2};
        if (c >= 6) dimensions = {2, 3, 7, 20};
        if (c >= 6 && c != 9 && c != 11) dimensions.push_back(1);
        for (int n : dimensions) {
            if (c == 17) LoadRandomQuadratic(n);
            for (int trial = 0; trial < 3; ++trial) {
                SCOPED_TRACE(::testing::Message() << "code " << int(code) << " n " << n << " trial " << trial);
                const MyArray1 u = RandomPoint(n, 1.5);
                MyArray1 g;
                const Real gnorm = Grad(code, u, g);
                const Real scale = 1 + std::fabs(EvalJ(s, code, u));
                Real squares = 0;
                for (int k = 1; k <= n; ++k) {
                    EXPECT_NEAR(g[k], DifferenceQuotient(code, u, k), 1e-10L * (scale + std::fabs(g[k]))) << "k " << k;
                    squares += g[k] * g[k];
                }
                EXPECT_EQ(gnorm, std::sqrt(squares));
            }
        }
    }
}

TEST_F(ObjectiveGradient, GeneralizedRosenbrockOfTwoIsRosenbrockBitForBit) {
    for (int trial = 0; trial < 50; ++trial) {
        const MyArray1 u = RandomPoint(2, 3);
        MyArray1 g0, g18;
        EXPECT_EQ(Grad(FunctionId::Rosenbrock, u, g0), Grad(FunctionId::GeneralizedRosenbrock, u, g18));
        EXPECT_EQ(g0, g18);
    }
}

// The partial-sum gradients and the matrix product share passes between
// several sums; the bits must be those of the sums taken one by one.
TEST_F(ObjectiveGradient, SharedPassesKeepTheBitsOfTheLiteralSums) {
    for (int n = 1; n <= 13; ++n) {
        const MyArray1 u = RandomPoint(n, 2);
        for (FunctionId code : {FunctionId::Schwefel12, FunctionId::Staircase2, FunctionId::Staircase2Sin}) {
            if (code == FunctionId::Staircase2Sin && n == 1) continue;
            MyArray1 g;
            Grad(code, u, g);
            for (int k = 1; k <= n; ++k) {
                Real prefix = 0, tail = 0, indices = 0;
                for (int j = 1; j <= k; ++j) prefix += code == FunctionId::Staircase2Sin ? u[j] - SinShift(j, n) : u[j];
                for (int j = k + 1; j <= n; ++j) tail += (n - j + 1) * (code == FunctionId::Staircase2Sin ? u[j] - SinShift(j, n) : u[j]);
                for (int j = k; j <= n; ++j) indices += j;
                Real expected = 2 * (n - k + 1) * prefix + 2 * tail;
                if (code != FunctionId::Schwefel12) expected = expected - 2 * indices;
                EXPECT_EQ(g[k], expected) << "code " << int(code) << " n " << n << " k " << k;
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
// term at its own place j = i. The order decides the last bits, so it is
// compared exactly.
TEST_F(ObjectiveGradient, HilbertBAccumulatesTheDiagonalInItsPlace) {
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

TEST_F(ObjectiveGradient, ZeroGradientAtTheMinimumClearsContinueRun) {
    for (int n : {2, 3, 10}) {
        MyArray1 ones = NewVector(n), zeros = NewVector(n), sines = NewVector(n);
        for (int i = 1; i <= n; ++i) { ones[i] = 1; sines[i] = SinShift(i, n); }
        const auto expectStops = [&](FunctionId code, const MyArray1& u) {
            if (Traits(code).twoDimensionalOnly && n != 2) return;
            s.ContinueRun = 1;
            MyArray1 g;
            EXPECT_EQ(Grad(code, u, g), 0.0L) << int(code) << ' ' << n;
            EXPECT_EQ(s.ContinueRun, 0) << int(code) << ' ' << n;
        };
        for (FunctionId code : {FunctionId::Rosenbrock, FunctionId::Himmelblau2, FunctionId::Himmelblau4, FunctionId::Staircase2, FunctionId::Dixon3dq, FunctionId::GeneralizedRosenbrock}) expectStops(code, ones);
        for (FunctionId code : {FunctionId::Saddle, FunctionId::CubicVarnel, FunctionId::AxisEllipsoid, FunctionId::Schwefel12, FunctionId::QuadraticVarnel, FunctionId::HilbertA, FunctionId::HilbertB}) expectStops(code, zeros);
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

TEST_F(ObjectiveGradient, NormRunsOverTheWholeVectorHandedIn) {
    Select(FunctionId::Saddle, 2);
    MyArray1 g = V({7, 7, 3});
    Real gnorm = 0;
    EvalGrad(s, FunctionId::Saddle, V({0.5L, 2, 9}), g, gnorm);
    EXPECT_EQ(g, V({5, -4, 3}));
    EXPECT_EQ(gnorm, std::sqrt(50.0L));
}

TEST_F(ObjectiveGradient, FailuresAreReportedByKindAndStillCounted) {
    MyArray1 g;
    int before = s.EvalCount;
    try {
        Grad(FunctionId::Rosenbrock, V({1e2000L, 1}), g);
        FAIL() << "overflow in the formula not reported";
    } catch (const EBadError& e) {
        EXPECT_EQ(std::string(e.what()), "Error in evaluation of gradient: Rosenbrock (n=2)");
    }
    EXPECT_EQ(s.EvalCount, before + 1);

    // every component is finite, but the sum of squares overflows
    before = s.EvalCount;
    try {
        Grad(FunctionId::AxisEllipsoid, V({1e2466L, 1}), g);
        FAIL() << "overflow in the norm not reported";
    } catch (const ERealBadError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Error in evaluation of gradient norm for function: Quadratic: Axis Parallel Ellipsoid");
    }
    EXPECT_EQ(s.EvalCount, before + 1);

    EXPECT_THROW(Grad(FunctionId::AxisEllipsoidSin, V({0.5L}), g), EBadError);  // n - 1 = 0 in the shifts
    EXPECT_THROW(Grad(FunctionId::Qf1, V({NAN, 1}), g), EBadError);

    for (int c = 6; c <= 18; ++c) {
        const FunctionId code = FunctionId(c);
        if (c == 17) LoadRandomQuadratic(4);
        before = s.EvalCount;
        Grad(code, RandomPoint(4, 1), g);
        EXPECT_EQ(s.EvalCount, before + 1) << int(code);
    }
}

TEST_F(ObjectiveGradient, StatusTexts) {
    MyArray1 g;
    Grad(FunctionId::AxisEllipsoid, NewVector(999), g);
    EXPECT_EQ(host.statuses, (std::vector<std::string>{" Working..."}));
    host.statuses.clear();
    Grad(FunctionId::AxisEllipsoid, RandomPoint(1000, 1), g);
    EXPECT_EQ(host.statuses, (std::vector<std::string>{" Working... gradient evaluation", " Working..."}));
    host.statuses.clear();
    MyArray1 u = NewVector(1000);
    u[1] = 1e3000L;
    Real gnorm = 0;
    EXPECT_THROW(EvalGrad(s, FunctionId::AxisEllipsoid, u, g, gnorm), ERealBadError);
    EXPECT_EQ(host.statuses, (std::vector<std::string>{" Working... gradient evaluation"}));
}

} // namespace
} // namespace tarvik
