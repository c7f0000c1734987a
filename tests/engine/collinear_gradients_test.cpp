// The collinear-gradients methods: the collinearity measure, the
// sub-iterations with their evaluation counts and ending rules, the final
// steps, and whole runs of both variants through the driver.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "app/number_format.h"
#include "app/run_driver.h"
#include "core/collinear_gradients.h"
#include "core/errors.h"
#include "core/function_catalogue.h"
#include "core/objective.h"
#include "recording_host.h"

namespace tarvik {
namespace {

using testing::RecordingHost;

constexpr FunctionId AxisParallelCode = FunctionId::AxisEllipsoid;   // J = sum i*u_i^2, gradJ = (2i*u_i)
constexpr FunctionId RosenbrockCode = FunctionId::Rosenbrock;

struct CollinearFixture : ::testing::Test {
    RecordingHost host;
    RunState s{host};

    // The state as the driver leaves it after the first-iteration set-up,
    // with the default parameters and the base point ub.
    void Prepare(FunctionId code, int n, std::initializer_list<Real> ub, Real delta = 1e-5L) {
        s.N = n;
        s.FunctionCode = code;
        s.FunctionName = std::string(Traits(code).name);
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
        s.JCur = EvalJ(s, code, s.U);
        EvalGrad(s, code, s.U, s.GradJ, s.GradNorm);
        s.GradJ0 = s.GradJ;
        s.GradNorm0 = s.GradNorm;
        s.EvalCount = 0;
    }

    MyArray1 Vec(std::initializer_list<Real> values) const {
        MyArray1 v = NewVector(s.N);
        int i = 1;
        for (Real x : values) v[i++] = x;
        return v;
    }

