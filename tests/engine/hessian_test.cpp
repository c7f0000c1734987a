// Analytic Hessians against differences of the analytic gradient, and the
// classical Newton step with its guards and sign checks.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "core/errors.h"
#include "core/function_catalogue.h"
#include "core/hessian.h"
#include "core/newton_step.h"
#include "core/objective.h"
#include "newton_fixture.h"
#include "recording_host.h"

namespace tarvik {
namespace {

using testing::RecordingHost;

struct HessianFixture : testing::NewtonFamilyFixture {
    void SetPoint(std::initializer_list<Real> values) {
        int i = 1;
        for (Real v : values)
            if (i <= s.N) s.U[i++] = v;
        EvalGrad(s, s.FunctionCode, s.U, s.GradJ, s.GradNorm);
    }

    // The Hessian as NewtonStep forms it, as a full matrix.
    MyArray2 AnalyticHessian() {
        const int n = s.N;
        MyArray2 H = NewMatrix(n);
        if (Traits(s.FunctionCode).hessian == HessianShape::TwoByTwo) {
            const Hessian2 h = TwoDimensionalHessian(s.FunctionCode, s.U);
            H[1][1] = h[0]; H[1][2] = h[1]; H[2][1] = h[2]; H[2][2] = h[3];
        } else {
            FillHessianMatrix(s, s.FunctionCode, s.U, H);
        }
        return H;
    }

