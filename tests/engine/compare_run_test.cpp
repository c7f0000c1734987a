// Comparing methods: every compared run is the single run of that method.
#include "app/compare_run.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "app/batch_host.h"
#include "app/batch_run.h"
#include "app/figure_frame.h"
#include "app/memory_budget.h"
#include "app/pixel_path.h"
#include "app/run_driver.h"
#include "core/function_catalogue.h"
#include "core/method_catalogue.h"
#include "temp_folder.h"

namespace tarvik {
namespace {

// The batch mode's single run with its figure reduced to what can end a
// run: a point whose pixel does not fit the figure.
struct FramedHost : BatchHost {
    using BatchHost::BatchHost;
    void DrawLevelLines() override {
        frame = PlaneFrameFor(FigureImageWidth(BatchFigurePanelWidth), state->U0.at(1), state->U0.at(2),
                              state->FunctionCode);
    }
    void DrawTrajectoryStep() override { CheckTrajectoryStep(*state, frame); }
    RunState* state = nullptr;
    PlaneFrame frame;
};

// What the machine can give for the time of a case (0: its own figure).
struct MemoryInPlace {
    MemoryProbe previous;
    explicit MemoryInPlace(uint64_t bytes) {
        if (bytes) previous = SetMemoryProbe([bytes] { return bytes; });
    }
    ~MemoryInPlace() { SetMemoryProbe(previous); }
};

bool Same(Real a, Real b) { return a == b || (std::isnan(a) && std::isnan(b)); }

using CompareRunTest = testing::TempFolderTest;

TEST_F(CompareRunTest, EveryRowIsWhatItsSingleRunReports) {
    const std::string a = Write("a", "3 1\n1 2\n"), b = Write("b", "1 2\n");
    const std::string painting = "Error in painting. Too large the coordinates. (Iteration=42)";
    const std::string denominator = "Error of computing the minimization accuracy!  Denominator is zero.";
    struct Case {
        std::vector<std::string> args;
        CompareEnd end;
        std::size_t rows;
        std::vector<std::string> endings;   // of the rows in order, when named
        uint64_t memory = 0;                // what the machine can give (0: its own figure)
    };
    const std::vector<Case> cases = {
        {{"--function", "rosenbrock", "--start", "5", "--accuracy", "1", "--eps", "1e-4", "--max-iterations", "300",
          "--on-failure", "all", "--compare", "all"}, CompareEnd::Completed, MethodCount, {}},
        // The single run's figure ends it; the demonstration ends after its one step.
        {{"--function", "saddle", "--start", "5", "--eps", "1e-4", "--compare", "steepest-wolfe,collinear-demo"}, CompareEnd::Completed, 2,
         {painting, "demo step"}},
        // One run fails half-way: its row, and the next method runs.
        {{"--n", "100", "--function", "generalized-rosenbrock", "--start", "28", "--accuracy", "1", "--eps", "1e-4", "--compare", "constant-step,steepest-wolfe"},
         CompareEnd::Completed, 2,
         {"Error in evaluation of gradient norm for function: Generalized Rosenbrock (n>=2)", "criterion"}},
        // J(u°) = 0: the first iteration fails before it is reported.
        {{"--function", "quadratic-file", "--matrix-a", a, "--vector-b", b, "--start", "19", "--accuracy", "2", "--eps", "1e-4",
          "--compare", "steepest-wolfe,bfgs-wolfe"}, CompareEnd::Completed, 2, {denominator, denominator}},
        // u° = u*: no method can start.
        {{"--function", "rosenbrock", "--start", "20", "--accuracy", "1", "--compare", "steepest-wolfe,polak-ribiere-wolfe"}, CompareEnd::ProblemRefused, 0, {}},
        // The Newton matrix does not fit, which is that method's failure; the
        // vectors do not fit either, which is the problem's.
        {{"--n", "2000", "--function", "axis-ellipsoid", "--start", "20", "--compare", "newton,steepest-wolfe"}, CompareEnd::ProblemRefused, 1,
         {NotEnoughMemoryText(2000)}, 100000},
    };
    std::FILE* sink = std::tmpfile();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back() + " " + c.args[3]);
        const MemoryInPlace memory(c.memory);
        BatchOptions options;
        ASSERT_FALSE(ParseBatchOptions(c.args, options));
        // Asked for, so that every row keeps its path for it.
        options.figureFile = "unused.png";
        std::vector<CompareRow> rows;
        EXPECT_EQ(RunComparison(options, options.compareMethods, rows, sink, {}), c.end);
        ASSERT_EQ(rows.size(), c.rows);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const CompareRow& row = rows[i];
            SCOPED_TRACE(row.method);
            if (!c.endings.empty()) { EXPECT_EQ(row.ending, c.endings[i]); }
            BatchOptions single = options;
            single.compareMethods.clear();
            single.methodPosition = row.methodPosition;
            FramedHost host(sink, sink);
            RunState state(host);
            host.state = &state;
            RunDriver driver(state);
            ASSERT_TRUE(ApplyBatchOptions(single, state, sink));
            RunBatch(single, state, driver, host);
            // The numbers of the single run's last report, which its trace's
            // last row holds; nothing where it evaluated nothing.
            TraceRow last;
            last.j = last.gradNorm = last.accuracy = std::numeric_limits<Real>::quiet_NaN();
            // The compared path: the single run's points that the figure's
            // drawing needs (app/pixel_path.h).
            std::vector<std::pair<Real, Real>> path;
            PixelPathThinner thinner(host.frame);
            driver.Trace().ForEachRow([&](const TraceRow& r) {
                last = r;
                if (thinner.Needed(r.u1, r.u2)) path.emplace_back(r.u1, r.u2);
            });
            EXPECT_EQ(row.iterations, last.iteration);
            EXPECT_EQ(row.evaluations, last.evaluations);
            EXPECT_TRUE(Same(row.j, last.j)) << row.j << " " << last.j;
            EXPECT_TRUE(Same(row.gradNorm, last.gradNorm)) << row.gradNorm << " " << last.gradNorm;
            EXPECT_TRUE(Same(row.accuracy, last.accuracy)) << row.accuracy << " " << last.accuracy;
            // Only the Newton methods that form a Hessian count them, and all of those do.
            EXPECT_EQ(row.hessianEvaluations, state.HessianEvaluations);
            if (!driver.Trace().Empty()) { EXPECT_EQ(row.usesHessian, state.HessianEvaluations > 0); }
            EXPECT_EQ(row.path, path);
            EXPECT_FALSE(row.ending.empty());
        }
    }
    std::fclose(sink);
}

