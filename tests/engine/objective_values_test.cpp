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

class ObjectiveValues : public ::testing::Test {
protected:
    testing::RecordingHost host;
    RunState s{host};

    void Select(FunctionId code, int n) {
        s.FunctionCode = code;
        s.FunctionName = std::string(Traits(code).name);
        s.N = n;
    }
    Real J(FunctionId code, const MyArray1& u) {
        Select(code, Components(u));
        return EvalJ(s, code, u);
    }
    // A one-based vector from its components.
    static MyArray1 V(std::initializer_list<Real> components) {
        MyArray1 v{0.0L};
        v.insert(v.end(), components);
        return v;
    }
    static MyArray1 Filled(int n, Real value) {
        MyArray1 v = NewVector(n);
        for (int i = 1; i <= n; ++i) v[static_cast<std::size_t>(i)] = value;
        return v;
    }
};

TEST_F(ObjectiveValues, WorkedValuesOfTheTwoDimensionalFunctions) {
    EXPECT_EQ(J(FunctionId::Rosenbrock, V({1, 1})), 0.0L);
    EXPECT_NEAR(J(FunctionId::Rosenbrock, V({-1.2L, 1})), 24.2L, 1e-16L);
    EXPECT_EQ(J(FunctionId::Saddle, V({0, 0})), 1.0L);
    // Saddle: unbounded below along u2
    EXPECT_LT(J(FunctionId::Saddle, V({0, -10})), J(FunctionId::Saddle, V({0, -1})));
    EXPECT_LT(J(FunctionId::Saddle, V({0, -1000})), -999998.0L);
}

// Hand-computed values at small integer points, one per formula.
TEST_F(ObjectiveValues, EveryFormulaAtAnIntegerPoint) {
    const MyArray1 p2 = V({1, 2});
    const MyArray1 p3 = V({1, 2, 3});
    EXPECT_EQ(J(FunctionId::Rosenbrock, p2), 100.0L);
    EXPECT_EQ(J(FunctionId::Himmelblau2, p2), 1.0L);
    EXPECT_EQ(J(FunctionId::Himmelblau4, p2), 100.0L);
    EXPECT_EQ(J(FunctionId::Himmelblau28, p2), 68.0L);
    EXPECT_EQ(J(FunctionId::Saddle, p2), 2.0L);
    EXPECT_EQ(J(FunctionId::CubicVarnel, p2), 22.0L);
    EXPECT_EQ(J(FunctionId::AxisEllipsoid, p3), 36.0L);
    EXPECT_EQ(J(FunctionId::Schwefel12, p3), 46.0L);
    EXPECT_EQ(J(FunctionId::Staircase2, p3), 10.0L);
    EXPECT_EQ(J(FunctionId::QuadraticVarnel, p3), 74.0L);
    EXPECT_EQ(J(FunctionId::Qf1, p3), 15.0L);
    EXPECT_EQ(J(FunctionId::Tridia, p3), 66.0L);
    EXPECT_EQ(J(FunctionId::Dixon3dq, p3), 5.0L);
    EXPECT_NEAR(J(FunctionId::HilbertA, p2), 13.0L / 3, 1e-17L);
    EXPECT_NEAR(J(FunctionId::HilbertB, p2), 0.5L + 1 + 2.0L / 3 + 0.005L, 1e-17L);
    EXPECT_EQ(J(FunctionId::GeneralizedRosenbrock, p3), 201.0L);
    // n = 5 puts the shifts at 0, 1/2, 0, -1/2, 0 (up to the short pi)
    const MyArray1 zero5 = NewVector(5);
    EXPECT_NEAR(J(FunctionId::Staircase2Sin, zero5), 60.5L, 1e-9L);
    EXPECT_NEAR(J(FunctionId::AxisEllipsoidSin, zero5), 1.5L, 1e-9L);
}

TEST_F(ObjectiveValues, TridiaUsesItsTunableParameters) {
    s.Params.TridiaAlpha = 3;
    s.Params.TridiaBeta = 2;
    s.Params.TridiaDelta = 0.5L;
    s.Params.TridiaGamma = 4;
    // 4(0.5 - 1)^2 + 2(6 - 2)^2 + 3(9 - 4)^2
    EXPECT_EQ(J(FunctionId::Tridia, V({1, 2, 3})), 1.0L + 32 + 75);
    s.Params.HilbertD = 1;
    // HILBERT (b) at n = 1 is u1^2 (1/2 + d)
    EXPECT_EQ(J(FunctionId::HilbertB, V({2})), 6.0L);
}

