// The collinear-gradients methods: the collinearity measure, the
// sub-iterations with their evaluation counts and ending rules, the final
// steps, and whole runs of both variants through the driver.
#include <cmath>

#include "app/direction_rules.h"
#include "core/collinear_gradients.h"
#include "core/errors.h"
#include "core/function_catalogue.h"
#include "core/method_catalogue.h"
#include "core/number_format.h"
#include "run_state_fixture.h"

namespace tarvik {
namespace {

using testing::DriverRun;
using testing::RecordingHost;

constexpr FunctionId AxisParallel = FunctionId::AxisEllipsoid;   // J = sum i*u_i^2, gradJ = (2i*u_i)

struct CollinearFixture : ::testing::Test {
    RecordingHost host;
    RunState s{host};

    // The state as the driver leaves it after the first-iteration set-up,
    // with the default parameters and the base point ub.
    void Prepare(FunctionId function, int n, std::initializer_list<Real> ub, Real delta = 1e-5L) {
        s.N = n;
        s.FunctionCode = function;
        s.FunctionName = std::string(Traits(function).name);
        for (MyArray1* v : {&s.U, &s.UPrev, &s.U0, &s.UStar, &s.GradJ, &s.GradJ0, &s.GradJPrev, &s.Dir,
                            &s.DivGradVec, &s.DivGradVecPrev, &s.GradJSaved})
            *v = NewVector(n);
        int i = 1;
        for (Real x : ub) s.U0[i++] = x;
        s.CollDelta = delta;
        s.CollMinDist = 1e-15L * delta;
        s.CollThreshold = std::sqrt(Real(2)) * s.Params.CollC1;
        s.MaxSubIterColl = static_cast<int32_t>(
            std::nearbyint(std::fabs(std::log(s.Params.CollC1)) * std::log(Real(n)) * s.Params.CollC2));
        s.StopRequested = 0;
        s.ContinueRun = 1;
        s.U = s.U0;
        BuildRunObjective(s);
        s.JCur = s.Problem->Value(s.U);
        s.Problem->Gradient(s.U, s.GradJ, s.GradNorm);
        s.GradJ0 = s.GradJ;
        s.GradNorm0 = s.GradNorm;
        StartCollinearAtU0(s);
        BuildRunObjective(s);
    }
    int64_t Evaluations() const { return s.Problem->Evaluations(); }

