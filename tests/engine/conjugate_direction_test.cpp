#include "core/conjugate_direction.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/run_state.h"
#include "recording_host.h"

namespace tarvik {
namespace {

class ConjugateDirectionTest : public ::testing::Test {
protected:
    testing::RecordingHost host;
    RunState s{host};

    void Setup(int n, MethodId methodCode, FunctionId functionCode) {
        s.N = n;
        s.MethodCode = methodCode;
        s.FunctionCode = functionCode;
        s.GradJ = NewVector(n);
        s.GradJPrev = NewVector(n);
        s.Dir = NewVector(n);
    }
    void SetGrad(std::initializer_list<Real> g) {
        s.GradJPrev = s.GradJ;
        int i = 1;
        for (Real v : g) s.GradJ[i++] = v;
    }
    Real Step(int k) {
        s.IterCount = k;
        ConjugateDirection(s, s.FunctionCode, s.Dir, s.DirNorm);
        return s.CgBeta;
    }
};

TEST_F(ConjugateDirectionTest, FirstIterationIsSteepestDescentForAllFourMethods) {
    for (MethodId method : {MethodId::FletcherReevesGolden, MethodId::FletcherReevesWolfe, MethodId::PolakRibiereGolden, MethodId::PolakRibiereWolfe}) {
        Setup(2, method, FunctionId::GeneralizedRosenbrock);
        s.Dir[1] = 7;  // left over from an earlier run
        s.Dir[2] = -9;
        s.CgPrevGradNorm2 = 123;
        SetGrad({3, 4});
        EXPECT_EQ(Step(0), 0) << int(method);
        EXPECT_EQ(s.Dir[1], 3);
        EXPECT_EQ(s.Dir[2], 4);
        EXPECT_EQ(s.DirNorm, 5);
        EXPECT_EQ(s.CgPrevGradNorm2, 25);
    }
}

TEST_F(ConjugateDirectionTest, FletcherReevesAndPolakRibiereBetas) {
    // g_prev = (3, 4), d_prev = g_prev; then g = (1, -2).
    Setup(2, MethodId::FletcherReevesWolfe, FunctionId::GeneralizedRosenbrock);
    SetGrad({3, 4});
    Step(0);
    SetGrad({1, -2});
    EXPECT_EQ(Step(1), 5.0L / 25);  // ||g||^2 / ||g_prev||^2
    EXPECT_EQ(s.Dir[1], (5.0L / 25) * 3 + 1);
    EXPECT_EQ(s.Dir[2], (5.0L / 25) * 4 - 2);
    EXPECT_EQ(s.CgPrevGradNorm2, 5);

    Setup(2, MethodId::PolakRibiereWolfe, FunctionId::GeneralizedRosenbrock);
    SetGrad({3, 4});
    Step(0);
    SetGrad({1, -2});
    // g.(g - g_prev) = 1*(-2) + (-2)*(-6) = 10; d = (2.2, -0.4) still descends.
    EXPECT_EQ(Step(1), 10.0L / 25);
    EXPECT_EQ(s.Dir[1], (10.0L / 25) * 3 + 1);
    EXPECT_EQ(s.Dir[2], (10.0L / 25) * 4 - 2);
}

TEST_F(ConjugateDirectionTest, NonQuadraticRestartsAtMultiplesOfThreeN) {
    Setup(2, MethodId::FletcherReevesWolfe, FunctionId::Rosenbrock);  // Rosenbrock, n = 2: renewal at k = 0, 6, 12
    SetGrad({3, 4});
    Step(0);
    for (int k = 1; k <= 13; ++k) {
        SetGrad({Real(1) / k, Real(2) + k});
        const Real beta = Step(k);
        if (k % 6 == 0) {
            EXPECT_EQ(s.CgRestart, 0) << k;
            EXPECT_EQ(beta, 0) << k;
        } else {
            EXPECT_EQ(s.CgRestart, k % 6) << k;
            EXPECT_GT(beta, 0) << k;
        }
    }
}

TEST_F(ConjugateDirectionTest, GeneralizedRosenbrockUsesThreeNAsWell) {
    Setup(3, MethodId::FletcherReevesGolden, FunctionId::GeneralizedRosenbrock);
    SetGrad({1, 1, 1});
    Step(0);
    SetGrad({1, 2, 1});
    Step(8);
    EXPECT_EQ(s.CgRestart, 8);
    SetGrad({1, 1, 2});
    EXPECT_EQ(Step(9), 0);
}

TEST_F(ConjugateDirectionTest, QuadraticRestartsWhenGradientsAreNotOrthogonal) {
    // |g.g_prev| / ||g_prev||^2 against 0.1, with g_prev = (1, 0).
    for (Real first : {0.1L, -0.1L, 0.0999L}) {
        Setup(2, MethodId::FletcherReevesWolfe, FunctionId::AxisEllipsoid);
        SetGrad({1, 0});
        Step(0);
        SetGrad({first, 5});
        const Real beta = Step(1);
        if (fabsl(first) >= 0.1L) {
            EXPECT_EQ(s.CgRestart, 0) << double(first);
            EXPECT_EQ(beta, 0);
            EXPECT_EQ(s.Dir[1], first);
        } else {
            EXPECT_EQ(s.CgRestart, 1);
            EXPECT_EQ(beta, first * first + 25);
        }
    }
    // The 3n rule does not apply to quadratics: k = 6 keeps beta for n = 2.
    Setup(2, MethodId::FletcherReevesWolfe, FunctionId::QuadraticFromFiles);
    SetGrad({1, 0});
    Step(0);
    SetGrad({0, 1});
    EXPECT_EQ(Step(6), 1);
}

TEST_F(ConjugateDirectionTest, FallsBackToGradientWhenDirectionDoesNotDescend) {
    Setup(2, MethodId::FletcherReevesWolfe, FunctionId::GeneralizedRosenbrock);
    SetGrad({1, 0});
    Step(0);
    s.Dir[1] = -100;  // as if the previous direction pointed the other way
    SetGrad({1, 0});
    // beta = 1, so d = (-100 + 1, 0) and g.d < 0.
    Step(1);
    EXPECT_EQ(s.Dir[1], 1);
    EXPECT_EQ(s.Dir[2], 0);
    EXPECT_EQ(s.DirNorm, 1);
}

} // namespace
} // namespace tarvik