    std::vector<std::string> StatusesStartingWith(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const auto& t : host.statuses)
            if (t.rfind(prefix, 0) == 0) found.push_back(t);
        return found;
    }
};

// ------------------------------------------------------------- DivGVector

TEST_F(CollinearFixture, DivGVectorMeasuresTheDifferenceOfTheUnitGradients) {
    Prepare(AxisParallelCode, 2, {0.75L, 0.5L});   // g_b = (1.5, 2), norm 2.5
    s.SubIterDone = 1;

    // Opposite gradients count as collinear: sigma turns g(v) round.
    DivGVector(s, Vec({-3, -4}), 5);
    EXPECT_EQ(s.CollSign, -1);
    EXPECT_EQ(s.DivGradNorm, 0);
    EXPECT_EQ(s.SubIterDone, 0);

    // Orthogonal gradients: the sign is 0 and sigma is 1.
    DivGVector(s, Vec({4, -3}), 5);
    EXPECT_EQ(s.CollSign, 1);
    EXPECT_EQ(s.DivGradVec[1], 0.8L - 0.6L);
    EXPECT_EQ(s.DivGradVec[2], -0.6L - 0.8L);
    EXPECT_NEAR(static_cast<double>(s.DivGradNorm), std::sqrt(2.0), 1e-15);
}

TEST_F(CollinearFixture, DivGVectorTakesTheSignOfTheProductRoundedToDouble) {
    Prepare(AxisParallelCode, 2, {0.5L, 0});       // g_b = (1, 0)
    // g_b . gv = -1e-400 is negative in extended precision but 0 in double.
    DivGVector(s, Vec({-1e-400L, 1}), 1);
    EXPECT_EQ(s.CollSign, 1);
    DivGVector(s, Vec({-1e-300L, 1}), 1);
    EXPECT_EQ(s.CollSign, -1);
}

// ------------------------------------------------------ SubIterationStart

TEST_F(CollinearFixture, AStationaryTrialPointEndsTheSubIterationsWithoutNaN) {
    Prepare(AxisParallelCode, 2, {1, 1});
    s.DivGradVec = Vec({0.25L, -0.5L});
    DivGVector(s, Vec({0, 0}), 0);
    EXPECT_EQ(s.SubIterDone, 1);
    EXPECT_EQ(s.DivGradVec[1], 0.25L);
    EXPECT_EQ(s.DivGradVec[2], -0.5L);
}

TEST(CollinearRuns, ARunThatMeetsAStationaryPointEndsWithAZeroGradient) {
    // J = -|u|^2/2 from u° = (-0.1, ..., -0.1): the gradient is +0.1 in
    // every component, so the first corner, 0.2/sqrt(4) away, is the
    // stationary point 0 itself.
    RecordingHost host;
    RunState s{host};
    RunDriver driver{s};
    s.Choices.FunctionPosition = 17;
    s.Choices.MethodPosition = 16;
    s.Choices.CmbNText = "4";
    s.Choices.StartItem = 23;  // all components -0.1
    s.FunctionCode = FunctionId::QuadraticFromFiles;
    s.FunctionName = "Quadratic from FILE";
    s.N = 4;
    s.Quad.QuadA = NewMatrix(4);
    for (int i = 1; i <= 4; ++i) s.Quad.QuadA[i][i] = -1;
    s.Quad.QuadB = NewVector(4);
    s.Quad.QuadAu = NewVector(4);
    s.Choices.RbtnPrec1Checked = false;
    s.Choices.RbtnPrec2Checked = true;
    s.Params.CollDeltaDemo = 0.2L;  // the corner of 0.2/sqrt(4) from -0.1 is 0
    driver.BtnStartClick();
    EXPECT_TRUE(host.errors.empty());
    EXPECT_EQ(host.infos, std::vector<std::string>{"You are lucky!  gradJ=0 "});
    EXPECT_EQ(host.lines.back(), " Done. You are lucky!  gradJ=0");
}

TEST_F(CollinearFixture, StartPlacesVAtTheCornerOnTheGradientsSide) {
    Prepare(AxisParallelCode, 2, {-1, 0}, 0.5L);   // g_b = (-2, 0)
    SubIterationStart(s, s.GradJ, s.U);
    const Real corner = 0.5L / std::sqrt(Real(2));
    EXPECT_EQ(s.U[1], -1 - corner);
    EXPECT_EQ(s.U[2], 0);                          // a zero component stays
    EXPECT_EQ(s.EvalCount, 1);
    EXPECT_EQ(s.GradJ[1], 2 * s.U[1]);
    // Both gradients point along -u1: collinear at once.
    EXPECT_EQ(s.DivGradNorm, 0);
}

// ----------------------------------------------------------- SubIteration

struct SubIterationTest : CollinearFixture {
    MyArray1 q;
    void Start(FunctionId code, std::initializer_list<Real> ub, Real delta) {
        Prepare(code, 2, ub, delta);
        q = NewVector(2);
        SubIterationStart(s, s.GradJ, s.U);
        s.SubIterCount = 1;
        s.EvalCount = 0;
    }
};

TEST_F(SubIterationTest, EachSubIterationCostsTwoGradientsTheFirstOne) {
    Start(RosenbrockCode, {-1.2L, 1}, 0.5L);
    ASSERT_GT(s.DivGradNorm, s.CollThreshold);

    SubIteration(s, s.GradJ, s.U, q, FormatFloat);
    EXPECT_EQ(s.SubIterDone, 0);
    EXPECT_EQ(s.SubIterCount, 2);
    EXPECT_EQ(s.EvalCount, 1);                     // the probe only
    EXPECT_EQ(s.CollBeta, 0);                      // first: steepest descent on ||w||
    // v moved from the saved point along p, and the gradient of the saved
    // point is current again.
    for (int i = 1; i <= 2; ++i) {
        EXPECT_EQ(s.U[i], s.UPrev[i] + s.CollStep * s.Dir[i]);
        EXPECT_EQ(s.GradJ[i], s.GradJSaved[i]);
    }
    EXPECT_GT(s.CollStep, 0);

    const MyArray1 savedGradient = s.GradJ;
    SubIteration(s, s.GradJ, s.U, q, FormatFloat);
    ASSERT_EQ(s.SubIterDone, 0);
    EXPECT_EQ(s.EvalCount, 3);                     // gradient at v and the probe
    EXPECT_EQ(s.CollBeta, 0);                      // SubIterCount 2 is a multiple of n = 2
    EXPECT_EQ(s.GradJPrev, savedGradient);
    EXPECT_TRUE(host.lines.empty());
}

TEST_F(SubIterationTest, ConjugateCoefficientBetweenRestarts) {
    Prepare(FunctionId::GeneralizedRosenbrock, 3, {-1.2L, 1, -1.2L}, 0.5L);
    q = NewVector(3);
    SubIterationStart(s, s.GradJ, s.U);
    s.SubIterCount = 1;
    SubIteration(s, s.GradJ, s.U, q, FormatFloat);
    ASSERT_EQ(s.SubIterDone, 0);
    const Real prev = s.DivGradNormPrev;
    SubIteration(s, s.GradJ, s.U, q, FormatFloat);
    ASSERT_EQ(s.SubIterDone, 0);
    // SubIterCount was 2, not a multiple of 3: Fletcher-Reeves ratio.
    EXPECT_EQ(s.CollBeta, s.DivGradNorm * s.DivGradNorm / (prev * prev));
}

TEST_F(SubIterationTest, CollinearGradientsEndTheSubIterations) {
    // On a quadratic the gradient difference along u1 only keeps it parallel.
    Start(AxisParallelCode, {1, 0}, 1e-5L);
    SubIteration(s, s.GradJ, s.U, q, FormatFloat);
    EXPECT_EQ(s.SubIterDone, 1);
    EXPECT_EQ(s.SubIterCount, 1);
    EXPECT_EQ(s.EvalCount, 0);
}

TEST_F(SubIterationTest, APointWithinTheMinimalDistanceStopsAtOnce) {
    Start(RosenbrockCode, {-1.2L, 1}, 0.5L);
    const MyArray1 dir = s.Dir;
    s.U = s.U0;                                    // v on u_b
    SubIteration(s, s.GradJ, s.U, q, FormatFloat);
    EXPECT_EQ(s.SubIterDone, 1);
    EXPECT_EQ(s.EvalCount, 0);
    EXPECT_EQ(s.Dir, dir);

    // Just outside 1e-15 * delta the sub-iteration goes on.
    Start(RosenbrockCode, {-1.2L, 1}, 0.5L);
    s.U[1] = s.U0[1] + 1e-14L;
    s.U[2] = s.U0[2];
    SubIteration(s, s.GradJ, s.U, q, FormatFloat);
    EXPECT_EQ(s.SubIterDone, 0);
    EXPECT_EQ(s.SubIterCount, 2);
}

TEST_F(SubIterationTest, NoProgressEndsTheSubIterations) {
    Start(RosenbrockCode, {-1.2L, 1}, 0.5L);
    s.SubIterCount = 2;
    // The gradient at v gives the same ||w|| as the previous sub-iteration.
    s.DivGradNormPrev = s.DivGradNorm;
    SubIteration(s, s.GradJ, s.U, q, FormatFloat);
    EXPECT_EQ(s.SubIterDone, 1);
    EXPECT_EQ(s.EvalCount, 1);
}

TEST_F(SubIterationTest, AProbeLostInRoundingGrowsTheDifferentiationStep) {
    Prepare(AxisParallelCode, 2, {1, 1}, 1e-5L);   // g_b = (2, 4)
    q = NewVector(2);
    // At v = (1e16, -1e16) a move of 1e-4 is below half a unit in the last
    // place of v1, so the first two probes see the same gradient.
    s.U = Vec({1e16L, -1e16L});
    EvalGrad(s, s.FunctionCode, s.U, s.GradJ, s.GradNorm);
    DivGVector(s, s.GradJ, s.GradNorm);
    s.SubIterCount = 1;
    s.EvalCount = 0;

    SubIteration(s, s.GradJ, s.U, q, FormatFloat);
    ASSERT_GE(host.lines.size(), 2u);
    EXPECT_EQ(host.lines[0], " h=1.00E-04 (differentiation step)");
    EXPECT_EQ(host.lines[1], " h=1.00E-03 (differentiation step)");
    for (std::size_t k = 0; k < host.lines.size(); ++k)
        EXPECT_EQ(host.lines[k], " h=" + FormatFloat("0.00E+00", 1e-4L * std::pow(10.0L, Real(k))) +
                                     " (differentiation step)");
    // One probe per line and the one that finally saw a difference.
    EXPECT_EQ(s.EvalCount, static_cast<int>(host.lines.size()) + 1);
    EXPECT_EQ(s.SubIterCount, 2);
}

TEST_F(SubIterationTest, StopRaisesTerminatedByUser) {
    Start(RosenbrockCode, {-1.2L, 1}, 0.5L);
    host.onProcessEvents = [this] { s.StopRequested = 1; };
    try {
        SubIteration(s, s.GradJ, s.U, q, FormatFloat);
        FAIL() << "no exception";
    } catch (const EBadError& e) {
        EXPECT_STREQ(e.what(), "Terminated by user");
    }
    EXPECT_EQ(s.EvalCount, 0);

    // The full search also looks before each sub-iteration.
    Start(RosenbrockCode, {-1.2L, 1}, 1e-5L);
    s.StopRequested = 0;
    int pumps = 0;
    host.onProcessEvents = [&] { s.StopRequested = ++pumps == 1; };
    EXPECT_THROW(CollinearSearch(s, s.GradJ, s.U, FormatFloat), EBadError);
    EXPECT_EQ(pumps, 1);
    EXPECT_EQ(s.EvalCount, 1);                     // the start's gradient only
}

// ------------------------------------------------------------ The searches

TEST_F(CollinearFixture, DemoSearchDrawsEverySubIterationAndEndsTheRun) {
    Prepare(RosenbrockCode, 2, {-1.2L, 1}, 0.5L);
    std::vector<Colour> colours;
    host.onDrawTrajectory = [&] { colours.push_back(s.SegmentColour); };
    CollinearDemoSearch(s, s.GradJ, s.U, FormatFloat);

    EXPECT_EQ(s.ShowSubIterPoints, 1);
    EXPECT_EQ(s.ContinueRun, 0);
    EXPECT_EQ(s.SegmentColour, clTrajectory);
    EXPECT_GE(s.SubIterCount, 2);
    EXPECT_LE(s.SubIterCount, s.MaxSubIterColl);
    EXPECT_EQ(s.MaxSubIterColl, 51);
    // The start and one drawing per sub-iteration (the last one, which only
    // tests, included), all in the sub-iteration grey.
    EXPECT_EQ(static_cast<int>(colours.size()), s.SubIterCount + 1);
    EXPECT_TRUE(std::all_of(colours.begin(), colours.end(), [](Colour c) { return c == clSubIter; }));
    const auto statuses = StatusesStartingWith(" Working... 1/");
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.front(), " Working... 1/1");
    // The base point is the one the driver prepared.
    EXPECT_EQ(s.U0[1], -1.2L);
}

