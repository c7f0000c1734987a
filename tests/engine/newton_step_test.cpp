// The classical Newton step: its guards, sign checks and failure texts.
#include "app/direction_rules.h"

#include <cmath>
#include <cstring>

#include "app/start_point.h"
#include "core/errors.h"
#include "core/hessian.h"
#include "core/newton_step.h"
#include "run_state_fixture.h"

namespace tarvik {
namespace {

using testing::ErrorOf;
using testing::V;
using NewtonStepTest = testing::RunStateTest;

TEST_F(NewtonStepTest, SaddleStepIsTakenOnlyWhereGradientAndStepAgree) {
    Prepare(FunctionId::Saddle, 2);
    s.U = V({1, 1});
    s.Problem->Gradient(s.U, s.GradJ, s.GradNorm);
    RunNewtonStep(s, s.Dir);
    EXPECT_EQ(s.Dir, V({1, 1}));

    s.U = V({0.1L, 1});
    s.Problem->Gradient(s.U, s.GradJ, s.GradNorm);
    s.IterCount = 7;
    EXPECT_EQ(ErrorOf<ENotSoBadError>([&] { RunNewtonStep(s, s.Dir); }), "Hessian<0 ! (Iteration=7).");
    // The step stays where the failure left it.
    EXPECT_NEAR(static_cast<double>(s.Dir[1]), 0.1, 1e-18);
    EXPECT_EQ(s.Dir[2], 1.0L);
}

TEST_F(NewtonStepTest, FailuresEndOrInterruptTheRunWithTheirTexts) {
    // At u = (0, y) with 400*y rounding to exactly 2 the first row of the
    // generalized Rosenbrock Hessian is zero.
    Real y = 0.005L;
    for (int k = 0; k < 64 && (0 - 2 * y) * 200 + 2 != 0; ++k) y = std::nextafter(y, 1.0L);
    ASSERT_EQ((0 - 2 * y) * 200 + 2, 0.0L);
    const std::string rosenbrock = "Error in evaluation of Hessein: Generalized Rosenbrock (n>=2)";
    struct Case { const char* name; FunctionId function; MyArray1 u, g; bool recoverable; std::string message; };
    const Case cases[] = {
        {"zero gradient", FunctionId::CubicVarnel, V({0, 0}), V({0, 0}), false, "Hessian=0 ! (Iteration=4)."},
        {"singular 2x2", FunctionId::Himmelblau2, V({0, 0.5L}), V({1, 1}), false, "Error! Hessian=0: Himmelblau 2 (n=2)"},
        {"overflowing 2x2", FunctionId::Rosenbrock, V({1e2500L, 1}), V({1, 1}), false, "Error! Hessian=0: Rosenbrock (n=2)"},
        {"overflow in n dimensions", FunctionId::GeneralizedRosenbrock, V({1e2500L, 0, 0}), V({1, 0, 0}), false, rosenbrock},
        // A zero pivot, recoverable for the quadratics, ends this run.
        {"zero pivot of a non-quadratic", FunctionId::GeneralizedRosenbrock, V({0, y}), V({1, 1}), false, rosenbrock},
        {"zero pivot of a quadratic", FunctionId::HilbertB, V({1}), V({1}), true, "Hessian matrix is 0! (Iterate=4)."},
    };
    for (const Case& c : cases) {
        Prepare(c.function, Components(c.u));
        s.Params.HilbertD = -0.5L;  // the 1x1 HILBERT (b) diagonal vanishes
        BuildRunObjective(s);
        s.U = c.u;
        s.GradJ = c.g;
        s.IterCount = 4;
        const auto step = [&] { RunNewtonStep(s, s.Dir); };
        EXPECT_EQ(c.recoverable ? ErrorOf<ENotSoBadError>(step) : ErrorOf<EBadError>(step), c.message) << c.name;
    }
}

TEST_F(NewtonStepTest, QuadraticFromFilesSolvesWithItsMatrixAndLeavesHMatrixAlone) {
    Prepare(FunctionId::QuadraticFromFiles, 2);
    LoadQuadratic(4, 1, 3, V({1, 2}));
    s.U = V({1, 1});
    s.Problem->Gradient(s.U, s.GradJ, s.GradNorm);
    RunNewtonStep(s, s.Dir);
    // Minimum of 1/2 u'Au + b'u: A u* = -b, u* = (-1, -7)/11.
    EXPECT_NEAR(static_cast<double>(s.U[1] - s.Dir[1]), -1.0 / 11.0, 1e-17);
    EXPECT_NEAR(static_cast<double>(s.U[2] - s.Dir[2]), -7.0 / 11.0, 1e-17);
    EXPECT_EQ(s.HMatrix[1][1], 0.0L);
}

// A banded Hessian is formed and solved as a band; the step must keep every
// bit of forming the full matrix and eliminating it, pivoting included, and
// end with the same failure.
TEST_F(NewtonStepTest, BandedHessiansGiveTheFullMatrixStepBitForBit) {
    struct Case { const char* name; FunctionId function; int n; int start; Real tridiaAlpha; };
    const Case cases[] = {
        {"Rosenbrock, far", FunctionId::GeneralizedRosenbrock, 250, 0, 2},
        {"Rosenbrock, at 0 (-0 beside the diagonal)", FunctionId::GeneralizedRosenbrock, 201, 19, 2},
        {"Rosenbrock, -1...3", FunctionId::GeneralizedRosenbrock, 57, 26, 2},
        {"Rosenbrock, n = 2", FunctionId::GeneralizedRosenbrock, 2, 3, 2},
        {"TRIDIA", FunctionId::Tridia, 230, 25, 2},
        {"TRIDIA, alpha = -3", FunctionId::Tridia, 40, 22, -3},
        {"TRIDIA, alpha = 0 (-0 beside the diagonal)", FunctionId::Tridia, 9, 22, 0},
        {"DIXON3DQ", FunctionId::Dixon3dq, 203, 24, 2},
        {"DIXON3DQ, n = 1", FunctionId::Dixon3dq, 1, 20, 2},
        {"ellipsoid", FunctionId::AxisEllipsoid, 77, 27, 2},
        {"QF1", FunctionId::Qf1, 31, 28, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Prepare(c.function, c.n);
        s.Params.TridiaAlpha = c.tridiaAlpha;
        s.IterCount = 3;
        At(BuildStartPoint(c.start, c.n));
        MyArray1 fromBand = NewVector(c.n);
        const std::string bandError = ErrorOf<std::exception>([&] { RunNewtonStep(s, fromBand); });
        ASSERT_TRUE(s.HMatrix.rows() == 0 || s.HMatrix[c.n][c.n] == 0.0L) << "the full matrix was written";
        MyArray1 full = NewVector(c.n);
        const std::string fullError = ErrorOf<std::exception>([&] {
            FillHessianMatrix(c.function, c.n, s.Params, s.U, s.HMatrix);
            RunGaussSolve(s, full);
            CheckNewtonDescent(c.n, s.IterCount, s.GradJ, full);
        });
        // The varying Hessian names every failure its own way.
        if (c.function != FunctionId::GeneralizedRosenbrock || fullError == "no exception") {
            EXPECT_EQ(bandError, fullError);
        }
        for (int i = 1; i <= c.n; ++i) ASSERT_EQ(std::memcmp(&fromBand[i], &full[i], 10), 0) << "i " << i;
    }
}

} // namespace
} // namespace tarvik