TEST_F(ObjectiveValues, QuadraticFromFilesAndItsProductVector) {
    s.Quad.QuadA = NewMatrix(2);
    s.Quad.QuadA[1][1] = 2;
    s.Quad.QuadA[1][2] = 1;
    s.Quad.QuadA[2][1] = 1;
    s.Quad.QuadA[2][2] = 3;
    s.Quad.QuadB = V({1, -1});
    s.Quad.QuadC = 5;
    s.Quad.QuadAu = NewVector(2);
    EXPECT_EQ(J(FunctionId::QuadraticFromFiles, V({1, 2})), 13.0L);
    EXPECT_EQ(s.Quad.QuadAu[1], 4.0L);
    EXPECT_EQ(s.Quad.QuadAu[2], 7.0L);
}

TEST_F(ObjectiveValues, ValuesAtTheKnownMinima) {
    for (int n : {2, 3, 10, 101}) {
        SCOPED_TRACE(n);
        for (FunctionId code : {FunctionId::Staircase2, FunctionId::Dixon3dq, FunctionId::GeneralizedRosenbrock}) EXPECT_EQ(J(code, Filled(n, 1)), 0.0L) << int(code);
        for (FunctionId code : {FunctionId::AxisEllipsoid, FunctionId::Schwefel12, FunctionId::QuadraticVarnel, FunctionId::HilbertA, FunctionId::HilbertB}) EXPECT_EQ(J(code, NewVector(n)), 0.0L) << int(code);
        MyArray1 sinMin = NewVector(n), staircaseMin = NewVector(n), qf1Min = NewVector(n), tridiaMin = NewVector(n);
        tridiaMin[1] = 1;
        for (int i = 1; i <= n; ++i) {
            sinMin[i] = SinShift(i, n);
            staircaseMin[i] = SinShift(i, n) + 1;
            if (i > 1) tridiaMin[i] = tridiaMin[i - 1] / 2;
        }
        qf1Min[n] = 1.0L / n;
        EXPECT_EQ(J(FunctionId::AxisEllipsoidSin, sinMin), 0.0L);
        // (s_i + 1) - s_i can miss 1 by 2^-64, but s_1 = 0 makes the first
        // partial sum exactly 1 and every later one rounds back onto i.
        EXPECT_EQ(J(FunctionId::Staircase2Sin, staircaseMin), 0.0L);
        EXPECT_NEAR(J(FunctionId::Qf1, qf1Min), -1.0L / (2 * n), 1e-18L);
        EXPECT_EQ(J(FunctionId::Tridia, tridiaMin), 0.0L);
    }
    EXPECT_EQ(J(FunctionId::Qf1, V({0, 0.5L})), -0.25L);
    for (FunctionId code : {FunctionId::Rosenbrock, FunctionId::Himmelblau2, FunctionId::Himmelblau4}) EXPECT_EQ(J(code, V({1, 1})), 0.0L);
    EXPECT_EQ(J(FunctionId::CubicVarnel, V({0, 0})), 0.0L);
}

TEST_F(ObjectiveValues, RelationsBetweenFunctionsHoldAtRandomPoints) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> coordinate(-3, 3);
    for (int trial = 0; trial < 50; ++trial) {
        const MyArray1 p = V({coordinate(random), coordinate(random)});
        EXPECT_EQ(J(FunctionId::GeneralizedRosenbrock, p), J(FunctionId::Rosenbrock, p));  // bit for bit
        for (int n : {1, 2, 5, 17}) {
            MyArray1 u = NewVector(n);
            for (int i = 1; i <= n; ++i) u[i] = coordinate(random);
            s.Params.HilbertD = 0;
            const Real a = J(FunctionId::HilbertA, u);
            const Real b = J(FunctionId::HilbertB, u);
            EXPECT_NEAR(b, a / 2, 1e-17L * (1 + std::fabs(a)));
        }
    }
}

TEST_F(ObjectiveValues, SinShiftUsesTheTenDecimalPi) {
    EXPECT_EQ(SinShift(1, 7), 0.0L);
    // sin(3.1415926535)/2 = (pi - 3.1415926535)/2 to first order
    EXPECT_NEAR(SinShift(2, 3), 4.489661923e-11L, 1e-19L);
    EXPECT_NEAR(SinShift(2, 5), 0.5L, 1e-19L);
    // The cached tables agree with the direct formula whichever n came last.
    for (int n : {5, 2, 9, 5, 2, 9, 3}) {
        const Real* table = SinShiftTable(n);
        for (int j = 1; j <= n; ++j) EXPECT_EQ(table[j], SinShift(j, n)) << n << ' ' << j;
    }
}