TEST_F(CollinearFixture, DemoSearchStopsAtTheSubIterationBound) {
    Prepare(RosenbrockCode, 2, {-1.2L, 1}, 0.5L);
    s.MaxSubIterColl = 3;
    CollinearDemoSearch(s, s.GradJ, s.U, FormatFloat);
    EXPECT_EQ(s.SubIterCount, 3);
    EXPECT_EQ(s.SubIterDone, 1);
    // Start 1, first sub-iteration 1, second 2, third stops after its gradient.
    EXPECT_EQ(s.EvalCount, 1 + 1 + 2 + 1);
}

TEST_F(CollinearFixture, FullSearchTakesTheCurrentPointAsBase) {
    Prepare(RosenbrockCode, 2, {0, 0}, 1e-5L);
    s.U = Vec({-1.2L, 1});
    s.JCur = EvalJ(s, s.FunctionCode, s.U);
    EvalGrad(s, s.FunctionCode, s.U, s.GradJ, s.GradNorm);
    const MyArray1 g = s.GradJ;
    int pumps = 0;
    host.onProcessEvents = [&] { ++pumps; };
    CollinearSearch(s, s.GradJ, s.U, FormatFloat);

    EXPECT_EQ(s.U0, Vec({-1.2L, 1}));
    EXPECT_EQ(s.GradJ0, g);
    EXPECT_EQ(s.JBase, s.JCur);
    EXPECT_EQ(s.ShowSubIterPoints, 0);
    EXPECT_EQ(s.ContinueRun, 1);
    EXPECT_EQ(s.SubIterDone, 1);
    // The loop and the sub-iteration both let the window work.
    EXPECT_EQ(pumps, 2 * (s.SubIterCount));
    EXPECT_EQ(host.trajectoryDrawings, s.SubIterCount + 1);
}

