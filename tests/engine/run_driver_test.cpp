// End-to-end runs through the driver with a recording host: what the
// output pane receives, which boxes appear, and how each run ends.
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "app/memory_budget.h"
#include "core/function_catalogue.h"
#include "core/method_catalogue.h"
#include "core/number_format.h"
#include "run_state_fixture.h"

namespace tarvik {
namespace {

using testing::DriverRun;

constexpr FunctionId AxisParallel = FunctionId::AxisEllipsoid;
constexpr int AllOnes = 20;       // starting point " 1"
constexpr MethodId ConstantStep = MethodId::ConstantStep;

TEST(RunDriver, ARunEndsWithItsSoundAndReleasesItsArraysAndClearStartsAfresh) {
    DriverRun r(AxisParallel, AllOnes, ConstantStep);
    r.Start();
    ASSERT_TRUE(r.host.errors.empty()) << r.host.errors.front();
    EXPECT_EQ(r.driver.LastEnding(), RunDriver::Ending::Normal);
    EXPECT_EQ(r.host.layout, "ended");
    EXPECT_EQ(r.s.Running, 0);

    const int k = r.s.IterCount;
    EXPECT_EQ(r.Evaluations(), 2 * k + 2);  // J and gradJ at u° and after every step
    EXPECT_LE(r.s.AccuracyValue, r.s.Eps);
    EXPECT_EQ(r.host.lines.back(), " Done");
    EXPECT_EQ(r.host.sounds.back(), "Utopia Asterisk.wav");
    // Arrays are released at the end of the run.
    EXPECT_TRUE(r.s.U.empty());

    r.driver.Clear();
    EXPECT_EQ(r.host.layout, "setup");
    EXPECT_TRUE(r.host.lines.empty());
    EXPECT_EQ(r.s.FinalStatusText, "");
    // A second run starts afresh.
    r.Start();
    EXPECT_EQ(r.host.lines[0], "Memory allocation...");
    EXPECT_EQ(r.driver.LastEnding(), RunDriver::Ending::Normal);
}

TEST(RunDriver, InputErrorsReturnToSetUp) {
    struct Case { const char* name; FunctionId function; int start; std::string n; std::string eps; bool mode2; std::string message; };
    const Case cases[] = {
        {"bad accuracy", AxisParallel, AllOnes, "2", "0,0,1", false, "Incorrect data in accuracy panel!"},
        {"half exponent", AxisParallel, AllOnes, "2", "1e", false, "Incorrect data in accuracy panel!"},
        {"empty accuracy", AxisParallel, AllOnes, "2", "", true, "Incorrect data in accuracy panel!"},
        {"u° equals u*", AxisParallel, 19, "2", "0.01", false,
         "Your initial point equals the optimal point. Please input another initial value."},
        {"two-dimensional only", FunctionId::Rosenbrock, AllOnes, "3", "0.01", false, "This function has dimensionality n=2 only!"},
        {"dimension one", AxisParallel, AllOnes, "1", "0.01", false, "The dimension n must be an integer not less than 2 (n=1)."},
        {"negative dimension", AxisParallel, AllOnes, "-5", "0.01", false, "The dimension n must be an integer not less than 2 (n=-5)."},
        {"dimension past the lists", AxisParallel, AllOnes, "10001", "0.01", false,
         "The dimension n must be an integer not greater than 10000 (n=10001)."},
        // An accuracy that the criterion might never meet, or could not.
        {"zero accuracy", AxisParallel, AllOnes, "2", "0", false, "The accuracy must be a number from 1E-20 to 1 (eps=0)."},
        {"negative accuracy", AxisParallel, AllOnes, "2", "-1", true, "The accuracy must be a number from 1E-20 to 1 (eps=-1)."},
        {"tiny accuracy", AxisParallel, AllOnes, "2", "1e-300", false,
         "The accuracy must be a number from 1E-20 to 1 (eps=1e-300)."},
        {"accuracy above one", AxisParallel, AllOnes, "2", "1.5", true, "The accuracy must be a number from 1E-20 to 1 (eps=1.5)."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DriverRun r(c.function, c.start, ConstantStep, c.n);
        if (c.mode2) r.Mode2(c.eps); else r.s.Choices.EpsText = c.eps;
        r.Start();
        EXPECT_EQ(r.host.errors, std::vector<std::string>{c.message});
        EXPECT_EQ(r.host.layout, "setup");
        EXPECT_TRUE(r.host.lines.empty());
        EXPECT_TRUE(r.s.U.empty() && r.s.GradJ.empty() && r.s.HMatrix.empty());
        EXPECT_EQ(r.driver.LastEnding(), RunDriver::Ending::InputError);
    }
}

TEST(RunDriver, ADecimalCommaIsAcceptedAndANonIntegerDimensionKeepsThePreviousOne) {
    DriverRun r(AxisParallel, AllOnes, ConstantStep, "abc");
    r.s.N = 3;
    r.s.Choices.EpsText = "0,001";
    r.Start();
    EXPECT_TRUE(r.host.errors.empty());
    EXPECT_EQ(r.s.Eps, 0.001L);
    EXPECT_TRUE(r.HasLine("Function:  Quadratic: Axis Parallel Ellipsoid  for n=3"));
}

// The need is compared with the memory the process can get before anything
// is allocated. The figure is put in by the test, so that neither the
// machine's memory nor a petabyte allocation decides.
TEST(RunDriver, AProblemLargerThanTheObtainableMemoryIsRefusedBeforeAllocating) {
    struct Case { const char* name; std::string n; MethodId method; uint64_t obtainable; bool refused; };
    const Case cases[] = {
        {"a BFGS matrix of a gigabyte in 256 MB", "10000", MethodId::BfgsWolfe, uint64_t{256} << 20, true},
        {"1.1 MB of vectors in 1 MB", "10000", ConstantStep, uint64_t{1} << 20, true},
        {"1.1 MB of vectors in 64 MB", "10000", ConstantStep, uint64_t{64} << 20, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        struct ProbeInPlace {
            MemoryProbe previous;
            explicit ProbeInPlace(uint64_t bytes) : previous(SetMemoryProbe([bytes] { return bytes; })) {}
            ~ProbeInPlace() { SetMemoryProbe(previous); }
        } probe(c.obtainable);
        DriverRun r(AxisParallel, AllOnes, c.method, c.n);
        r.StopAfter(0);
        r.Start();
        if (!c.refused) {
            EXPECT_TRUE(r.host.errors.empty());
            EXPECT_EQ(r.driver.LastEnding(), RunDriver::Ending::Stopped);
            continue;
        }
        EXPECT_EQ(r.host.errors, std::vector<std::string>{"Not enough memory for a problem of dimension n=" + c.n +
                                                          " with this method. Please choose a smaller n."});
        EXPECT_EQ(r.host.layout, "setup");
        EXPECT_TRUE(r.s.U.empty() && r.s.U0.empty() && r.s.UStar.empty() && r.s.HMatrix.empty());
    }
}

// The rules that search from a base point of their own keep it to
// themselves: u°, gradJ(u°) and its norm stay those of the start.
TEST(RunDriver, UDegreeAndItsGradientStayThoseOfTheStart) {
    for (const MethodId method : {MethodId::NewtonCg, MethodId::Collinear}) {
        SCOPED_TRACE(std::string(Traits(method).name));
        DriverRun r(FunctionId::GeneralizedRosenbrock, 23, method, "4");
        MyArray1 u0, g0;
        Real g0Norm = 0;
        r.host.onProcessEvents = [&] {
            if (!r.s.Running || r.s.Preparing) return;
            if (r.s.IterCount == 1 && u0.empty()) {
                u0 = r.s.U0;
                g0 = r.s.GradJ0;
                g0Norm = r.s.GradNorm0;
            }
            if (r.s.IterCount == 4 && !r.s.StopRequested) r.driver.Stop();
        };
        r.Start();
        ASSERT_EQ(r.driver.LastEnding(), RunDriver::Ending::Stopped);
        EXPECT_EQ(r.s.U0, u0);
        EXPECT_EQ(r.s.GradJ0, g0);
        EXPECT_EQ(r.s.GradNorm0, g0Norm);
    }
}

TEST(RunDriver, StopDuringPreparationReturnsToSetUp) {
    DriverRun r(AxisParallel, AllOnes, ConstantStep);
    r.host.onProcessEvents = [&r] {
        if (r.s.Preparing) r.driver.Stop();
    };
    r.Start();
    EXPECT_EQ(r.host.layout, "setup");
    EXPECT_TRUE(r.host.errors.empty());
    EXPECT_TRUE(r.s.U.empty());
    EXPECT_EQ(r.host.statuses.back(), " Terminated by user");
}

// Classical Newton on the saddle from (-0.2, 1.4): the Hessian is not
// positive along the step at once, a recoverable failure.
struct SaddleNewton : DriverRun {
    std::vector<Colour> colours;
    SaddleNewton() : DriverRun(FunctionId::Saddle, 7, MethodId::Newton) {
        Mode2();
        host.onDrawTrajectory = [this] { colours.push_back(s.SegmentColour); };
    }
};

const std::string kQuestion =
    " Would you like to continue with the steepest descent (\"Golden section\" line search)?";

TEST(RunFailures, YesTakesOneSteepestDescentStepAndAsksAgain) {
    SaddleNewton r;
    r.host.failureAnswers = {FailureAnswer::Yes, FailureAnswer::Yes, FailureAnswer::Cancel};
    r.Start();
    ASSERT_EQ(r.host.failureTexts.size(), 3u);
    EXPECT_EQ(r.host.failureTexts[0], "Hessian<0 ! (Iteration=0)." + kQuestion);
    EXPECT_EQ(r.host.failureTexts[1], "Hessian<0 ! (Iteration=1)." + kQuestion);
    // The failure of the first iteration is set off by blank lines before the header.
    EXPECT_EQ(r.host.lines[1], " ");
    EXPECT_EQ(r.host.lines[2], "Hessian<0 ! (Iteration=0).");
    EXPECT_EQ(r.host.lines[3], " ");
    EXPECT_EQ(r.host.lines[4], "Basic storage RAM 1.8MB + Problem storage 0MB");
    ASSERT_GE(r.colours.size(), 2u);
    EXPECT_EQ(r.colours[0], clSteepestStep);
    EXPECT_EQ(r.colours[1], clSteepestStep);
    // Cancel ends the run with the failure as its status.
    EXPECT_EQ(r.s.FinalStatusText, "Hessian<0 ! (Iteration=2).");
    EXPECT_EQ(r.host.layout, "ended");
    EXPECT_EQ(r.driver.LastEnding(), RunDriver::Ending::Error);
    EXPECT_EQ(r.s.FailureChoice, FailureAnswer::None);
}

TEST(RunFailures, NoTakesTheStepTheMethodPrepared) {
    SaddleNewton r;
    r.host.failureAnswers = {FailureAnswer::No};
    r.Start();
    // The Newton step of a quadratic saddle lands on its stationary point.
    EXPECT_EQ(r.host.infos, std::vector<std::string>{"You are lucky!  gradJ=0 "});
    ASSERT_EQ(r.colours.size(), 1u);
    EXPECT_EQ(r.colours[0], clNoHessianUpdate);
    EXPECT_EQ(r.driver.LastEnding(), RunDriver::Ending::Normal);
}

TEST(RunFailures, YesToAllAsksOnceAndStillReportsEveryFailure) {
    SaddleNewton r;
    r.host.failureAnswers = {FailureAnswer::YesToAll};
    r.StopAfter(4);
    r.Start();
    EXPECT_EQ(r.host.failureTexts.size(), 1u);
    EXPECT_TRUE(r.HasLine("Hessian<0 ! (Iteration=3)."));
    EXPECT_EQ(r.s.SteepestForAll, 1);
    r.driver.Clear();
    EXPECT_EQ(r.s.SteepestForAll, 0);
}

TEST(RunFailures, AForeignErrorLeavesStopAsTheWayOut) {
    DriverRun r(AxisParallel, AllOnes, ConstantStep);
    r.host.onDrawTrajectory = [&r] {
        if (r.s.IterCount == 3) throw std::runtime_error("disk on fire");
    };
    r.Start();
    ASSERT_EQ(r.host.errors, std::vector<std::string>{"disk on fire"});
    EXPECT_EQ(r.host.layout, "running");
    r.host.onDrawTrajectory = nullptr;
    r.driver.Stop();
    EXPECT_EQ(r.host.layout, "ended");
    EXPECT_EQ(r.host.lines.back(), " Terminated by user");
}

// Each error box appears once and its text ends the pane. QF1 from 0 has
// J(u°) = 0; the huge constant step overflows J at the new point, and as
// iteration 1 is on the print schedule the ending adds no extra iteration.
TEST(RunFailures, RunEndingErrorsShowTheirBoxOnce) {
    const struct { FunctionId function; int start; bool mode2; Real step; const char* message; } cases[] = {
        {FunctionId::Qf1, 19, true, 0.3L, "Error of computing the minimization accuracy!  Denominator is zero."},
        {FunctionId::Rosenbrock, 5, false, 1e2000L, "Error in evaluation of function: Rosenbrock (n=2)"},
    };
    for (const auto& c : cases) {
        DriverRun r(c.function, c.start, ConstantStep);
        if (c.mode2) r.Mode2();
        r.s.Params.ConstStepSize = c.step;
        r.Start();
        EXPECT_EQ(r.host.errors, std::vector<std::string>{c.message});
        EXPECT_EQ(r.host.layout, "ended");
        EXPECT_TRUE(r.HasLine(c.message));
        EXPECT_EQ(r.driver.LastEnding(), RunDriver::Ending::Error);
        if (!c.mode2) {  // J and gradJ at u°, then the failed J, which ends the pane
            EXPECT_EQ(r.Evaluations(), 3);
            EXPECT_EQ(r.host.lines.back(), c.message);
        }
    }
}

// Runs that would never end: golden steps bouncing between two points, or
// frozen on one, and classical Newton at a local minimum whose u* is the
// global one, with u flipping its last bit. Each ends as Stop ends it, with
// its own line; so does a run at its iteration limit.
TEST(RunLimits, ARunThatRepeatsItselfOrReachesItsLimitEndsAsStopEndsIt) {
    constexpr FunctionId Rosenbrock = FunctionId::Rosenbrock, GeneralizedRosenbrock = FunctionId::GeneralizedRosenbrock;
    constexpr MethodId SteepestGolden = MethodId::SteepestGolden, ClassicalNewton = MethodId::Newton;
    const struct {
        const char* name; FunctionId function; int start; MethodId method; std::string n, eps;
        int32_t maxIterations, noProgress;
        RunDriver::Ending ending; const char* line; int32_t iterationsAtEnd;
    } cases[] = {
        {"two-cycle", Rosenbrock, 0, SteepestGolden, "2", "1e-18", 0, 50, RunDriver::Ending::NoProgress,
         " No progress: u and J have repeated for 50 iterations", 0},
        {"fixed point", Rosenbrock, 0, SteepestGolden, "2", "1e-20", 0, 7, RunDriver::Ending::NoProgress,
         " No progress: u and J have repeated for 7 iterations", 0},
        {"local minimum", GeneralizedRosenbrock, 5, ClassicalNewton, "5", "1e-4", 0, 50,
         RunDriver::Ending::NoProgress, " No progress: u and J have repeated for 50 iterations", 0},
        {"limit before the stall", Rosenbrock, 0, SteepestGolden, "2", "1e-20", 300, 0,
         RunDriver::Ending::IterationLimit, " Terminated by user", 300},
        {"limit of a converging run", Rosenbrock, 5, SteepestGolden, "2", "1e-6", 11, 50,
         RunDriver::Ending::IterationLimit, " Terminated by user", 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DriverRun r(c.function, c.start, c.method, c.n);
        r.s.Choices.EpsText = c.eps;
        r.s.Params.MaxIterations = c.maxIterations;
        r.s.Params.NoProgressIterations = c.noProgress;
        r.Start();
        EXPECT_EQ(r.driver.LastEnding(), c.ending);
        EXPECT_EQ(r.host.layout, "ended");
        ASSERT_TRUE(r.HasLine(c.line));
        EXPECT_EQ(r.s.FinalStatusText, c.line);
        // Stop's extra iteration and the final lines follow when the last
        // iteration was not printed.
        const bool extra = r.s.IterCount != c.maxIterations;
        if (c.iterationsAtEnd != 0) {
            EXPECT_EQ(r.s.IterCount, c.iterationsAtEnd);
        }
        EXPECT_EQ(r.HasLine("Final point u :                    (not more than 50 items in line)"), extra);
    }
    // The same run with no limits reaches its accuracy as before.
    DriverRun r(Rosenbrock, 5, SteepestGolden);
    r.s.Choices.EpsText = "1e-6";
    r.Start();
    EXPECT_EQ(r.driver.LastEnding(), RunDriver::Ending::Normal);
}

// The distance to u* is reported whenever u* is known, whatever the
// criterion, and left out where there is no single minimum.
TEST(RunReport, TheDistanceLineMeasuresTheDistanceToAKnownMinimumInBothModes) {
    const struct { FunctionId function; int start; bool mode2, distanceShown; } cases[] = {
        {FunctionId::Rosenbrock, 5, true, true}, {FunctionId::Rosenbrock, 5, false, true},
        {FunctionId::Himmelblau28, 5, true, false}, {FunctionId::Saddle, 1, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Traits(c.function).key);
        DriverRun r(c.function, c.start, MethodId::SteepestWolfe);
        if (c.mode2) r.Mode2("1e-4");
        r.s.Params.MaxIterations = 40;
        r.Start();
        std::string last;
        for (const std::string& line : r.host.lines)
            if (line.rfind("J=", 0) == 0) last = line;
        ASSERT_FALSE(last.empty());
        const std::size_t at = last.find("||u-u*||=");
        ASSERT_EQ(at != std::string::npos, c.distanceShown) << last;
        if (!c.distanceShown) continue;
        Real u1 = 0, u2 = 0;
        r.driver.Trace().ForEachRow([&](const TraceRow& row) { u1 = row.u1, u2 = row.u2; });
        const Real distance = std::sqrt((u1 - 1) * (u1 - 1) + (u2 - 1) * (u2 - 1));
        EXPECT_EQ(last.substr(at + 9, 8), FormatFloat("0.00E+00", distance)) << last;
        EXPECT_GT(distance, 0);
    }
}

} // namespace
} // namespace tarvik

namespace tarvik {
namespace {

// A run taken one Step at a time does what the loop does, for every method:
// the same report, the same trace to the bit, the same summary.
TEST(RunSteps, ARunTakenStepByStepEndsAsTheLoopEndsIt) {
    const struct { FunctionId function; int start; bool mode2; const char* eps; } problems[] = {
        {FunctionId::Rosenbrock, 5, false, "1e-4"},
        {FunctionId::Himmelblau2, 6, true, "1e-6"},   // Newton meets a Hessian that is not positive
    };
    const auto withoutTime = [](std::vector<std::string> lines) {
        std::erase_if(lines, [](const std::string& l) { return l.rfind("Operating time", 0) == 0; });
        return lines;
    };
    const auto rows = [](const RunDriver& d) {
        std::vector<TraceRow> all;
        d.Trace().ForEachRow([&](const TraceRow& r) { all.push_back(r); });
        return all;
    };
    for (const auto& p : problems) {
        for (const MethodTraits& m : MethodList()) {
            SCOPED_TRACE(std::string(m.key) + " on " + std::string(Traits(p.function).key));
            DriverRun loop(p.function, p.start, m.id);
            DriverRun stepped(p.function, p.start, m.id);
            int steps = 0;
            for (DriverRun* r : {&loop, &stepped}) {
                if (p.mode2) r->Mode2(p.eps);
                r->s.Choices.EpsText = p.eps;
                r->s.Params.MaxIterations = 300;
                r->host.failureAnswers = {FailureAnswer::Yes, FailureAnswer::No, FailureAnswer::YesToAll};
            }
            loop.Start();
            // Each step moves the run by one iteration at most.
            for (RunDriver::StepOutcome o = RunDriver::StepOutcome::Going; o != RunDriver::StepOutcome::Ended;) {
                const int32_t before = stepped.s.IterCount;
                o = stepped.driver.Step();
                ++steps;
                ASSERT_LE(stepped.s.IterCount - before, 1);
            }
            EXPECT_GE(steps, loop.driver.Summary().iterations);
            EXPECT_EQ(withoutTime(stepped.host.lines), withoutTime(loop.host.lines));
            EXPECT_EQ(stepped.host.failureTexts, loop.host.failureTexts);
            const std::vector<TraceRow> a = rows(loop.driver), b = rows(stepped.driver);
            ASSERT_EQ(a.size(), b.size());
            ASSERT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(TraceRow)), 0);
            const RunSummary x = loop.driver.Summary(), y = stepped.driver.Summary();
            EXPECT_EQ(x.ending, y.ending);
            EXPECT_NE(x.ending, RunEnding::None);
            EXPECT_EQ(x.failureText, y.failureText);
            EXPECT_EQ(x.iterations, y.iterations);
            EXPECT_EQ(x.evaluations, y.evaluations);
            EXPECT_EQ(x.hessianEvaluations, y.hessianEvaluations);
            EXPECT_EQ(x.iterations, a.back().iteration);
            // One step after the end does nothing.
            EXPECT_EQ(stepped.driver.Step(), RunDriver::StepOutcome::Ended);
        }
    }
}

} // namespace
} // namespace tarvik
