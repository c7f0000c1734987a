// Finite-difference Newton, inexact Newton-CG and the trust region: their
// steps, their evaluation counts and the state they leave behind.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/errors.h"
#include "core/function_catalogue.h"
#include "core/newton_methods.h"
#include "core/newton_step.h"
#include "core/objective.h"
#include "newton_fixture.h"
#include "recording_host.h"

namespace tarvik {
namespace {

using testing::RecordingHost;

struct NewtonFixture : testing::NewtonFamilyFixture {
    // U := point; JCur, GradJ and GradNorm as the driver leaves them.
    void At(const MyArray1& point) {
        for (int i = 1; i <= s.N; ++i) s.U[i] = point[i];
        s.UPrev = s.U;
        s.JCur = EvalJ(s, s.FunctionCode, s.U);
        EvalGrad(s, s.FunctionCode, s.U, s.GradJ, s.GradNorm);
        s.EvalCount = 0;
    }

    MyArray1 Point(std::initializer_list<Real> values) {
        MyArray1 v = NewVector(s.N);
        int i = 1;
        for (Real x : values)
            if (i <= s.N) v[i++] = x;
        return v;
    }

    MyArray1 ClassicalStep() {
        MyArray1 d = NewVector(s.N);
        NewtonStep(s, s.FunctionCode, d);
        return d;
    }