TEST_F(ObjectiveValues, EveryEvaluationCountsOnceAlsoWhenItFails) {
    s.Quad.QuadA = NewMatrix(3);
    s.Quad.QuadB = NewVector(3);
    s.Quad.QuadAu = NewVector(3);
    for (const FunctionTraits& f : FunctionList()) {
        const FunctionId code = f.id;
        Select(code, f.twoDimensionalOnly ? 2 : 3);
        const int before = s.EvalCount;
        EvalJ(s, code, Filled(s.N, 0.5L));
        EXPECT_EQ(s.EvalCount, before + 1) << int(code);
    }
    Select(FunctionId::Rosenbrock, 2);
    const int before = s.EvalCount;
    try {
        EvalJ(s, FunctionId::Rosenbrock, V({1e3000L, 1}));
        FAIL() << "overflow not reported";
    } catch (const EBadError& e) {
        EXPECT_EQ(std::string(e.what()), "Error in evaluation of function: Rosenbrock (n=2)");
    }
    EXPECT_EQ(s.EvalCount, before + 1);
}

TEST_F(ObjectiveValues, ArithmeticFaultsBecomeTheEvaluationError) {
    // a quiet NaN raises no flag; the non-finite value is caught instead
    EXPECT_THROW(J(FunctionId::AxisEllipsoid, V({NAN, 1})), EBadError);
    EXPECT_THROW(J(FunctionId::HilbertA, V({1e2500L, 1e2500L, 1})), EBadError);
    // n = 1 divides by n - 1 = 0 in the "u*=sin" shifts
    for (FunctionId code : {FunctionId::Staircase2Sin, FunctionId::AxisEllipsoidSin}) {
        Select(code, 1);
        try {
            EvalJ(s, code, V({0.5L}));
            FAIL() << int(code);
        } catch (const EBadError& e) {
            EXPECT_EQ(std::string(e.what()), "Error in evaluation of function: " + s.FunctionName);
        }
    }
    // and the two-dimensional functions have no second component
    Select(FunctionId::Himmelblau28, 1);
    EXPECT_THROW(EvalJ(s, FunctionId::Himmelblau28, V({0.5L})), EBadError);
    // a clean evaluation after a failure does not see stale flags
    EXPECT_EQ(J(FunctionId::AxisEllipsoid, V({1, 1})), 3.0L);
}

TEST_F(ObjectiveValues, StatusTexts) {
    Select(FunctionId::AxisEllipsoid, 3);
    EvalJ(s, FunctionId::AxisEllipsoid, NewVector(3));
    EXPECT_EQ(host.statuses, (std::vector<std::string>{" Working..."}));

    host.statuses.clear();
    Select(FunctionId::AxisEllipsoid, 1000);
    EvalJ(s, FunctionId::AxisEllipsoid, NewVector(1000));
    EXPECT_EQ(host.statuses, (std::vector<std::string>{" Working... function evaluation", " Working..."}));

    // a failing evaluation leaves the status as it was
    host.statuses.clear();
    MyArray1 huge = Filled(1000, 1e3000L);
    EXPECT_THROW(EvalJ(s, FunctionId::AxisEllipsoid, huge), EBadError);
    EXPECT_EQ(host.statuses, (std::vector<std::string>{" Working... function evaluation"}));
    host.statuses.clear();
    Select(FunctionId::AxisEllipsoid, 2);
    EXPECT_THROW(EvalJ(s, FunctionId::AxisEllipsoid, V({1e3000L, 0})), EBadError);
    EXPECT_TRUE(host.statuses.empty());
}

TEST_F(ObjectiveValues, DimensionIsTheRunStateN) {
    // The level lines evaluate a long point as a function of u1 and u2.
    const MyArray1 u = V({1, 2, 3, 4});
    Select(FunctionId::AxisEllipsoid, 2);
    EXPECT_EQ(EvalJ(s, FunctionId::AxisEllipsoid, u), 9.0L);
    Select(FunctionId::QuadraticVarnel, 2);
    EXPECT_EQ(EvalJ(s, FunctionId::QuadraticVarnel, u), 9.0L + 9);
}

} // namespace
} // namespace tarvik