    // Central differences of the analytic gradient, column by column.
    MyArray2 DifferenceHessian(Real h) {
        const int n = s.N;
        MyArray2 H = NewMatrix(n);
        MyArray1 gp = NewVector(n), gm = NewVector(n);
        Real norm = 0;
        for (int j = 1; j <= n; ++j) {
            MyArray1 v = s.U;
            v[j] = s.U[j] + h;
            EvalGrad(s, s.FunctionCode, v, gp, norm);
            v[j] = s.U[j] - h;
            EvalGrad(s, s.FunctionCode, v, gm, norm);
            for (int i = 1; i <= n; ++i) H[i][j] = (gp[i] - gm[i]) / (2 * h);
        }
        return H;
    }
};

void ExpectMatricesClose(const MyArray2& a, const MyArray2& b, int n, double relTol, const std::string& what) {
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) {
            const double x = static_cast<double>(a[i][j]);
            const double y = static_cast<double>(b[i][j]);
            EXPECT_NEAR(x, y, relTol * std::max(1.0, std::fabs(y))) << what << " entry " << i << "," << j;
        }
}

TEST_F(HessianFixture, EveryAnalyticHessianMatchesDifferencesOfTheGradient) {
    std::mt19937 gen(11);
    std::uniform_real_distribution<double> dist(-2.0, 2.0);
    for (const FunctionTraits& f : FunctionList()) {
        if (f.fromFiles) continue;
        const FunctionId code = f.id;
        for (int n : {2, 3, 4, 10}) {
            if (f.twoDimensionalOnly && n > 2) continue;
            Prepare(code, n);
            for (int trial = 0; trial < 3; ++trial) {
                for (int i = 1; i <= n; ++i) s.U[i] = dist(gen);
                const std::string what = "code " + std::to_string(int(code)) + " n " + std::to_string(n);
                ExpectMatricesClose(AnalyticHessian(), DifferenceHessian(1e-5L), n, 1e-6, what);
            }
        }
    }
}

TEST_F(HessianFixture, TridiaHessianWithNonDefaultParametersMatchesDifferences) {
    Prepare(FunctionId::Tridia, 5);
    s.Params.TridiaAlpha = 1.5L;
    s.Params.TridiaBeta = -0.7L;
    s.Params.TridiaDelta = 3;
    s.Params.TridiaGamma = 0.25L;
    SetPoint({0.3L, -1, 2, 0.5L, 1});
    ExpectMatricesClose(AnalyticHessian(), DifferenceHessian(1e-5L), 5, 1e-9, "tridia");
}

TEST_F(HessianFixture, TridiaWithDefaultParametersInTwoDimensions) {
    Prepare(FunctionId::Tridia, 2);
    MyArray2 H = NewMatrix(2);
    TridiaHessian(s, H);
    EXPECT_EQ(H[1][1], 6.0L);
    EXPECT_EQ(H[1][2], -8.0L);
    EXPECT_EQ(H[2][1], -8.0L);
    EXPECT_EQ(H[2][2], 16.0L);
}

TEST_F(HessianFixture, QuadraticHessiansOverwriteWhatTheMatrixHeldBefore) {
    // The method's matrix is reused from iteration to iteration: stale
    // entries must never survive into a sparse Hessian.
    for (FunctionId code : {FunctionId::AxisEllipsoid, FunctionId::QuadraticVarnel, FunctionId::AxisEllipsoidSin, FunctionId::Qf1, FunctionId::Dixon3dq, FunctionId::GeneralizedRosenbrock}) {
        for (int n : {2, 3, 5}) {
            Prepare(code, n);
            SetPoint({0.5L, 0.25L, -1, 2, 1});
            for (int i = 1; i <= n; ++i)
                for (int j = 1; j <= n; ++j) s.HMatrix[i][j] = 99;
            FillHessianMatrix(s, code, s.U, s.HMatrix);
            ExpectMatricesClose(s.HMatrix, DifferenceHessian(1e-5L), n, 1e-6,
                                "stale code " + std::to_string(int(code)) + " n " + std::to_string(n));
        }
    }
}

TEST_F(HessianFixture, RosenbrockNewtonStepFromTheClassicStart) {
    Prepare(FunctionId::Rosenbrock, 2);
    SetPoint({-1.2L, 1});
    NewtonStep(s, FunctionId::Rosenbrock, s.Dir);
    // -1.2 is not a binary fraction, so the entries are exact only to rounding.
    EXPECT_NEAR(static_cast<double>(s.Hess2x2[0]), 1330.0, 1e-12);
    EXPECT_NEAR(static_cast<double>(s.Hess2x2[1]), 480.0, 1e-12);
    EXPECT_NEAR(static_cast<double>(s.Hess2x2[2]), 480.0, 1e-12);
    EXPECT_EQ(s.Hess2x2[3], 200.0L);
    // d = H^-1 g = (-880, -13552) / 35600; the new point is U - d.
    EXPECT_NEAR(static_cast<double>(s.Dir[1]), -880.0 / 35600.0, 1e-15);
    EXPECT_NEAR(static_cast<double>(s.Dir[2]), -13552.0 / 35600.0, 1e-15);
    EXPECT_NEAR(static_cast<double>(s.U[1] - s.Dir[1]), -1.17528, 1e-5);
    EXPECT_NEAR(static_cast<double>(s.U[2] - s.Dir[2]), 1.38067, 1e-5);
}

TEST_F(HessianFixture, SaddleStepIsTakenWhereGradientAndStepAgree) {
    Prepare(FunctionId::Saddle, 2);
    SetPoint({1, 1});
    NewtonStep(s, FunctionId::Saddle, s.Dir);
    EXPECT_EQ(s.Dir[1], 1.0L);
    EXPECT_EQ(s.Dir[2], 1.0L);
}

TEST_F(HessianFixture, SaddleStepAgainstTheGradientIsARecoverableFailure) {
    Prepare(FunctionId::Saddle, 2);
    SetPoint({0.1L, 1});
    for (int iteration : {0, 7}) {
        s.IterCount = iteration;
        try {
            NewtonStep(s, FunctionId::Saddle, s.Dir);
            FAIL() << "no exception";
        } catch (const ENotSoBadError& e) {
            EXPECT_EQ(std::string(e.what()), "Hessian<0 ! (Iteration=" + std::to_string(iteration) + ").");
        }
        // The step stays where the failure left it.
        EXPECT_NEAR(static_cast<double>(s.Dir[1]), 0.1, 1e-18);
        EXPECT_EQ(s.Dir[2], 1.0L);
    }
}

TEST_F(HessianFixture, ZeroGradientGivesAZeroStepAndEndsTheRun) {
    Prepare(FunctionId::CubicVarnel, 2);
    s.IterCount = 4;
    SetPoint({0, 0});
    try {
        NewtonStep(s, FunctionId::CubicVarnel, s.Dir);
        FAIL() << "no exception";
    } catch (const EBadError& e) {
        EXPECT_STREQ(e.what(), "Hessian=0 ! (Iteration=4).");
    }
}

TEST_F(HessianFixture, SingularTwoByTwoHessianIsAnEvaluationError) {
    // Himmelblau 2 at (0, 0.5): h11 = h12 = 0, so the determinant is 0.
    Prepare(FunctionId::Himmelblau2, 2);
    SetPoint({0, 0.5L});
    try {
        NewtonStep(s, FunctionId::Himmelblau2, s.Dir);
        FAIL() << "no exception";
    } catch (const EBadError& e) {
        EXPECT_STREQ(e.what(), "Error! Hessian=0: Himmelblau 2 (n=2)");
    }
}

TEST_F(HessianFixture, OverflowingTwoByTwoHessianIsAnEvaluationError) {
    Prepare(FunctionId::Rosenbrock, 2);
    s.U[1] = 1e2500L;
    s.U[2] = 1;
    s.GradJ[1] = 1;
    s.GradJ[2] = 1;
    try {
        NewtonStep(s, FunctionId::Rosenbrock, s.Dir);
        FAIL() << "no exception";
    } catch (const EBadError& e) {
        EXPECT_STREQ(e.what(), "Error! Hessian=0: Rosenbrock (n=2)");
    }
}

TEST_F(HessianFixture, GeneralizedRosenbrockReportsEveryFailureAsAHessianEvaluationError) {
    Prepare(FunctionId::GeneralizedRosenbrock, 3);
    s.U[1] = 1e2500L;
    s.GradJ[1] = 1;
    try {
        NewtonStep(s, FunctionId::GeneralizedRosenbrock, s.Dir);
        FAIL() << "no exception";
    } catch (const EBadError& e) {
        EXPECT_STREQ(e.what(), "Error in evaluation of Hessein: Generalized Rosenbrock (n>=2)");
    }

    // A zero pivot, recoverable for the quadratics, ends the run here. At
    // u = (0, y) with 400*y rounding to exactly 2 the first row is zero.
    Prepare(FunctionId::GeneralizedRosenbrock, 2);
    Real y = 0.005L;
    for (int k = 0; k < 64 && (0 - 2 * y) * 200 + 2 != 0; ++k) y = std::nextafter(y, 1.0L);
    ASSERT_EQ((0 - 2 * y) * 200 + 2, 0.0L);
    s.U[1] = 0;
    s.U[2] = y;
    s.GradJ[1] = 1;
    s.GradJ[2] = 1;
    try {
        NewtonStep(s, FunctionId::GeneralizedRosenbrock, s.Dir);
        FAIL() << "no exception";
    } catch (const EBadError& e) {
        EXPECT_STREQ(e.what(), "Error in evaluation of Hessein: Generalized Rosenbrock (n>=2)");
    }
}

TEST_F(HessianFixture, ZeroPivotOfAQuadraticHessianStaysRecoverable) {
    // HILBERT (b) with d chosen so that the 1x1 diagonal vanishes.
    Prepare(FunctionId::HilbertB, 1);
    s.Params.HilbertD = -0.5L;
    s.U[1] = 1;
    s.GradJ[1] = 1;
    s.IterCount = 2;
    try {
        NewtonStep(s, FunctionId::HilbertB, s.Dir);
        FAIL() << "no exception";
    } catch (const ENotSoBadError& e) {
        EXPECT_STREQ(e.what(), "Hessian matrix is 0! (Iterate=2).");
    }
}

Real MinimumComponent(FunctionId code, int i, int n) {
    switch (Traits(code).minimum) {
    case tarvik::KnownMinimum::Ones: return 1;
    case tarvik::KnownMinimum::SineShiftPlusOne: return SinShift(i, n) + 1;
    case tarvik::KnownMinimum::SineShift: return SinShift(i, n);
    case tarvik::KnownMinimum::LastComponent: return i < n ? 0 : 1.0L / n;
    case tarvik::KnownMinimum::Solved: return std::ldexp(1.0L, 1 - i);
    default: return 0;
    }
}

TEST_F(HessianFixture, OneNewtonStepReachesTheMinimumOfEveryBuiltInQuadratic) {
    std::mt19937 gen(3);
    std::uniform_real_distribution<double> dist(-3.0, 3.0);
    for (int c = 6; c <= 16; ++c) {
        const FunctionId code = FunctionId(c);
        for (int n : {2, 3, 10}) {
            Prepare(code, n);
            for (int i = 1; i <= n; ++i) s.U[i] = dist(gen);
            EvalGrad(s, code, s.U, s.GradJ, s.GradNorm);
            NewtonStep(s, code, s.Dir);
            // HILBERT (a) of order 10 has condition about 1e13.
            const double tol = (code == FunctionId::HilbertA && n == 10) ? 1e-5 : 1e-14;
            for (int i = 1; i <= n; ++i)
                EXPECT_NEAR(static_cast<double>(s.U[i] - s.Dir[i]), static_cast<double>(MinimumComponent(code, i, n)), tol)
                    << "code " << int(code) << " n " << n << " i " << i;
        }
    }
}

TEST_F(HessianFixture, QuadraticFromFilesSolvesWithItsMatrixAndLeavesHMatrixAlone) {
    Prepare(FunctionId::QuadraticFromFiles, 2);
    s.Quad.QuadA = NewMatrix(2);
    s.Quad.QuadA[1][1] = 4; s.Quad.QuadA[1][2] = 1;
    s.Quad.QuadA[2][1] = 1; s.Quad.QuadA[2][2] = 3;
    s.Quad.QuadB = NewVector(2);
    s.Quad.QuadB[1] = 1; s.Quad.QuadB[2] = 2;
    s.Quad.QuadAu = NewVector(2);
    SetPoint({1, 1});
    NewtonStep(s, FunctionId::QuadraticFromFiles, s.Dir);
    // Minimum of 1/2 u'Au + b'u: A u* = -b, u* = (-1, -7)/11.
    EXPECT_NEAR(static_cast<double>(s.U[1] - s.Dir[1]), -1.0 / 11.0, 1e-17);
    EXPECT_NEAR(static_cast<double>(s.U[2] - s.Dir[2]), -7.0 / 11.0, 1e-17);
    EXPECT_EQ(s.HMatrix[1][1], 0.0L);
}

} // namespace
} // namespace tarvik