    void LoadQuadratic(std::initializer_list<std::initializer_list<Real>> a, std::initializer_list<Real> b) {
        const int n = s.N;
        s.Quad.QuadA = NewMatrix(n);
        s.Quad.QuadB = NewVector(n);
        s.Quad.QuadAu = NewVector(n);
        int i = 1;
        for (const auto& row : a) {
            int j = 1;
            for (Real x : row) s.Quad.QuadA[i][j++] = x;
            ++i;
        }
        i = 1;
        for (Real x : b) s.Quad.QuadB[i++] = x;
    }
};

Real Norm(const MyArray1& v) {
    Real sum = 0;
    for (std::size_t i = 1; i < v.size(); ++i) sum += v[i] * v[i];
    return std::sqrt(sum);
}

void ExpectClose(const MyArray1& a, const MyArray1& b, double relTol, const std::string& what) {
    for (std::size_t i = 1; i < a.size(); ++i)
        EXPECT_NEAR(static_cast<double>(a[i]), static_cast<double>(b[i]),
                    relTol * std::max(1.0, std::fabs(static_cast<double>(b[i]))))
            << what << " component " << i;
}

// ---- finite-difference Newton ----

TEST_F(NewtonFixture, FdNewtonFirstStepMatchesTheClassicalStepOnQuadratics) {
    for (FunctionId code : {FunctionId::Schwefel12, FunctionId::QuadraticVarnel, FunctionId::Tridia, FunctionId::Dixon3dq, FunctionId::HilbertB}) {
        for (int n : {2, 3, 6}) {
            Prepare(code, n);
            At(Point({1.5L, -0.5L, 2, 0.25L, -1, 3}));
            const MyArray1 classical = ClassicalStep();
            FdNewtonStep(s, code, s.Dir);
            ExpectClose(s.Dir, classical, 1e-7, "code " + std::to_string(int(code)) + " n " + std::to_string(n));
            EXPECT_EQ(s.EvalCount, n);
        }
    }
}

TEST_F(NewtonFixture, FdNewtonOnGeneralizedRosenbrockIsCloseToTheClassicalStep) {
    Prepare(FunctionId::GeneralizedRosenbrock, 4);
    At(Point({-1.2L, 1, 0.5L, 0.8L}));
    const MyArray1 classical = ClassicalStep();
    FdNewtonStep(s, FunctionId::GeneralizedRosenbrock, s.Dir);
    ExpectClose(s.Dir, classical, 1e-5, "rosenbrock");
}

TEST_F(NewtonFixture, FdNewtonSymmetrisesItsMatrixAndRestoresGradientAndNorm) {
    Prepare(FunctionId::GeneralizedRosenbrock, 3);
    At(Point({1.1L, 1.2L, 1.4L}));
    const MyArray1 g = s.GradJ;
    const Real gnorm = s.GradNorm;
    const MyArray1 u = s.U;
    FdNewtonStep(s, FunctionId::GeneralizedRosenbrock, s.Dir);
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) EXPECT_EQ(s.HMatrix[i][j], s.HMatrix[j][i]);
    EXPECT_EQ(s.GradJ, g);
    EXPECT_EQ(s.GradNorm, gnorm);
    EXPECT_EQ(s.U, u);
}

TEST_F(NewtonFixture, FdNewtonOnTheQuadraticFromFilesSolvesWithTheFileMatrix) {
    Prepare(FunctionId::QuadraticFromFiles, 2);
    LoadQuadratic({{4, 1}, {1, 3}}, {1, 2});
    At(Point({1, 1}));
    const MyArray1 classical = ClassicalStep();
    FdNewtonStep(s, FunctionId::QuadraticFromFiles, s.Dir);
    EXPECT_EQ(s.Dir, classical);
    EXPECT_EQ(s.EvalCount, 2);
}

TEST_F(NewtonFixture, FdNewtonFailureLeavesTheBaseGradient) {
    Prepare(FunctionId::Saddle, 2);
    At(Point({0.1L, 1}));
    s.IterCount = 2;
    const MyArray1 g = s.GradJ;
    const Real gnorm = s.GradNorm;
    try {
        FdNewtonStep(s, FunctionId::Saddle, s.Dir);
        FAIL() << "no exception";
    } catch (const ENotSoBadError& e) {
        EXPECT_STREQ(e.what(), "Hessian<0 ! (Iteration=2).");
    }
    // The failure dialog's steepest step starts from these.
    EXPECT_EQ(s.GradJ, g);
    EXPECT_EQ(s.GradNorm, gnorm);
}

// ---- Stop inside the long loops ----

// Stop pressed at the k-th event pump ends the step with "Terminated by
// user" after k*n sub-steps or k-1 Hessian columns; at every pump the run
// stands at its base point, where a Stop closes the iteration.
TEST_F(NewtonFixture, LongInnerLoopsPumpEventsAndHonourStop) {
    struct Case { const char* name; int n; int k; int evaluations; void (*step)(RunState&); };
    const Case cases[] = {
        {"inexact Newton-CG, tiny forcing constant", 50, 3, 3 * 50 - 1,
         [](RunState& s) { InexactNewtonStep(s, FunctionId::GeneralizedRosenbrock, s.Dir, s.DirNorm); }},
        {"difference Hessian", 6, 4, 3, [](RunState& s) { FdNewtonStep(s, FunctionId::GeneralizedRosenbrock, s.Dir); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Prepare(FunctionId::GeneralizedRosenbrock, c.n);
        MyArray1 start = NewVector(c.n);
        for (int i = 1; i <= c.n; ++i) start[i] = i % 2 ? -0.2L : -1.4L;
        At(start);
        s.Params.NewtonCgForcingC = 1e-100L;
        s.Params.MaxSubIter = 1000;  // without a pump the step would return
        const MyArray1 u = s.U, g = s.GradJ;
        const Real gnorm = s.GradNorm;
        int pumps = 0;
        bool atBase = true;
        host.onProcessEvents = [&] {
            atBase = atBase && s.U == u && s.GradJ == g && s.GradNorm == gnorm;
            if (++pumps == c.k) s.StopRequested = 1;
        };
        try {
            c.step(s);
            ADD_FAILURE() << "no exception";
        } catch (const EBadError& e) {
            EXPECT_STREQ(e.what(), "Terminated by user");
        }
        EXPECT_EQ(pumps, c.k);
        EXPECT_EQ(s.EvalCount, c.evaluations);
        EXPECT_TRUE(atBase);
        EXPECT_EQ(s.U, u);
        EXPECT_EQ(s.GradJ, g);
    }
}

// ---- inexact Newton-CG ----

TEST_F(NewtonFixture, InexactNewtonSolvesAQuadraticWithinNSubIterations) {
    const int n = 8;
    Prepare(FunctionId::AxisEllipsoid, n);
    s.Params.NewtonCgForcingC = 1e-30L;
    At(Point({1, -2, 3, -1, 0.5L, 2, -0.25L, 1}));
    InexactNewtonStep(s, FunctionId::AxisEllipsoid, s.Dir, s.DirNorm);
    EXPECT_LE(s.SubIterCount, n);
    EXPECT_EQ(s.EvalCount, s.SubIterCount);
    for (int i = 1; i <= n; ++i) EXPECT_NEAR(static_cast<double>(s.U[i] - s.Dir[i]), 0.0, 1e-9) << i;
    EXPECT_EQ(s.DirNorm, Norm(s.Dir));
}

TEST_F(NewtonFixture, InexactNewtonStopsAtTheForcingTerm) {
    const int n = 8;
    Prepare(FunctionId::AxisEllipsoid, n);
    At(Point({1, -2, 3, -1, 0.5L, 2, -0.25L, 1}));
    InexactNewtonStep(s, FunctionId::AxisEllipsoid, s.Dir, s.DirNorm);
    // The residual of the returned step, r = g - H d, meets the test
    // (r.r)^2 <= eta |g| with eta = min(sqrt|g|, c).
    Real rr = 0;
    for (int i = 1; i <= n; ++i) {
        const Real r = s.GradJ0[i] - 2 * i * s.Dir[i];
        rr += r * r;
    }
    const Real eta = std::min(std::sqrt(s.GradNorm0), s.Params.NewtonCgForcingC);
    EXPECT_LE(static_cast<double>(rr * rr), static_cast<double>(eta * s.GradNorm0) * (1 + 1e-6));
    EXPECT_LT(s.SubIterCount, n);
}

TEST_F(NewtonFixture, InexactNewtonWithOneSubIterationIsAScaledSteepestStep) {
    Prepare(FunctionId::QuadraticVarnel, 4);
    s.Params.MaxSubIter = 1;
    At(Point({1, 2, -1, 0.5L}));
    const MyArray1 g = s.GradJ;
    MyArray1 hg = NewVector(4);
    {
        NewtonStep(s, FunctionId::QuadraticVarnel, s.Dir);  // fills HMatrix with the constant Hessian
        for (int i = 1; i <= 4; ++i)
            for (int j = 1; j <= 4; ++j) hg[i] += s.HMatrix[i][j] * g[j];
    }
    Real gg = 0, ghg = 0;
    for (int i = 1; i <= 4; ++i) {
        gg += g[i] * g[i];
        ghg += g[i] * hg[i];
    }
    s.EvalCount = 0;
    InexactNewtonStep(s, FunctionId::QuadraticVarnel, s.Dir, s.DirNorm);
    EXPECT_EQ(s.SubIterCount, 1);
    EXPECT_EQ(s.EvalCount, 1);
    MyArray1 expected = NewVector(4);
    for (int i = 1; i <= 4; ++i) expected[i] = gg / ghg * g[i];
    ExpectClose(s.Dir, expected, 1e-9, "scaled steepest");
}

TEST_F(NewtonFixture, InexactNewtonReturnsWithTheBasePointRestored) {
    Prepare(FunctionId::GeneralizedRosenbrock, 5);
    At(Point({-1.2L, 1, -1.2L, 1, 0.9L}));
    const MyArray1 u = s.U, g = s.GradJ;
    const Real gnorm = s.GradNorm;
    s.SegmentColour = clSteepestStep;
    InexactNewtonStep(s, FunctionId::GeneralizedRosenbrock, s.Dir, s.DirNorm);
    EXPECT_EQ(s.U, u);
    EXPECT_EQ(s.GradJ, g);
    EXPECT_EQ(s.GradNorm, gnorm);
    EXPECT_EQ(s.U0, u);
    EXPECT_EQ(s.GradJ0, g);
    EXPECT_EQ(s.GradNorm0, gnorm);
    EXPECT_EQ(s.SegmentColour, clTrajectory);
    EXPECT_GT(s.DirNorm, 0);
}

TEST_F(NewtonFixture, InexactNewtonNegativeCurvatureLeavesTheBasePointAndTheGradientAsStep) {
    // Saddle at (0.1, 10): p = -g = (-1, 20), p.Hp = 10 - 800 < 0.
    Prepare(FunctionId::Saddle, 2);
    At(Point({0.1L, 10}));
    s.IterCount = 6;
    const MyArray1 u = s.U, g = s.GradJ;
    const Real gnorm = s.GradNorm;
    try {
        InexactNewtonStep(s, FunctionId::Saddle, s.Dir, s.DirNorm);
        FAIL() << "no exception";
    } catch (const ENotSoBadError& e) {
        EXPECT_STREQ(e.what(), "Hessian<0 ! (Iteration=6).");
    }
    EXPECT_EQ(s.Dir, g);
    EXPECT_EQ(s.DirNorm, gnorm);
    EXPECT_EQ(s.U, u);
    EXPECT_EQ(s.GradJ, g);
    EXPECT_EQ(s.GradNorm, gnorm);
}

TEST_F(NewtonFixture, InexactNewtonZeroCurvatureEndsTheRunFromTheBasePoint) {
    // A linear function from files: the gradient never changes, p.Hp = 0.
    Prepare(FunctionId::QuadraticFromFiles, 2);
    LoadQuadratic({{0, 0}, {0, 0}}, {1, -3});
    At(Point({2, 5}));
    s.IterCount = 1;
    const MyArray1 u = s.U, g = s.GradJ;
    try {
        InexactNewtonStep(s, FunctionId::QuadraticFromFiles, s.Dir, s.DirNorm);
        FAIL() << "no exception";
    } catch (const EBadError& e) {
        EXPECT_STREQ(e.what(), "Hessian=0 ! (Iteration=1).");
    }
    EXPECT_EQ(s.Dir, g);
    EXPECT_EQ(s.U, u);
    EXPECT_EQ(s.GradJ, g);
}

TEST_F(NewtonFixture, InexactNewtonShowsSubIterationsForLargeN) {
    Prepare(FunctionId::AxisEllipsoid, 1000);
    s.Params.MaxSubIter = 2;
    MyArray1 p = NewVector(1000);
    for (int i = 1; i <= 1000; ++i) p[i] = 1;
    At(p);
    s.IterCount = 4;
    host.statuses.clear();
    InexactNewtonStep(s, FunctionId::AxisEllipsoid, s.Dir, s.DirNorm);
    auto count = [&](const std::string& text) { return std::count(host.statuses.begin(), host.statuses.end(), text); };
    EXPECT_EQ(count(" Working... 5/1"), 1);
    EXPECT_EQ(count(" Working... 5/2"), 1);
    EXPECT_EQ(count(" Working... 5/3"), 0);
    EXPECT_EQ(host.statuses.back(), " Working... ");
}

// ---- trust region ----

TEST_F(NewtonFixture, TrustRegionTakesTheFullNewtonStepInsideTheRadius) {
    Prepare(FunctionId::Rosenbrock, 2);
    At(Point({-1.2L, 1}));
    const MyArray1 newton = ClassicalStep();
    Real radius = 1;
    TrustRegionStep(s, FunctionId::Rosenbrock, s.Dir, radius);
    EXPECT_EQ(s.Dir, newton);
    EXPECT_EQ(radius, 1.0L);
    EXPECT_EQ(s.EvalCount, 1);
}

TEST_F(NewtonFixture, TrustRegionDoublesTheRadiusWhenTheModelIsGood) {
    // A quadratic: the model is exact, rho = 1.
    Prepare(FunctionId::AxisEllipsoid, 2);
    At(Point({10, 10}));
    Real radius = 0.25L;
    TrustRegionStep(s, FunctionId::AxisEllipsoid, s.Dir, radius);
    EXPECT_EQ(radius, 0.5L);
    EXPECT_NEAR(static_cast<double>(Norm(s.Dir)), 0.5, 1e-18);
    EXPECT_EQ(s.EvalCount, 1);

    // Bounded by maxRadius.
    At(Point({10, 10}));
    radius = 0.75L;
    TrustRegionStep(s, FunctionId::AxisEllipsoid, s.Dir, radius);
    EXPECT_EQ(radius, 1.0L);
    EXPECT_NEAR(static_cast<double>(Norm(s.Dir)), 1.0, 1e-18);
}

TEST_F(NewtonFixture, TrustRegionGivesUpAfterThreeReductionsWithoutAFourthTrial) {
    // Cubic at (-0.5, -2.15): the Newton step, cut to the radius 1, and its
    // reductions to 1/4 and 1/16 all fail the acceptance test.
    Prepare(FunctionId::CubicVarnel, 2);
    At(Point({-0.5L, -2.15L}));
    const MyArray1 newton = ClassicalStep();
    const Real newtonLength = Norm(newton);
    ASSERT_GT(newtonLength, 1);
    Real radius = 1;
    TrustRegionStep(s, FunctionId::CubicVarnel, s.Dir, radius);
    EXPECT_EQ(s.EvalCount, 3);
    EXPECT_EQ(radius, 1.0L / 64);
    MyArray1 expected = NewVector(2);
    for (int i = 1; i <= 2; ++i) expected[i] = newton[i] / newtonLength / 64;
    ExpectClose(s.Dir, expected, 1e-15, "eta^3 step");
}

TEST_F(NewtonFixture, TrustRatioUsesTheHessianOfThisIteration) {
    // On quadratics the model is exact whichever matrix holds the Hessian:
    // the 2x2 store, HMatrix or the matrix from files.
    Prepare(FunctionId::Saddle, 2);
    At(Point({1, 1}));
    NewtonStep(s, FunctionId::Saddle, s.Dir);
    for (int i = 1; i <= 2; ++i) s.Dir[i] /= 4;
    EXPECT_NEAR(static_cast<double>(TrustRatio(s, FunctionId::Saddle, s.Dir)), 1.0, 1e-15);

    Prepare(FunctionId::QuadraticFromFiles, 2);
    LoadQuadratic({{4, 1}, {1, 3}}, {1, 2});
    At(Point({1, 1}));
    NewtonStep(s, FunctionId::QuadraticFromFiles, s.Dir);
    for (int i = 1; i <= 2; ++i) s.Dir[i] /= 3;
    EXPECT_NEAR(static_cast<double>(TrustRatio(s, FunctionId::QuadraticFromFiles, s.Dir)), 1.0, 1e-15);
    EXPECT_EQ(s.U[1], s.UPrev[1] - s.Dir[1]);
}

TEST_F(NewtonFixture, TrustRatioWithoutPredictedChangeEndsTheRun) {
    Prepare(FunctionId::AxisEllipsoid, 2);
    At(Point({1, 1}));
    NewtonStep(s, FunctionId::AxisEllipsoid, s.Dir);
    MyArray1 zero = NewVector(2);
    try {
        TrustRatio(s, FunctionId::AxisEllipsoid, zero);
        FAIL() << "no exception";
    } catch (const EBadError& e) {
        EXPECT_STREQ(e.what(), "STEP-SIZE=0.");
    }
    EXPECT_EQ(s.Step, 0.0L);
}

} // namespace
} // namespace tarvik