TEST_F(CollinearFixture, LargeProblemsShowTheCollinearityMeasure) {
    Prepare(AxisParallelCode, 1000, {}, 1e-5L);
    for (int i = 1; i <= 1000; ++i) s.U0[i] = 1;
    s.U = s.U0;
    EvalGrad(s, s.FunctionCode, s.U, s.GradJ, s.GradNorm);
    s.GradJ0 = s.GradJ;
    s.GradNorm0 = s.GradNorm;
    s.ContinueRun = 1;
    s.MaxSubIterColl = 2;
    CollinearSearch(s, s.GradJ, s.U, FormatFloat);
    const auto full = StatusesStartingWith(" Working... 1/1");
    ASSERT_EQ(full.size(), 1u);
    EXPECT_EQ(full[0].rfind(" Working... 1/1     ||DivG||=", 0), 0u) << full[0];

    host.statuses.clear();
    s.U = s.U0;
    CollinearDemoSearch(s, s.GradJ, s.U, FormatFloat);
    const auto demo = StatusesStartingWith(" Working... 1/1");
    ASSERT_EQ(demo.size(), 1u);
    EXPECT_EQ(demo[0].rfind(" Working... 1/1     DivG=", 0), 0u) << demo[0];
}

// ----------------------------------------------------------- Final steps

