// End-to-end runs through the driver with a recording host: what the
// output pane receives, which boxes appear, and how each run ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/memory_budget.h"
#include "app/run_driver.h"
#include "core/function_catalogue.h"
#include "recording_host.h"

namespace tarvik {
namespace {

using testing::RecordingHost;

struct DriverRun {
    RecordingHost host;
    RunState s{host};
    RunDriver driver{s};

    DriverRun(int functionPosition, int startItem, int methodPosition, std::string n = "2") {
        s.Choices.CmbNText = std::move(n);
        s.Choices.FunctionPosition = functionPosition;
        s.Choices.StartItem = startItem;
        s.Choices.MethodPosition = methodPosition;
        const auto& f = FunctionAtPosition(functionPosition);
        s.FunctionCode = f.id;
        s.FunctionName = std::string(f.name);
    }
    void Mode2(const std::string& eps = "0.01") {
        s.Choices.RbtnPrec1Checked = false;
        s.Choices.RbtnPrec2Checked = true;
        s.Choices.CmbPrec2Text = eps;
    }
    void Start() {
        driver.BtnStartClick();
        while (driver.ResumePending()) driver.ApplicationEvents1Idle();
    }
    bool HasLine(const std::string& line) const {
        return std::find(host.lines.begin(), host.lines.end(), line) != host.lines.end();
    }
    std::size_t IndexOf(const std::string& line) const {
        return static_cast<std::size_t>(std::find(host.lines.begin(), host.lines.end(), line) - host.lines.begin());
    }
};

constexpr int AxisParallel = 6;   // "Quadratic: Axis Parallel Ellipsoid"
constexpr int AllOnes = 20;       // starting point " 1"
constexpr int ConstantStep = 0;   // "Descent with constant step-size"

TEST(RunDriver, ConstantStepRunReachesTheAccuracyAndWritesTheReport) {
    DriverRun r(AxisParallel, AllOnes, ConstantStep);
    r.Start();
    ASSERT_TRUE(r.host.errors.empty()) << r.host.errors.front();
    EXPECT_EQ(r.driver.LastEnding(), RunDriver::Ending::Normal);
    EXPECT_EQ(r.host.layout, "ended");
    EXPECT_EQ(r.s.Running, 0);

    const auto& L = r.host.lines;
    ASSERT_GE(L.size(), 20u);
    EXPECT_EQ(L[0], "Memory allocation...");
    EXPECT_EQ(L[1], "Basic storage RAM 1.8MB + Problem storage 0MB");
    EXPECT_EQ(L[2], "Function:  Quadratic: Axis Parallel Ellipsoid");
    EXPECT_EQ(L[3], "Method:  Descent with constant step-size.");
    EXPECT_EQ(L[4], "Accuracy is ||u-u*||/||u°-u*||=0.01");
    EXPECT_TRUE(r.HasLine("   1.00   1.00"));
    EXPECT_TRUE(r.HasLine("   2.0000   4.0000"));
    EXPECT_TRUE(r.HasLine("J°=3.000E+00,  ||u°-u*||=1.41,  ||gradJ°||=4.472E+00"));
    EXPECT_TRUE(r.HasLine("=========================================="));
    // Two evaluations at u° and two per iteration; the report subtracts two.
    EXPECT_TRUE(r.HasLine(" Iteration=1:      (Total evaluating J and gradJ = 1)"));
    EXPECT_TRUE(r.HasLine(" Iteration=10:      (Total evaluating J and gradJ = 19)"));
    EXPECT_FALSE(r.HasLine(" Iteration=11:      (Total evaluating J and gradJ = 21)"));

    const int k = r.s.IterCount;
    EXPECT_EQ(r.s.EvalCount, 2 * k + 1);
    EXPECT_LE(r.s.AccuracyValue, r.s.Eps);
    const std::string last = " Iteration=" + std::to_string(k) + ":      (Total evaluating J and gradJ = " +
                             std::to_string(2 * k - 1) + ")";
    ASSERT_TRUE(r.HasLine(last));
    // The last iteration has no "Accuracy is" line of its own; the final lines repeat it.
    const std::size_t at = r.IndexOf(last);
    EXPECT_EQ(L[at + 2], " ");
    EXPECT_EQ(L[at + 3], "Accuracy is " + r.s.AccuracyText);
    EXPECT_EQ(L[at + 4].rfind("Operating time of problem = ", 0), 0u);
    EXPECT_EQ(L[at + 5], "Final point u :                    (not more than 50 items in line)");
    EXPECT_EQ(L.back(), " Done");
    EXPECT_EQ(r.host.sounds.back(), "Utopia Asterisk.wav");
    // Arrays are released at the end of the run.
    EXPECT_TRUE(r.s.U.empty());
}

TEST(RunDriver, ZeroGradientAtTheStartEndsWithoutHeader) {
    DriverRun r(0, AllOnes, ConstantStep);  // Rosenbrock at its minimum (1, 1)
    r.Mode2();
    r.Start();
    ASSERT_EQ(r.host.infos.size(), 1u);
    EXPECT_EQ(r.host.infos[0], "You are lucky!  gradJ=0 ");
    EXPECT_FALSE(r.HasLine("=========================================="));
    EXPECT_EQ(r.host.lines.back(), " Done. You are lucky!  gradJ=0");
    EXPECT_EQ(r.host.lines[0], "Memory allocation...");
    EXPECT_EQ(r.host.lines[1].rfind("Operating time of problem = ", 0), 0u);
    EXPECT_EQ(r.host.lines[3], "   1.00   1.00");
}

TEST(RunDriver, InputErrorsReturnToSetUp) {
    struct Case { const char* name; int function; int start; std::string n; std::string eps; bool mode2; std::string message; };
    const Case cases[] = {
        {"bad accuracy", AxisParallel, AllOnes, "2", "0,0,1", false, "Incorrect data in accuracy panel!"},
        {"half exponent", AxisParallel, AllOnes, "2", "1e", false, "Incorrect data in accuracy panel!"},
        {"empty accuracy", AxisParallel, AllOnes, "2", "", true, "Incorrect data in accuracy panel!"},
        {"u° equals u*", AxisParallel, 19, "2", "0.01", false,
         "Your initial point equals the optimal point. Please input another initial value."},
        {"two-dimensional only", 0, AllOnes, "3", "0.01", false, "This function has dimensionality n=2 only!"},
        {"dimension one", AxisParallel, AllOnes, "1", "0.01", false, "The dimension n must be an integer not less than 2 (n=1)."},
        {"negative dimension", AxisParallel, AllOnes, "-5", "0.01", false, "The dimension n must be an integer not less than 2 (n=-5)."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DriverRun r(c.function, c.start, ConstantStep, c.n);
        if (c.mode2) r.Mode2(c.eps); else r.s.Choices.CmbPrec1Text = c.eps;
        r.Start();
        ASSERT_EQ(r.host.errors.size(), 1u);
        EXPECT_EQ(r.host.errors[0], c.message);
        EXPECT_EQ(r.host.layout, "setup");
        EXPECT_TRUE(r.host.lines.empty());
        EXPECT_TRUE(r.s.U.empty() && r.s.GradJ.empty() && r.s.HMatrix.empty());
        EXPECT_EQ(r.driver.LastEnding(), RunDriver::Ending::InputError);
    }
}

TEST(RunDriver, DecimalCommaInTheAccuracyIsAccepted) {
    DriverRun r(AxisParallel, AllOnes, ConstantStep);
    r.s.Choices.CmbPrec1Text = "0,001";
    r.Start();
    EXPECT_TRUE(r.host.errors.empty());
    EXPECT_EQ(r.s.Eps, 0.001L);
}

TEST(RunDriver, NonIntegerDimensionKeepsThePreviousOne) {
    DriverRun r(AxisParallel, AllOnes, ConstantStep, "abc");
    r.s.N = 3;
    r.Start();
    EXPECT_TRUE(r.host.errors.empty());
    EXPECT_TRUE(r.HasLine("Function:  Quadratic: Axis Parallel Ellipsoid  for n=3"));
}

TEST(RunDriver, RelativeChangeWithZeroInitialValueFails) {
    DriverRun r(12, 19, ConstantStep);  // QF1 from 0: J(u°) = 0 with a non-zero gradient
    r.Mode2();
    r.Start();
    ASSERT_EQ(r.host.errors.size(), 1u);
    EXPECT_EQ(r.host.errors[0], "Error of computing the minimization accuracy!  Denominator is zero.");
    EXPECT_EQ(r.host.layout, "ended");
    EXPECT_TRUE(r.HasLine("Error of computing the minimization accuracy!  Denominator is zero."));
    EXPECT_EQ(r.driver.LastEnding(), RunDriver::Ending::Error);
}

// Stop pressed when a given number of iterations is complete.
void StopAfter(DriverRun& r, int k) {
    r.host.onProcessEvents = [&r, k] {
        if (r.s.Running && !r.s.Preparing && r.s.IterCount == k && !r.s.StopRequested) r.driver.BtnStopClick();
    };
}

// The need is compared with the memory the process can get before anything
// is allocated. The figure is put in by the test, so that neither the
// machine's memory nor a petabyte allocation decides.
TEST(RunDriver, AProblemLargerThanTheObtainableMemoryIsRefusedBeforeAllocating) {
    struct Case { const char* name; std::string n; int method; uint64_t obtainable; bool refused; };
    const Case cases[] = {
        {"a BFGS matrix of petabytes", "10000000", 8, uint64_t{1} << 30, true},
        {"11 MB of vectors in 8 MB", "100000", ConstantStep, uint64_t{8} << 20, true},
        {"11 MB of vectors in 64 MB", "100000", ConstantStep, uint64_t{64} << 20, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        struct ProbeInPlace {
            MemoryProbe previous;
            explicit ProbeInPlace(uint64_t bytes) : previous(SetMemoryProbe([bytes] { return bytes; })) {}
            ~ProbeInPlace() { SetMemoryProbe(previous); }
        } probe(c.obtainable);
        DriverRun r(AxisParallel, AllOnes, c.method, c.n);
        StopAfter(r, 0);
        r.Start();
        if (!c.refused) {
            EXPECT_TRUE(r.host.errors.empty());
            EXPECT_EQ(r.driver.LastEnding(), RunDriver::Ending::Stopped);
            continue;
        }
        ASSERT_EQ(r.host.errors.size(), 1u);
        EXPECT_EQ(r.host.errors[0],
                  "Not enough memory for a problem of dimension n=" + c.n + " with this method. Please choose a smaller n.");
        EXPECT_EQ(r.host.layout, "setup");
        EXPECT_TRUE(r.s.U.empty() && r.s.U0.empty() && r.s.UStar.empty() && r.s.HMatrix.empty());
    }
}

TEST(RunDriver, StopOnAScheduledIterationWritesNoFurtherLines) {
    DriverRun r(0, 5, ConstantStep);  // Rosenbrock from (-1.2, 1) runs for long
    StopAfter(r, 7);
    r.Start();
    EXPECT_EQ(r.driver.LastEnding(), RunDriver::Ending::Stopped);
    EXPECT_EQ(r.host.lines.back(), " Terminated by user");
    EXPECT_FALSE(r.HasLine(" Iteration=8:      (Total evaluating J and gradJ = 15)"));
    EXPECT_EQ(r.host.layout, "ended");
    EXPECT_EQ(r.s.IterCount, 7);
}

TEST(RunDriver, StopOffTheScheduleWritesOneMoreIteration) {
    DriverRun r(0, 5, ConstantStep);
    StopAfter(r, 11);
    r.Start();
    const std::size_t at = r.IndexOf(" Terminated by user");
    ASSERT_LT(at, r.host.lines.size());
    EXPECT_EQ(r.host.lines[at + 1], " Iteration=12:      (Total evaluating J and gradJ = 23)");
    EXPECT_EQ(r.host.lines.back().substr(0, 3), "   ");  // the final point closes the report
    EXPECT_TRUE(r.HasLine("Final point u :                    (not more than 50 items in line)"));
}

TEST(RunDriver, StopDuringPreparationReturnsToSetUp) {
    DriverRun r(AxisParallel, AllOnes, ConstantStep);
    r.host.onProcessEvents = [&r] {
        if (r.s.Preparing) r.driver.BtnStopClick();
    };
    r.Start();
    EXPECT_EQ(r.host.layout, "setup");
    EXPECT_TRUE(r.host.errors.empty());
    EXPECT_TRUE(r.s.U.empty());
    EXPECT_EQ(r.host.statuses.back(), " Terminated by user");
}

TEST(RunDriver, ClearAfterARunReleasesEverything) {
    DriverRun r(AxisParallel, AllOnes, ConstantStep);
    r.Start();
    r.driver.ClearResults();
    EXPECT_EQ(r.host.layout, "setup");
    EXPECT_TRUE(r.host.lines.empty());
    EXPECT_EQ(r.s.FinalStatusText, "");
    // A second run starts afresh.
    r.Start();
    EXPECT_EQ(r.host.lines[0], "Memory allocation...");
    EXPECT_EQ(r.driver.LastEnding(), RunDriver::Ending::Normal);
}

TEST(RunDriver, LargeDimensionClearsThePaneBeforeTheFirstIteration) {
    DriverRun r(18, 5, ConstantStep, "120");  // Generalized Rosenbrock
    StopAfter(r, 1);
    r.Start();
    EXPECT_EQ(r.host.lines[0], "The descent direction is being computed...");
    EXPECT_TRUE(r.HasLine("Function:  Generalized Rosenbrock (n>=2)  for n=120"));
}

} // namespace
} // namespace tarvik

namespace tarvik {
namespace {

// Classical Newton on the saddle from (-0.2, 1.4): the Hessian is not
// positive along the step at once, a recoverable failure.
struct SaddleNewton : DriverRun {
    std::vector<Colour> colours;
    SaddleNewton() : DriverRun(4, 7, 12) {
        Mode2();
        host.onDrawTrajectory = [this] { colours.push_back(s.SegmentColour); };
    }
};

const std::string kQuestion =
    " Would you like to continue with the steepest descent (\"Golden section\" line search)?";

TEST(RunFailures, YesTakesOneSteepestDescentStepAndAsksAgain) {
    SaddleNewton r;
    r.host.failureAnswers = {AnswerYes, AnswerYes, AnswerCancel};
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
    EXPECT_EQ(r.s.FailureChoice, 0);
}

TEST(RunFailures, NoTakesTheStepTheMethodPrepared) {
    SaddleNewton r;
    r.host.failureAnswers = {AnswerNo};
    r.Start();
    // The Newton step of a quadratic saddle lands on its stationary point.
    EXPECT_EQ(r.host.infos, std::vector<std::string>{"You are lucky!  gradJ=0 "});
    ASSERT_EQ(r.colours.size(), 1u);
    EXPECT_EQ(r.colours[0], clNoHessianUpdate);
    EXPECT_EQ(r.driver.LastEnding(), RunDriver::Ending::Normal);
}

TEST(RunFailures, YesToAllAsksOnceAndStillReportsEveryFailure) {
    SaddleNewton r;
    r.host.failureAnswers = {AnswerYesToAll};
    StopAfter(r, 4);
    r.Start();
    EXPECT_EQ(r.host.failureTexts.size(), 1u);
    EXPECT_TRUE(r.HasLine("Hessian<0 ! (Iteration=3)."));
    EXPECT_EQ(r.s.SteepestForAll, 1);
    r.driver.ClearResults();
    EXPECT_EQ(r.s.SteepestForAll, 0);
}

TEST(RunFailures, CancelAtTheFirstIterationStillClosesTheReport) {
    SaddleNewton r;
    r.host.failureAnswers = {AnswerCancel};
    r.Start();
    EXPECT_EQ(r.host.lines[1], "Hessian<0 ! (Iteration=0).");
    EXPECT_TRUE(r.HasLine(" Iteration=1:      (Total evaluating J and gradJ = 1)"));
    EXPECT_TRUE(r.HasLine("Final point u :                    (not more than 50 items in line)"));
    EXPECT_FALSE(r.driver.ResumePending());
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
    r.driver.BtnStopClick();
    EXPECT_EQ(r.host.layout, "ended");
    EXPECT_EQ(r.host.lines.back(), " Terminated by user");
}

TEST(RunFailures, RunEndingErrorShowsItsBoxOnce) {
    DriverRun r(0, 5, 0);  // a constant step so long that J overflows at the new point
    r.s.Params.ConstStepSize = 1e2000L;
    r.Start();
    ASSERT_EQ(r.host.errors.size(), 1u);
    EXPECT_EQ(r.host.errors[0], "Error in evaluation of function: Rosenbrock (n=2)");
    EXPECT_EQ(r.host.layout, "ended");
    EXPECT_TRUE(r.HasLine("Error in evaluation of function: Rosenbrock (n=2)"));
    // J and gradJ at u° and the failed J; iteration 1 is on the print
    // schedule, so the ending adds no extra iteration.
    EXPECT_EQ(r.s.EvalCount, 2);
    EXPECT_EQ(r.host.lines.back(), "Error in evaluation of function: Rosenbrock (n=2)");
    EXPECT_EQ(r.driver.LastEnding(), RunDriver::Ending::Error);
}

} // namespace
} // namespace tarvik
