// Finite-difference Newton, inexact Newton-CG and the trust region: their
// failures, their bounds, Stop, and the state they leave behind.
#include "core/newton_methods.h"

#include <cmath>

#include "app/direction_rules.h"
#include "core/errors.h"
#include "core/function_catalogue.h"
#include "core/method_catalogue.h"
#include "run_state_fixture.h"

namespace tarvik {
namespace {

using testing::ErrorOf;
using testing::V;

using NewtonTest = testing::RunStateTest;

Real Norm(const MyArray1& v) {
    Real sum = 0;
    for (std::size_t i = 1; i < v.size(); ++i) sum += v[i] * v[i];
    return std::sqrt(sum);
}

TEST_F(NewtonTest, FdNewtonOnTheQuadraticFromFilesSolvesWithTheFileMatrix) {
    Prepare(FunctionId::QuadraticFromFiles, 2);
    LoadQuadratic(4, 1, 3, V({1, 2}));
    At(V({1, 1}));
    MyArray1 classical = NewVector(2);
    RunNewtonStep(s, classical);
    RunFdNewtonStep(s);
    EXPECT_EQ(s.Dir, classical);
    EXPECT_EQ(Evaluations(), 2);
}

TEST_F(NewtonTest, FdNewtonFailureLeavesTheBaseGradient) {
    Prepare(FunctionId::Saddle, 2);
    At(V({0.1L, 1}));
    s.IterCount = 2;
    const MyArray1 g = s.GradJ;
    const Real gnorm = s.GradNorm;
    EXPECT_EQ(ErrorOf<ENotSoBadError>([&] { RunFdNewtonStep(s); }), "Hessian<0 ! (Iteration=2).");
    // The failure dialog's steepest step starts from these.
    EXPECT_EQ(s.GradJ, g);
    EXPECT_EQ(s.GradNorm, gnorm);
}

// Stop pressed at the k-th event pump ends the step with "Terminated by
// user" after k*n sub-steps or k-1 Hessian columns; at every pump the run
// stands at its base point, where a Stop closes the iteration.
TEST_F(NewtonTest, LongInnerLoopsPumpEventsAndHonourStop) {
    struct Case { const char* name; int n; int k; int evaluations; void (*step)(RunState&); };
    const Case cases[] = {
        {"inexact Newton-CG, tiny forcing constant", 50, 3, 3 * 50 - 1, RunInexactNewtonStep},
        {"difference Hessian", 6, 4, 3, RunFdNewtonStep},
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
        EXPECT_EQ(ErrorOf<EBadError>([&] { c.step(s); }), "Terminated by user");
        EXPECT_EQ(pumps, c.k);
        EXPECT_EQ(Evaluations(), c.evaluations);
        EXPECT_TRUE(atBase);
        EXPECT_EQ(s.U, u);
        EXPECT_EQ(s.GradJ, g);
    }
}

TEST_F(NewtonTest, InexactNewtonCurvatureFailuresLeaveTheBasePointAndTheGradientAsStep) {
    // Saddle at (0.1, 10): p = -g = (-1, 20), p.Hp = 10 - 800 < 0.
    Prepare(FunctionId::Saddle, 2);
    At(V({0.1L, 10}));
    s.IterCount = 6;
    MyArray1 u = s.U, g = s.GradJ;
    const Real gnorm = s.GradNorm;
    EXPECT_EQ(ErrorOf<ENotSoBadError>([&] { RunInexactNewtonStep(s); }), "Hessian<0 ! (Iteration=6).");
    EXPECT_EQ(s.Dir, g);
    EXPECT_EQ(s.DirNorm, gnorm);
    EXPECT_EQ(s.U, u);
    EXPECT_EQ(s.GradJ, g);
    EXPECT_EQ(s.GradNorm, gnorm);

    // A linear function from files: the gradient never changes, p.Hp = 0.
    Prepare(FunctionId::QuadraticFromFiles, 2);
    LoadQuadratic(0, 0, 0, V({1, -3}));
    At(V({2, 5}));
    s.IterCount = 1;
    u = s.U;
    g = s.GradJ;
    EXPECT_EQ(ErrorOf<EBadError>([&] { RunInexactNewtonStep(s); }), "Hessian=0 ! (Iteration=1).");
    EXPECT_EQ(s.Dir, g);
    EXPECT_EQ(s.U, u);
    EXPECT_EQ(s.GradJ, g);
}

TEST_F(NewtonTest, InexactNewtonShowsSubIterationsForLargeN) {
    Prepare(FunctionId::AxisEllipsoid, 1000);
    s.Params.MaxSubIter = 2;
    MyArray1 p = NewVector(1000);
    for (int i = 1; i <= 1000; ++i) p[i] = 1;
    At(p);
    s.IterCount = 4;
    host.statuses.clear();
    RunInexactNewtonStep(s);
    auto count = [&](const std::string& text) { return std::count(host.statuses.begin(), host.statuses.end(), text); };
    EXPECT_EQ(count(" Working... 5/1"), 1);
    EXPECT_EQ(count(" Working... 5/2"), 1);
    EXPECT_EQ(count(" Working... 5/3"), 0);
    EXPECT_EQ(host.statuses.back(), " Working... ");
}

TEST_F(NewtonTest, TrustRegionGivesUpAfterThreeReductionsWithoutAFourthTrial) {
    // Cubic at (-0.5, -2.15): the Newton step, cut to the radius 1, and its
    // reductions to 1/4 and 1/16 all fail the acceptance test.
    Prepare(FunctionId::CubicVarnel, 2);
    At(V({-0.5L, -2.15L}));
    MyArray1 newton = NewVector(2);
    RunNewtonStep(s, newton);
    const Real newtonLength = Norm(newton);
    ASSERT_GT(newtonLength, 1);
    s.TrustRadius = 1;
    RunTrustRegionStep(s);
    EXPECT_EQ(Evaluations(), 3);
    EXPECT_EQ(s.TrustRadius, 1.0L / 64);
    for (int i = 1; i <= 2; ++i)
        EXPECT_NEAR(static_cast<double>(s.Dir[i]), static_cast<double>(newton[i] / newtonLength / 64), 1e-15);
}

TEST_F(NewtonTest, TrustRatioUsesTheMatrixFromFilesAndNeedsAPredictedChange) {
    Prepare(FunctionId::QuadraticFromFiles, 2);
    LoadQuadratic(4, 1, 3, V({1, 2}));
    At(V({1, 1}));
    RunNewtonStep(s, s.Dir);
    for (int i = 1; i <= 2; ++i) s.Dir[i] /= 3;
    // On a quadratic the model is exact.
    EXPECT_NEAR(static_cast<double>(TrustRatio(*s.Problem, TrustModelOf(s), s.U, s.Dir, s.Step)), 1.0, 1e-15);
    EXPECT_EQ(s.U[1], s.UPrev[1] - s.Dir[1]);

    Prepare(FunctionId::AxisEllipsoid, 2);
    At(V({1, 1}));
    RunNewtonStep(s, s.Dir);
    EXPECT_EQ(ErrorOf<EBadError>([&] { TrustRatio(*s.Problem, TrustModelOf(s), s.U, V({0, 0}), s.Step); }), "STEP-SIZE=0.");
    EXPECT_EQ(s.Step, 0.0L);
}

TEST_F(NewtonTest, TheTrustRegionFindsItsHessianAsFormedAfterTheSolve) {
    // The elimination works in HMatrix; the model must still see the Hessian.
    for (const FunctionId function : {FunctionId::QuadraticVarnel, FunctionId::GeneralizedRosenbrock}) {
        Prepare(function, 6);
        s.MethodCode = MethodId::TrustRegion;
        At(V({1.1L, 0.9L, 1.05L, 1, 0.95L, 1.02L}));
        RunNewtonStep(s, s.Dir);
        MyArray2 fresh = NewMatrix(6);
        FillHessianMatrix(function, 6, s.Params, s.U, fresh);
        const TrustModel model = TrustModelOf(s);
        for (int i = 1; i <= 6; ++i)
            for (int j = 1; j <= 6; ++j) {
                const Real seen = model.band != nullptr ? model.band->Get(i, j) : Real(model.matrix[i][j]);
                EXPECT_EQ(seen, Real(fresh[i][j])) << Traits(function).key << " " << i << j;
            }
    }
}

} // namespace
} // namespace tarvik