    std::vector<std::string> StatusesStartingWith(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const auto& t : host.statuses)
            if (t.rfind(prefix, 0) == 0) found.push_back(t);
        return found;
    }
};

TEST_F(CollinearFixture, DivGVectorTakesTheSignRoundedToDoubleAndStopsAtAStationaryPoint) {
    Prepare(AxisParallel, 2, {0.5L, 0});       // g_b = (1, 0)
    // g_b . gv = -1e-400 is negative in extended precision but 0 in double.
    DivGVector(2, s.GradJ0, s.GradNorm0, testing::V({-1e-400L, 1}), 1, s.DivGradVec, s.Collinear);
    EXPECT_EQ(s.Collinear.sign, 1);
    DivGVector(2, s.GradJ0, s.GradNorm0, testing::V({-1e-300L, 1}), 1, s.DivGradVec, s.Collinear);
    EXPECT_EQ(s.Collinear.sign, -1);

    // A stationary trial point ends the sub-iterations without NaN.
    s.DivGradVec = testing::V({0.25L, -0.5L});
    s.Collinear.subIterDone = 0;
    DivGVector(2, s.GradJ0, s.GradNorm0, testing::V({0, 0}), 0, s.DivGradVec, s.Collinear);
    EXPECT_EQ(s.Collinear.subIterDone, 1);
    EXPECT_EQ(s.DivGradVec, testing::V({0.25L, -0.5L}));
}

TEST(CollinearRuns, ARunThatMeetsAStationaryPointEndsWithAZeroGradient) {
    // J = -|u|^2/2 from u° = (-0.1, ..., -0.1): the gradient is +0.1 in
    // every component, so the first corner, 0.2/sqrt(4) away, is the
    // stationary point 0 itself.
    DriverRun r(FunctionId::QuadraticFromFiles, 23, MethodId::CollinearDemo, "4");  // StartItem 23: all components -0.1
    r.s.N = 4;
    r.s.Quad.QuadA = NewMatrix(4);
    for (int i = 1; i <= 4; ++i) r.s.Quad.QuadA[i][i] = -1;
    r.s.Quad.QuadB = NewVector(4);
    r.Mode2();
    r.s.Params.CollDeltaDemo = 0.2L;  // the corner of 0.2/sqrt(4) from -0.1 is 0
    r.Start();
    EXPECT_TRUE(r.host.errors.empty());
    EXPECT_EQ(r.host.infos, std::vector<std::string>{"You are lucky!  gradJ=0 "});
    EXPECT_EQ(r.host.lines.back(), " Done. You are lucky!  gradJ=0");
}

struct SubIterationTest : CollinearFixture {
    MyArray1 q;
    void Start(FunctionId function, std::initializer_list<Real> ub, Real delta) {
        Prepare(function, 2, ub, delta);
        q = NewVector(2);
        RunSubIterationStart(s, s.GradJ, s.U);
        s.SubIterCount = 1;
        BuildRunObjective(s);
    }
};

TEST_F(SubIterationTest, APointWithinTheMinimalDistanceStopsAtOnce) {
    Start(FunctionId::Rosenbrock, {-1.2L, 1}, 0.5L);
    const MyArray1 dir = s.Dir;
    s.U = s.U0;                                    // v on u_b
    RunSubIteration(s, s.GradJ, s.U, q);
    EXPECT_EQ(s.Collinear.subIterDone, 1);
    EXPECT_EQ(Evaluations(), 0);
    EXPECT_EQ(s.Dir, dir);

    // Just outside 1e-15 * delta the sub-iteration goes on.
    Start(FunctionId::Rosenbrock, {-1.2L, 1}, 0.5L);
    s.U[1] = s.U0[1] + 1e-14L;
    s.U[2] = s.U0[2];
    RunSubIteration(s, s.GradJ, s.U, q);
    EXPECT_EQ(s.Collinear.subIterDone, 0);
    EXPECT_EQ(s.SubIterCount, 2);
}

TEST_F(SubIterationTest, AProbeLostInRoundingGrowsTheDifferentiationStep) {
    Prepare(AxisParallel, 2, {1, 1}, 1e-5L);   // g_b = (2, 4)
    q = NewVector(2);
    // At v = (1e16, -1e16) a move of 1e-4 is below half a unit in the last
    // place of v1, so the first two probes see the same gradient.
    s.U = testing::V({1e16L, -1e16L});
    s.Problem->Gradient(s.U, s.GradJ, s.GradNorm);
    DivGVector(s.N, s.GradJ0, s.GradNorm0, s.GradJ, s.GradNorm, s.DivGradVec, s.Collinear);
    s.SubIterCount = 1;
    BuildRunObjective(s);

    RunSubIteration(s, s.GradJ, s.U, q);
    ASSERT_GE(host.lines.size(), 2u);
    for (std::size_t k = 0; k < host.lines.size(); ++k)
        EXPECT_EQ(host.lines[k], " h=" + FormatFloat("0.00E+00", 1e-4L * std::pow(10.0L, Real(k))) +
                                     " (differentiation step)");
    // One probe per line and the one that finally saw a difference.
    EXPECT_EQ(Evaluations(), static_cast<int>(host.lines.size()) + 1);
    EXPECT_EQ(s.SubIterCount, 2);
}

TEST_F(SubIterationTest, StopRaisesTerminatedByUser) {
    Start(FunctionId::Rosenbrock, {-1.2L, 1}, 0.5L);
    host.onProcessEvents = [this] { s.StopRequested = 1; };
    EXPECT_EQ(testing::ErrorOf<EBadError>([&] { RunSubIteration(s, s.GradJ, s.U, q); }),
              "Terminated by user");
    EXPECT_EQ(Evaluations(), 0);

    // The full search also looks before each sub-iteration.
    Start(FunctionId::Rosenbrock, {-1.2L, 1}, 1e-5L);
    s.StopRequested = 0;
    int pumps = 0;
    host.onProcessEvents = [&] { s.StopRequested = ++pumps == 1; };
    EXPECT_THROW(RunCollinearSearch(s), EBadError);
    EXPECT_EQ(pumps, 1);
    EXPECT_EQ(Evaluations(), 1);                     // the start's gradient only
}

TEST_F(CollinearFixture, LargeProblemsShowTheCollinearityMeasure) {
    Prepare(AxisParallel, 1000, {}, 1e-5L);
    for (int i = 1; i <= 1000; ++i) s.U0[i] = 1;
    s.U = s.U0;
    s.Problem->Gradient(s.U, s.GradJ, s.GradNorm);
    s.GradJ0 = s.GradJ;
    s.GradNorm0 = s.GradNorm;
    s.ContinueRun = 1;
    s.MaxSubIterColl = 2;
    RunCollinearSearch(s);
    const auto full = StatusesStartingWith(" Working... 1/1");
    ASSERT_EQ(full.size(), 1u);
    EXPECT_EQ(full[0].rfind(" Working... 1/1     ||DivG||=", 0), 0u) << full[0];

    host.statuses.clear();
    s.U = s.U0;
    s.GradJ = s.GradJ0;
    s.GradNorm = s.GradNorm0;
    RunCollinearDemoSearch(s);
    const auto demo = StatusesStartingWith(" Working... 1/1");
    ASSERT_EQ(demo.size(), 1u);
    EXPECT_EQ(demo[0].rfind(" Working... 1/1     DivG=", 0), 0u) << demo[0];
}

TEST_F(CollinearFixture, AFinalStepWithoutADivisorIsAZeroStep) {
    Prepare(AxisParallel, 2, {1, 1});
    // v on u_b: t2 = 0.
    s.U = s.U0;
    EXPECT_FALSE(CollinearStep(2, s.U0, s.GradJ0, s.GradJ0, s.U, s.Dir, s.DirNorm, s.Step));
    EXPECT_EQ(s.Step, 0);
    EXPECT_EQ(s.U, s.U0);
    // The same directional derivative at both ends: 1 - t1/t2 = 0.
    s.Step = 1;
    s.U = testing::V({2, 1});
    CollinearDemoStep(2, s.U0, s.GradJ0, s.GradJ0, s.U, s.Step);
    EXPECT_EQ(s.Step, 0);
    EXPECT_EQ(s.U, testing::V({2, 1}));
    EXPECT_TRUE(host.lines.empty());
}

constexpr int RosenbrockStart = 5;   // "-1.2; 1.0"

TEST(CollinearRun, StopOnTheScheduleWritesNoFurtherIteration) {
    DriverRun r(FunctionId::Rosenbrock, RosenbrockStart, MethodId::Collinear);
    int pumpsInSubIterations = 0;
    r.host.onProcessEvents = [&] {
        if (r.s.IterationComplete == 0 && r.s.IterCount == 2 && ++pumpsInSubIterations == 3)
            r.driver.Stop();
    };
    r.driver.Start();
    ASSERT_EQ(pumpsInSubIterations, 3);
    EXPECT_TRUE(r.host.errors.empty());
    EXPECT_EQ(r.driver.LastEnding(), RunDriver::Ending::Stopped);
    // Two is on the print schedule: the stopped third iteration is not written.
    EXPECT_EQ(r.s.IterCount, 2);
    EXPECT_EQ(r.CountPrefix(" Iteration=3:"), 0);
    EXPECT_EQ(r.host.lines.back(), " Terminated by user");
    EXPECT_EQ(r.host.layout, "ended");
}

TEST(CollinearRun, StopOffTheScheduleReportsTheBasePoint) {
    DriverRun r(FunctionId::Rosenbrock, RosenbrockStart, MethodId::Collinear);
    MyArray1 trial;
    r.host.onProcessEvents = [&] {
        // The first iteration (0 is not on the schedule), after one sub-step.
        if (r.s.IterationComplete == 0 && r.s.SubIterCount == 2 && trial.empty()) {
            trial = r.s.U;
            r.driver.Stop();
        }
    };
    r.driver.Start();
    ASSERT_FALSE(trial.empty());
    EXPECT_TRUE(r.host.errors.empty());
    EXPECT_EQ(r.driver.LastEnding(), RunDriver::Ending::Stopped);
    ASSERT_TRUE(r.HasLine(" Terminated by user"));
    // The iteration is written at u°, not at the trial point v.
    EXPECT_NE(trial[1], -1.2L);
    EXPECT_EQ(r.s.U[1], -1.2L);
    EXPECT_EQ(r.s.U[2], 1.0L);
    EXPECT_EQ(r.s.IterCount, 1);
    EXPECT_EQ(r.CountPrefix(" Iteration=1:"), 1);
    EXPECT_TRUE(r.HasLine("J=2.420E+01,   ||u-u*||=2.20E+00,  ||gradJ||=2.33E+02"));
    EXPECT_TRUE(r.HasLine("Final point u :                    (not more than 50 items in line)"));
    EXPECT_EQ(r.host.lines.back(), "   -1.20   1.00");
}

} // namespace
} // namespace tarvik