TEST(CompareRun, MethodListsAndTheTables) {
    struct Case { const char* text; std::vector<MethodId> methods; bool ok; };
    const std::vector<Case> cases = {
        {"steepest-wolfe,Polak-Ribiere with Wolfe steps,bfgs-wolfe",
         {MethodId::SteepestWolfe, MethodId::PolakRibiereWolfe, MethodId::BfgsWolfe}, true},
        {"collinear,steepest-wolfe", {MethodId::Collinear, MethodId::SteepestWolfe}, true},
        // The positions older scripts give, and nothing past them.
        {"2,6,11", {MethodId::SteepestWolfe, MethodId::PolakRibiereWolfe, MethodId::LbfgsWolfe15}, true},
        {"18", {}, false},
        {"newton,,bfgs-wolfe", {}, false}, {"-1", {}, false},     {"newton;bfgs-wolfe", {}, false},
        {"", {}, false},                   {"newton,", {}, false}, {"newton,newton", {}, false},
        {"steepest-wolfe,newton,2", {}, false},
    };
    for (const Case& c : cases) {
        std::vector<int> positions;
        const auto error = ParseMethodList(c.text, positions);
        EXPECT_EQ(!error, c.ok) << c.text;
        std::vector<MethodId> methods;
        for (int p : positions) methods.push_back(MethodAtListPosition(p));
        if (c.ok) { EXPECT_EQ(methods, c.methods) << c.text; }
    }

    CompareRow row;
    row.method = "quasi-Newton L-BFGS, memory 15 pairs,Wolfe";
    row.ending = "Hessian<0 ! (Iteration=4).";
    row.iterations = 4;
    row.evaluations = 12;
    row.j = 0.5L;
    row.seconds = 0.000123;
    const std::string csv = FormatCompareCsv({row});
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")), "method,ending,iterations,evaluations,hessian_evaluations,J,grad_norm,accuracy,seconds");
    EXPECT_NE(csv.find("\r\n\"quasi-Newton L-BFGS, memory 15 pairs,Wolfe\",Hessian<0 ! (Iteration=4).,4,12,,"
                       "5.00000000000000000000e-01,"), std::string::npos) << csv;
    // A run of a small problem takes well under a millisecond.
    EXPECT_NE(csv.find(",0.000123\r\n"), std::string::npos) << csv;
    EXPECT_NE(FormatCompareBlocks({row}).find("time 0.000123 s"), std::string::npos);
    const std::string text = FormatCompareTable({row});
    EXPECT_EQ(text.rfind(','), text.find("pairs,") + 5) << "numbers never carry a decimal comma";
}

} // namespace
} // namespace tarvik