TEST_F(CollinearFixture, DemoStepInterpolatesTheDirectionalDerivative) {
    Prepare(AxisParallelCode, 2, {1, 1});          // g_b = (2, 4)
    s.U = Vec({0.5L, 0.5L});                       // v
    EvalGrad(s, s.FunctionCode, s.U, s.GradJ, s.GradNorm);   // g = (1, 2)
    // t1 = -1.5, t2 = -3, tau = 2: exact on a quadratic, u* = 0.
    CollinearDemoStep(s, s.U0, s.GradJ0, s.GradJ, s.U);
    EXPECT_EQ(s.Step, 2);
    EXPECT_EQ(s.U, Vec({0, 0}));
}

TEST_F(CollinearFixture, FullStepDescendsFromTheBasePoint) {
    Prepare(AxisParallelCode, 2, {1, 1});
    s.U = Vec({0.5L, 1});                          // v - u_b = (-0.5, 0), t2 = -1
    const MyArray1 g = Vec({1, 4});                // t1 = -0.5, tau = 2
    CollinearStep(s, s.U0, s.GradJ0, g, s.U);
    EXPECT_EQ(s.Step, 2);
    EXPECT_EQ(s.Dir, Vec({-1, 0}));
    EXPECT_EQ(s.DirNorm, 1);
    EXPECT_EQ(s.U, Vec({0, 1}));
    EXPECT_TRUE(host.lines.empty());
    EXPECT_EQ(s.SegmentColour, clTrajectory);
}

TEST_F(CollinearFixture, AnUphillFinalDirectionIsReversedAndReported) {
    Prepare(AxisParallelCode, 2, {1, 1});
    s.IterCount = 3;
    s.U = Vec({2, 1});                             // v - u_b = (1, 0), t2 = 2
    const MyArray1 g = Vec({1, 0});                // t1 = 1, tau = 2, d = (2, 0)
    CollinearStep(s, s.U0, s.GradJ0, g, s.U);
    EXPECT_EQ(s.Step, 2);
    EXPECT_EQ(s.U, Vec({-1, 1}));
    ASSERT_EQ(host.lines.size(), 3u);
    EXPECT_EQ(host.lines[0], "");
    EXPECT_EQ(host.lines[1], "*** The angle between  gradJ ^ d-min >= 0. Iteration=3");
    EXPECT_EQ(host.lines[2], "");
    EXPECT_EQ(s.SegmentColour, clAngleStep);
}

TEST_F(CollinearFixture, AFinalStepWithoutADivisorIsAZeroStep) {
    Prepare(AxisParallelCode, 2, {1, 1});
    // v on u_b: t2 = 0.
    s.U = s.U0;
    CollinearStep(s, s.U0, s.GradJ0, s.GradJ0, s.U);
    EXPECT_EQ(s.Step, 0);
    EXPECT_EQ(s.U, s.U0);
    // The same directional derivative at both ends: 1 - t1/t2 = 0.
    s.Step = 1;
    s.U = Vec({2, 1});
    CollinearDemoStep(s, s.U0, s.GradJ0, s.GradJ0, s.U);
    EXPECT_EQ(s.Step, 0);
    EXPECT_EQ(s.U, Vec({2, 1}));
    EXPECT_TRUE(host.lines.empty());
}

// ------------------------------------------------------- Runs in the driver

struct DriverRun {
    RecordingHost host;
    RunState s{host};
    RunDriver driver{s};

    DriverRun(int functionPosition, int startItem, int methodPosition) {
        s.Choices.FunctionPosition = functionPosition;
        s.Choices.StartItem = startItem;
        s.Choices.MethodPosition = methodPosition;
        const auto& f = FunctionAtPosition(functionPosition);
        s.FunctionCode = f.id;
        s.FunctionName = std::string(f.name);
    }
    bool HasLine(const std::string& line) const {
        return std::find(host.lines.begin(), host.lines.end(), line) != host.lines.end();
    }
    int CountPrefix(const std::string& prefix) const {
        return static_cast<int>(std::count_if(host.lines.begin(), host.lines.end(),
                                              [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
    }
};

constexpr int AxisParallel = 6;
constexpr int Rosenbrock = 0;
constexpr int AllOnes = 20;
constexpr int RosenbrockStart = 5;   // "-1.2; 1.0"
constexpr int Demo = 16;
constexpr int Full = 17;

TEST(CollinearRun, FullMethodReachesTheAccuracyOnAQuadratic) {
    DriverRun r(AxisParallel, AllOnes, Full);
    r.driver.BtnStartClick();
    ASSERT_TRUE(r.host.errors.empty()) << r.host.errors.front();
    EXPECT_EQ(r.driver.LastEnding(), RunDriver::Ending::Normal);
    EXPECT_LE(r.s.AccuracyValue, r.s.Eps);
    EXPECT_EQ(r.s.MaxSubIterColl, 51);
    EXPECT_TRUE(r.HasLine("Method:  Collinear gradients."));
    EXPECT_TRUE(r.HasLine("Delta=1.0E-05,   c1=1.0E-08,   c2=4."));
    EXPECT_EQ(r.CountPrefix("sub-iterations="), r.s.IterCount);
    EXPECT_EQ(r.host.lines.back(), " Done");
    // u° is where the figure's first segment starts; the last point is near u*.
    EXPECT_EQ(r.s.IterationComplete, 1);
}

TEST(CollinearRun, DemoEndsTheRunAfterOneIteration) {
    DriverRun r(Rosenbrock, RosenbrockStart, Demo);
    r.driver.BtnStartClick();
    ASSERT_TRUE(r.host.errors.empty()) << r.host.errors.front();
    EXPECT_EQ(r.s.IterCount, 1);
    EXPECT_EQ(r.s.ContinueRun, 0);
    EXPECT_EQ(r.s.ShowSubIterPoints, 1);
    EXPECT_TRUE(r.HasLine("Delta=5.0E-01,   c1=1.0E-08,   c2=4."));
    EXPECT_EQ(r.CountPrefix(" Iteration=1:"), 1);
    EXPECT_EQ(r.CountPrefix("sub-iterations="), 1);
    EXPECT_EQ(r.host.lines.back(), " Done");
}

TEST(CollinearRun, StopOnTheScheduleWritesNoFurtherIteration) {
    DriverRun r(Rosenbrock, RosenbrockStart, Full);
    int pumpsInSubIterations = 0;
    r.host.onProcessEvents = [&] {
        if (r.s.IterationComplete == 0 && r.s.IterCount == 2 && ++pumpsInSubIterations == 3)
            r.driver.BtnStopClick();
    };
    r.driver.BtnStartClick();
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
    DriverRun r(Rosenbrock, RosenbrockStart, Full);
    MyArray1 trial;
    r.host.onProcessEvents = [&] {
        // The first iteration (0 is not on the schedule), after one sub-step.
        if (r.s.IterationComplete == 0 && r.s.SubIterCount == 2 && trial.empty()) {
            trial = r.s.U;
            r.driver.BtnStopClick();
        }
    };
    r.driver.BtnStartClick();
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
