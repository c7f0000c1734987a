// The batch mode's command line, its output streams and files, and its exit status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <cstdio>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "app/atomic_file.h"
#include "app/batch_host.h"
#include "app/batch_mode.h"
#include "app/batch_options.h"
#include "app/batch_run.h"
#include "app/run_description.h"
#include "app/run_driver.h"
#include "batch_line.h"
#include "core/function_catalogue.h"
#include "core/method_catalogue.h"
#include "file_size_limit.h"
#include "temp_folder.h"

namespace tarvik {
namespace {

TEST(BatchOptions, RejectsBadCommandLines) {
    const std::vector<std::vector<std::string>> bad = {
        {"--n", "x", "--method", "constant-step"},
        {"--n", "1", "--method", "constant-step"},
        {"--function", "19", "--method", "constant-step"},
        {"--function", "Rosenbrock", "--method", "constant-step"},
        {"--method", "18"},
        {"--start", "30", "--method", "constant-step"},
        {"--accuracy", "3", "--method", "constant-step"},
        {"--on-failure", "maybe", "--method", "constant-step"},
        {"--param", "WolfeC2=1", "--method", "constant-step"},
        {"--param", "NoSuchThing=1", "--method", "constant-step"},
        {"--param", "MaxSubIter=2.5", "--method", "constant-step"},
        {"--frobnicate", "1", "--method", "constant-step"},
        {"--n"},
        {"--n", "2"},                                   // no method
        {"--function", "quadratic-file", "--method", "constant-step"},          // no files for the quadratic
        {"--function", "himmelblau-28", "--accuracy", "1", "--method", "constant-step"},  // no single minimum
        {"--figure", "", "--method", "constant-step"},               // an empty file name is not "no file"
        {"--start-file", "", "--method", "constant-step"},
        {"--ustar-file", "", "--method", "constant-step"},
        {"--compare", "steepest-wolfe", "--csv", ""},
        {"--csv", "t.csv", "--method", "constant-step"},             // a table needs --compare
        {"--trace", "-", "--figure", "-", "--method", "constant-step"},  // one output on standard output
        {"--compare", "steepest-wolfe", "--csv", "-", "--figure", "-"},
        {"--compare", "steepest-wolfe", "--csv", "--figure", "-"},   // bare --csv prints there
    };
    for (const auto& args : bad) {
        BatchOptions options;
        EXPECT_TRUE(ParseBatchOptions(args, options).has_value()) << args[0] << " " << (args.size() > 1 ? args[1] : "");
    }
    // The views' options, with what they say.
    const std::pair<std::vector<std::string>, std::string> said[] = {
        {{"--start-point", "1,x"}, "Invalid numeric format in --start-point '1,x'"},
        {{"--start-point", "1e99999,2"}, "Invalid numeric format in --start-point '1e99999,2'"},
        {{"--start-point", "1"}, "--start-point needs at least u1 and u2, got '1'"},
        {{"--start-point", "1,2,3"}, "The starting point has 3 coordinates, more than n=2!"},
        {{"--figure-size", "0x0"}, "--figure-size must be WxH, each from 64 to 4096 pixels, got '0x0'"},
        {{"--figure-size", "800x5000"}, "--figure-size must be WxH"},
        {{"--plot", "p.pdf"}, "--plot writes .png or .svg, got 'p.pdf'"},
        {{"--plot-y", "hessian"}, "--plot-y must be j, grad or accuracy"},
        {{"--plot-x", "seconds"}, "--plot-x must be iterations or evaluations"},
        {{"--animate", ""}, "option --animate needs a file name"},
        {{"--animate", "-", "--plot", "-"}, "--animate - and --plot - cannot both go to standard output"},
    };
    for (const auto& [args, message] : said) {
        BatchOptions options;
        std::vector<std::string> line = args;
        line.insert(line.end(), {"--method", "newton"});
        const std::optional<std::string> error = ParseBatchOptions(line, options);
        ASSERT_TRUE(error.has_value()) << message;
        EXPECT_EQ(error->rfind(message, 0), 0u) << *error;
    }
}

TEST(BatchOptions, AcceptsNamesAndPositions) {
    BatchOptions o;
    ASSERT_FALSE(ParseBatchOptions({"--function", "Quadratic: Varnel", "--method", "quasi-Newton L-BFGS, memory 15 pairs,Wolfe",
                                    "--n", "10", "--accuracy", "2", "--eps", "0,001", "--on-failure", "all",
                                    "--param", "WolfeC2=0,25", "--param", "WolfeInterpolation=cubic", "--max-iterations", "5"},
                                   o));
    EXPECT_EQ(o.functionPosition, ListPosition(FunctionId::QuadraticVarnel));
    EXPECT_EQ(o.methodPosition, ListPosition(MethodId::LbfgsWolfe15));
    EXPECT_EQ(o.n, 10);
    EXPECT_EQ(o.accuracyMode, 2);
    EXPECT_EQ(o.epsText, "0,001");
    EXPECT_EQ(o.failureAnswer, FailureAnswer::YesToAll);
    ASSERT_TRUE(o.maxIterations.has_value());
    EXPECT_EQ(*o.maxIterations, 5);
    TunableParameters p;
    for (const auto& [name, value] : o.params) ASSERT_FALSE(ApplyParameter(p, name, value));
    EXPECT_EQ(p.WolfeC2, 0.25L);
    EXPECT_EQ(p.WolfeInterpolation, 1);

    // Every entry by its name and by its list text; old scripts' positions
    // still name what they named when names came.
    for (const MethodTraits& m : MethodList()) {
        for (const std::string_view text : {m.key, m.name}) {
            o = BatchOptions{};
            ASSERT_FALSE(ParseBatchOptions({"--method", std::string(text)}, o)) << text;
            EXPECT_EQ(o.methodPosition, ListPosition(m.id)) << text;
        }
    }
    for (const FunctionTraits& f : FunctionList()) {
        for (const std::string_view text : {f.key, f.name}) {
            o = BatchOptions{};
            std::vector<std::string> args{"--function", std::string(text), "--method",   "newton", "--accuracy",
                                          "2",          "--matrix-a",      "a",          "--vector-b", "b"};
            if (f.typed) args.insert(args.end(), {"--formula", "u1"});
            ASSERT_FALSE(ParseBatchOptions(args, o))
                << text;
            EXPECT_EQ(o.functionPosition, ListPosition(f.id)) << text;
        }
    }
    // (Entries added since have none: a number past the old list is refused
    // above, whatever the catalogue holds now.)
    const std::pair<const char*, MethodId> oldMethods[] = {
        {"0", MethodId::ConstantStep}, {"8", MethodId::BfgsWolfe}, {"11", MethodId::LbfgsWolfe15},
        {"12", MethodId::Newton}, {"14", MethodId::NewtonCg}, {"17", MethodId::Collinear}};
    for (const auto& [position, id] : oldMethods) {
        o = BatchOptions{};
        ASSERT_FALSE(ParseBatchOptions({"--method", position}, o));
        EXPECT_EQ(MethodAtListPosition(o.methodPosition), id) << position;
    }
    const std::pair<const char*, FunctionId> oldFunctions[] = {
        {"0", FunctionId::Rosenbrock}, {"6", FunctionId::AxisEllipsoid}, {"7", FunctionId::AxisEllipsoidSin},
        {"16", FunctionId::HilbertB}, {"18", FunctionId::GeneralizedRosenbrock}};
    for (const auto& [position, id] : oldFunctions) {
        o = BatchOptions{};
        ASSERT_FALSE(ParseBatchOptions({"--function", position, "--method", "newton"}, o));
        EXPECT_EQ(FunctionAtListPosition(o.functionPosition), id) << position;
    }

    // Functions without a known minimum use the change of J.
    o = BatchOptions{};
    ASSERT_FALSE(ParseBatchOptions({"--function", "Saddle (n=2)", "--method", "constant-step"}, o));
    EXPECT_EQ(o.accuracyMode, 2);

    // --csv takes the next argument as its file unless it is an option.
    const std::tuple<std::vector<std::string>, bool, std::string> csvCases[] = {
        {{"--compare", "steepest-wolfe", "--csv"}, true, ""},
        {{"--compare", "steepest-wolfe", "--csv", "--max-iterations", "5"}, true, ""},
        {{"--compare", "steepest-wolfe", "--csv", "t.csv"}, false, "t.csv"},
        {{"--compare", "steepest-wolfe", "--csv", "-"}, false, "-"},
    };
    for (const auto& [args, bare, file] : csvCases) {
        o = BatchOptions{};
        ASSERT_FALSE(ParseBatchOptions(args, o));
        EXPECT_EQ(o.csv, bare);
        EXPECT_EQ(o.csvFile, file);
        EXPECT_EQ(o.OutputToStandardOutput(), file == "-");
    }
}

// Ctrl-C in a long inner loop (the conjugate-gradient sub-steps of a tiny
// forcing constant) stops the run there, with the exit status of Ctrl-C.
TEST(BatchRun, CtrlCInsideALongInnerLoopStopsTheRun) {
    struct InterruptedHost : BatchHost {
        using BatchHost::BatchHost;
        RunState* state = nullptr;
        void ProcessEvents() override {
            if (state->Running && state->IterCount == 0 && state->SubIterCount >= 100) std::raise(SIGINT);
            BatchHost::ProcessEvents();
        }
    };
    const BatchResult r = RunWith<InterruptedHost>({"--n", "50", "--function", "generalized-rosenbrock", "--start", "5", "--method", "newton-cg",
                                                    "--param", "NewtonCgForcingC=1e-100", "--param", "MaxSubIter=1000",
                                                    "--max-iterations", "2"});
    EXPECT_EQ(r.status, BatchExitInterrupted);
    EXPECT_NE(r.out.find(" Terminated by user\n"), std::string::npos);
    EXPECT_NE(r.out.find("sub-iterations = 149;"), std::string::npos);
}

// Ctrl-C after the run's last look at it (while its final lines are
// written) still ends the program as interrupted.
TEST(BatchRun, CtrlCAfterTheLastIterationStillCounts) {
    struct LateInterruptHost : BatchHost {
        using BatchHost::BatchHost;
        void AppendLine(const std::string& line) override {
            if (line.rfind("Final point u", 0) == 0) std::raise(SIGINT);
            BatchHost::AppendLine(line);
        }
    };
    const BatchResult r = RunWith<LateInterruptHost>({"--function", "rosenbrock", "--start", "5", "--method", "newton", "--eps", "1e-4"});
    EXPECT_EQ(r.status, BatchExitInterrupted);
}

TEST(BatchRun, Himmelblau28StartsTheCollinearMethodWithTheWindowsValues) {
    // The user's values go on top of the recommended ones.
    const BatchResult r = RunWith({"--function", "himmelblau-28", "--method", "collinear", "--accuracy", "2", "--eps", "1e-6", "--param",
                                   "CollC1=0.2", "--max-iterations", "1"});
    EXPECT_NE(r.out.find("\nDelta=5.0E-02,   c1=2.0E-01,"), std::string::npos) << r.out;
}

std::string WriteTemp(const std::string& name, const std::string& text) {
    const std::string path = ::testing::TempDir() + "batch_" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

TEST(BatchRun, QuadraticFromFilesIsValidatedLikeTheWindow) {
    const std::string a = WriteTemp("A3", "4 1 0\n1 3 1\n0 1 2\n");
    const std::string b = WriteTemp("b3", "1 -2 3");
    const std::string shortB = WriteTemp("b2", "1 -2");
    const std::string u0 = WriteTemp("u0", " 1\n2\n3 ");

    // One Newton step solves A u = -b; with u* unknown the rows have no distance.
    BatchResult r = RunWith({"--n", "3", "--function", "quadratic-file", "--matrix-a", a, "--vector-b", b, "--c", "1,5",
                             "--ustar", "unknown", "--start-file", u0, "--method", "newton", "--accuracy", "2", "--eps", "1e-10"});
    EXPECT_EQ(r.status, BatchExitNormal) << r.err;
    EXPECT_NE(r.out.find("\n   1.00   2.00   3.00\n"), std::string::npos);
    EXPECT_NE(r.out.find("   -0.67   1.67   -2.33\n Done"), std::string::npos);
    EXPECT_EQ(r.out.find("||u-u*||="), std::string::npos);

    r = RunWith({"--n", "2", "--function", "quadratic-file", "--matrix-a", a, "--vector-b", b, "--method", "constant-step"});
    EXPECT_EQ(r.status, BatchExitError);
    EXPECT_EQ(r.err, "File " + a + " is incorrect!\nCheck the dimension n.\n");

    r = RunWith({"--n", "3", "--function", "quadratic-file", "--matrix-a", a, "--vector-b", shortB, "--method", "constant-step"});
    EXPECT_EQ(r.err, "File " + shortB + " is incorrect!\n");

    r = RunWith({"--n", "3", "--function", "quadratic-file", "--matrix-a", a, "--vector-b", b, "--c", "1.5x", "--method", "constant-step"});
    EXPECT_EQ(r.err, "Incorrect data for C!\n");

    r = RunWith({"--n", "4", "--function", "axis-ellipsoid", "--start-file", u0, "--method", "constant-step"});
    EXPECT_EQ(r.status, BatchExitError);
    EXPECT_EQ(r.err, "File " + u0 + " is incorrect!\n");
    EXPECT_EQ(r.out, "");

    // A u* too far from u° for their distance to be held, and a u° so close
    // to u* that the first step's distance over it overflows: no accuracy
    // can be computed, and the run fails instead of going on (or ending
    // "Done" at a gradient of zero).
    const std::string a2 = WriteTemp("A2", "2 0\n0 2\n"), far = WriteTemp("far", "1e4932 1");
    const std::vector<std::string> quadratic = {"--n", "2", "--function", "quadratic-file", "--matrix-a", a2,
                                                "--method", "newton", "--eps", "0.001"};
    const std::pair<std::vector<std::string>, std::string> absurd[] = {
        {{"--vector-b", WriteTemp("b2ones", "1 2"), "--ustar-file", far, "--start", "5"}, "||u°-u*|| is not finite."},
        {{"--vector-b", WriteTemp("b2far", "-2e2463 0"), "--start-file", WriteTemp("near", "1e-2470 0")},
         "It is not finite."},
    };
    for (const auto& [extra, reason] : absurd) {
        SCOPED_TRACE(reason);
        std::vector<std::string> args = quadratic;
        args.insert(args.end(), extra.begin(), extra.end());
        r = RunWith(args);
        EXPECT_EQ(r.status, BatchExitError);
        EXPECT_EQ(r.err, "Error of computing the minimization accuracy!  " + reason + "\n");
        EXPECT_EQ(r.out.find(" Done"), std::string::npos);
    }
}

// What the painting side is asked to do, and what a failure to save does.
struct FigureLog {
    bool saveFails = false;
    int created = 0, steps = 0;
    std::size_t pathPoints = 0;
    std::string saved, animated;
    std::vector<int64_t> comparedRows;
};

struct RecordingFigure : BatchFigure {
    explicit RecordingFigure(FigureLog& l) : log(l) {}
    FigureLog& log;
    bool exists = false;
    void Create() override {
        exists = true;
        ++log.created;
    }
    void DrawLevelLines(RunState&) override {}
    void DrawTrajectoryStep(RunState&) override { ++log.steps; }
    void Destroy() override { exists = false; }
    bool Exists() const override { return exists; }
    void DrawComparePaths(std::vector<CompareRow>& rows) override {
        for (const CompareRow& row : rows) log.pathPoints += row.path.size();
    }
    void Save(const std::string& path, char type) override {
        if (log.saveFails) throw std::runtime_error("cannot write " + path);
        log.saved = path + ":" + type;
    }
    void SaveRunAnimation(const RunTrace& trace, const std::string& path) override {
        log.animated = path + ":" + std::to_string(trace.RowCount());
    }
    void AddComparedRun(const std::string&, const RunTrace& trace) override { log.comparedRows.push_back(trace.RowCount()); }
    void SaveCompareAnimation(const std::string& path) override {
        log.animated = path + ":" + std::to_string(log.comparedRows.size()) + ":" + std::to_string(log.comparedRows[0]);
    }
};

TEST(BatchMode, DrawsAndSavesTheFigureThroughItsPainter) {
    struct Case {
        std::vector<std::string> args;
        bool saveFails;
        int status;
        std::string saved, err;
        bool drawn;
    };
    const auto with = [](std::vector<std::string> extra) {
        std::vector<std::string> args = {"--function", "rosenbrock", "--start", "5", "--method", "steepest-wolfe", "--eps", "0.001"};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    };
    const std::vector<Case> cases = {
        // A single run draws even when nothing is saved; a comparison draws
        // its level lines (J may fail on their plane) but its paths only for a file.
        {with({}), false, BatchExitNormal, "", "", true},
        {with({"--figure", "f.JPG"}), false, BatchExitNormal, "f.JPG:j", "", true},
        {with({"--figure", "f.png"}), true, BatchExitError, "", "tarvik: cannot write f.png\n", true},
        {with({"--compare", "steepest-wolfe,polak-ribiere-wolfe"}), false, BatchExitNormal, "", "", false},
        {with({"--compare", "steepest-wolfe,polak-ribiere-wolfe", "--figure", "f.bmp"}), false, BatchExitNormal, "f.bmp:b", "", true},
        {with({"--compare", "steepest-wolfe,polak-ribiere-wolfe", "--figure", "f"}), true, BatchExitError, "", "tarvik: cannot write f\n", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        FigureLog log;
        log.saveFails = c.saveFails;
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        const int status =
            RunBatchMode(c.args, out, err, [&log](const BatchOptions&) { return std::make_unique<RecordingFigure>(log); });
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(ReadAll(err), c.err);
        EXPECT_FALSE(ReadAll(out).empty());
        std::fclose(out);
        std::fclose(err);
        EXPECT_EQ(log.saved, c.saved);
        EXPECT_EQ(log.created, 1);
        const bool compare = c.args.size() > 8 && c.args[8] == "--compare";
        EXPECT_EQ(compare ? log.pathPoints > 2 : log.steps > 0, c.drawn);
    }
}

// The views drawn from the traces: the animation of the single run's trace
// or of every compared run's, and the convergence plot with J* where u* is
// known, one series per run in its path's colour.
TEST(BatchMode, DrawsTheViewsFromTheRunsTraces) {
    // What was saved where, and the plot.
    struct RecordingPlotter : BatchPlotter {
        explicit RecordingPlotter(std::vector<std::pair<std::string, ConvergencePlot>>& l) : log(l) {}
        std::vector<std::pair<std::string, ConvergencePlot>>& log;
        void Save(const ConvergencePlot& plot, const std::string& path, char type) override {
            log.emplace_back(path + ":" + type, plot);
        }
    };
    struct Case {
        std::vector<std::string> args;
        std::string animated, plotted, yTitle;
        std::vector<int> colours;
    };
    const std::vector<std::string> run = {"--function", "rosenbrock", "--start", "5", "--eps", "0.001"};
    const auto with = [&run](std::vector<std::string> extra) {
        extra.insert(extra.begin(), run.begin(), run.end());
        return extra;
    };
    const std::vector<Case> cases = {
        // 108 iterations and the starting point.
        {with({"--method", "steepest-wolfe", "--animate", "a.gif", "--plot", "p.png"}), "a.gif:109", "p.png:p",
         "J \u2212 J*", {-1}},
        {with({"--method", "bfgs-wolfe", "--plot", "P.SVG", "--plot-y", "grad", "--plot-x", "evaluations"}), "",
         "P.SVG:s", "||gradJ||", {-1}},
        {with({"--compare", "steepest-wolfe,bfgs-wolfe", "--animate", "-", "--plot", "p.png", "--plot-y", "accuracy"}),
         "-:2:109", "p.png:p", "accuracy ||u\u2212u*|| / ||u\u00B0\u2212u*||", {0, 1}},
        {{"--function", "himmelblau-28", "--start", "5", "--method", "bfgs-wolfe", "--plot", "p.png"}, "", "p.png:p",
         "J (J* not known)", {-1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[5]);
        FigureLog log;
        std::vector<std::pair<std::string, ConvergencePlot>> plots;
        std::FILE* sink = std::tmpfile();
        const int status = RunBatchMode(
            c.args, sink, sink, [&log](const BatchOptions&) { return std::make_unique<RecordingFigure>(log); },
            [&plots] { return std::make_unique<RecordingPlotter>(plots); });
        std::fclose(sink);
        EXPECT_EQ(status, BatchExitNormal);
        EXPECT_EQ(log.animated, c.animated);
        ASSERT_EQ(plots.size(), 1u);
        EXPECT_EQ(plots[0].first, c.plotted);
        const ConvergencePlot& plot = plots[0].second;
        EXPECT_EQ(plot.yTitle, c.yTitle);
        ASSERT_EQ(plot.series.size(), c.colours.size());
        for (std::size_t i = 0; i < c.colours.size(); ++i) {
            EXPECT_EQ(plot.series[i].colourIndex, c.colours[i]);
            EXPECT_GT(plot.series[i].points.size(), 2u);
        }
    }
}

// Batch runs whose outputs are real files in a folder of their own.
class BatchFilesTest : public testing::TempFolderTest {
protected:
    BatchResult Run(const std::vector<std::string>& args) {
        FigureLog log;
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        BatchResult r;
        r.status = RunBatchMode(args, out, err, [&log](const BatchOptions&) { return std::make_unique<RecordingFigure>(log); });
        r.out = ReadAll(out);
        r.err = ReadAll(err);
        std::fclose(out);
        std::fclose(err);
        return r;
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
};

// "--trace -" goes to the standard output alone; the report then goes to
// standard error.
TEST_F(BatchFilesTest, TheStandardOutputCarriesTheTraceAloneInAPipe) {
    const std::string captured = Path("stdout");
    std::fflush(stdout);
    const int saved = ::dup(STDOUT_FILENO);
    const int fd = ::open(captured.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_TRUE(saved >= 0 && fd >= 0 && ::dup2(fd, STDOUT_FILENO) == STDOUT_FILENO);
    ::close(fd);
    const BatchResult r = Run({"--function", "rosenbrock", "--start", "5", "--method", "steepest-wolfe", "--eps", "0.001", "--trace", "-"});
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    EXPECT_EQ(r.status, BatchExitNormal) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("\n Iteration=1:"), std::string::npos);
    const std::string csv = testing::ReadBytes(captured);
    EXPECT_EQ(csv.rfind("iteration,evaluations,J,", 0), 0u) << csv.substr(0, 100);
    EXPECT_FALSE(std::filesystem::exists("-.json"));
}

// A copy of the full device: the run ends with exit 1 and a message that
// names the file, and the node is still the device.
TEST_F(BatchFilesTest, AFullDeviceFailsTheRunAndStaysTheDevice) {
    const std::string full = Path("full");
    if (::mknod(full.c_str(), S_IFCHR | 0600, makedev(1, 7)) != 0) GTEST_SKIP() << "mknod is not permitted here";
    const BatchResult r = Run({"--function", "rosenbrock", "--start", "5", "--method", "steepest-wolfe", "--eps", "0.001", "--trace", full});
    EXPECT_EQ(r.status, BatchExitError);
    EXPECT_EQ(r.err, "tarvik: cannot write the trace " + full + ": " + SystemErrorText(ENOSPC) + "\n");
    struct stat node {};
    EXPECT_TRUE(::stat(full.c_str(), &node) == 0 && S_ISCHR(node.st_mode));
    EXPECT_FALSE(std::filesystem::exists(Path("full.json")));
}

// Every failure to write the report, the table or the help text is an exit
// status of 1 with the reason, whatever the standard output is: a copy of
// the full device, a pipe whose reader has gone, a file past the file-size
// limit.
TEST_F(BatchFilesTest, AReportThatCannotBeWrittenFailsTheRun) {
    const std::vector<std::string> run = {"--function", "rosenbrock", "--start", "5", "--eps", "0.001"};
    const std::pair<std::vector<std::string>, std::string> commands[] = {
        {{"--method", "steepest-wolfe"}, "the report"},
        {{"--compare", "steepest-wolfe,newton", "--csv"}, "the table"},
        {{"--help"}, "the help text"},
    };
    const std::string full = Path("full");
    const bool haveFull = ::mknod(full.c_str(), S_IFCHR | 0600, makedev(1, 7)) == 0;
    for (const auto& [extra, what] : commands) {
        std::vector<std::string> args = run;
        args.insert(args.end(), extra.begin(), extra.end());
        for (const std::string sink : {"full device", "closed pipe", "file-size limit"}) {
            SCOPED_TRACE(what + " to a " + sink);
            std::FILE* out = nullptr;
            int error = 0;
            std::unique_ptr<FileSizeLimit> limit;
            if (sink == "full device") {
                if (!haveFull) continue;
                out = std::fopen(full.c_str(), "w");
                error = ENOSPC;
            } else if (sink == "closed pipe") {
                int fds[2];
                ASSERT_EQ(::pipe(fds), 0);
                ::close(fds[0]);
                out = ::fdopen(fds[1], "w");
                error = EPIPE;
            } else {
                out = std::fopen(Path("report.txt").c_str(), "w");
                limit = std::make_unique<FileSizeLimit>(100);
                error = EFBIG;
            }
            ASSERT_NE(out, nullptr);
            char* messages = nullptr;
            std::size_t size = 0;
            std::FILE* err = open_memstream(&messages, &size);
            FigureLog log;
            const int status = RunBatchMode(args, out, err, [&log](const BatchOptions&) { return std::make_unique<RecordingFigure>(log); });
            limit.reset();
            std::fclose(out);
            std::fclose(err);
            const std::string said(messages, size);
            std::free(messages);
            EXPECT_EQ(status, BatchExitError);
            EXPECT_NE(said.find("tarvik: cannot write " + what + ": " + SystemErrorText(error) + "\n"), std::string::npos)
                << said;
        }
    }
}

// Nothing is written for a run that did not start: an older trace (or
// table) of that name stays as it was, without a description beside it.
// A read-only file is not replaced either.
TEST_F(BatchFilesTest, AnInputErrorLeavesTheOlderOutputAsItWas) {
    const std::string start = Write("start.txt", "1 2 3");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const std::vector<std::string> run = {"--function", "rosenbrock", "--start", "5", "--method", "steepest-wolfe"};
    const auto with = [&run](std::vector<std::string> extra) {
        extra.insert(extra.begin(), run.begin(), run.end());
        return extra;
    };
    const std::vector<Case> cases = {
        {with({"--eps", "nan"}), BatchExitError, "Incorrect data in accuracy panel!\n"},
        {with({"--eps", "0"}), BatchExitError, "The accuracy must be a number from 1E-20 to 1 (eps=0).\n"},
        {with({"--start-file", Path("missing.txt")}), BatchExitError, "Cannot open file " + Path("missing.txt")},
        {with({"--start-file", start}), BatchExitError, "File " + start + " is incorrect!\n"},
        {with({"--start-point", "1,x"}), BatchExitUsage, "Invalid numeric format in --start-point '1,x'"},
        {with({"--n", "300000000"}), BatchExitUsage, "The dimension n must be an integer not greater than 10000"},
        {{"--n", "3", "--function", "rosenbrock", "--compare", "steepest-wolfe,newton", "--csv", Path("old.csv")},
         BatchExitError, "This function has dimensionality n=2 only!\n"},
        {with({"--eps", "0.01", "--trace", Path("kept.csv")}), BatchExitError, "Permission denied"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[c.args.size() - 1]);
        const std::string old = Write("old.csv", "old table"), kept = Write("kept.csv", "kept");
        ASSERT_EQ(::chmod(kept.c_str(), 0444), 0);
        std::vector<std::string> args = c.args;
        if (std::find(args.begin(), args.end(), "--csv") == args.end() &&
            std::find(args.begin(), args.end(), "--trace") == args.end())
            args.insert(args.end(), {"--trace", old});
        const BatchResult r = Run(args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(testing::ReadBytes(old), "old table");
        EXPECT_EQ(testing::ReadBytes(kept), "kept");
        EXPECT_FALSE(std::filesystem::exists(Path("old.json")));
        std::filesystem::remove(kept);
    }
}

// The words of a command line as the shell splits them ('...' and \').
std::vector<std::string> ShellWords(const std::string& line) {
    std::vector<std::string> words(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\'') quoted = !quoted;
        else if (c == '\\' && !quoted && i + 1 < line.size()) words.back() += line[++i];
        else if (c == ' ' && !quoted) words.emplace_back();
        else words.back() += c;
    }
    return words;
}

using Description = nlohmann::basic_json<std::map, std::vector, std::string, bool, std::int64_t, std::uint64_t, long double>;

Description ReadDescription(const std::string& path) { return Description::parse(testing::ReadBytes(path)); }

// A starting point given by its coordinates takes the place of the item's
// first ones: the same run as the item of that point, and the description
// says so and repeats it.
TEST_F(BatchFilesTest, AGivenStartingPointReplacesTheItemsFirstCoordinates) {
    const std::vector<std::string> run = {"--function", "rosenbrock", "--method", "steepest-wolfe", "--eps", "0.001"};
    const auto with = [&run](std::vector<std::string> extra) {
        extra.insert(extra.begin(), run.begin(), run.end());
        return extra;
    };
    // The report but its time.
    const auto report = [&](std::vector<std::string> extra) {
        const BatchResult r = Run(with(std::move(extra)));
        EXPECT_EQ(r.status, BatchExitNormal) << r.err;
        const std::size_t time = r.out.find("Operating time");
        return time == std::string::npos ? r.out : r.out.substr(0, time) + r.out.substr(r.out.find('\n', time));
    };
    EXPECT_EQ(report({"--start-point", "-1.2,1"}), report({"--start", "5"}));

    // At n = 4 the others are the item's.
    const BatchResult r = Run({"--n", "4", "--function", "generalized-rosenbrock", "--start", "20", "--start-point",
                               " 0.5, 2E-1 ", "--method", "bfgs-wolfe", "--trace", Path("given.csv")});
    ASSERT_EQ(r.status, BatchExitNormal) << r.err;
    const Description d = ReadDescription(Path("given.json"));
    EXPECT_EQ(d["starting_point"]["u0"], Description::parse("[0.5, 0.2, 1, 1]"));
    EXPECT_EQ(d["starting_point"]["given"], Description::parse("[0.5, 0.2]"));
}

// The JSON beside a trace says what the run was run on, u° to the last
// bit, and its command line repeats the run: the same CSV again.
TEST_F(BatchFilesTest, TheDescriptionBesideTheTraceRepeatsTheRun) {
    const std::string a = Write("A m.txt", "4 1 0\n1 3 1\n0 1 2\n"), b = Write("b.txt", "1 -2 3"),
                      ustar = Write("ustar.txt", "0.5 -1 2"),
                      // A name that would break a line or a field if written as it is.
                      start = Write("u 0's\n\"1\",2.txt", "0.1\n-1.25\n2");
    const std::vector<std::string> run = {"--n", "3", "--function", "quadratic-file", "--matrix-a", a, "--vector-b", b, "--c", "1,5",
                                          "--ustar-file", ustar, "--start-file", start, "--start-point", "0.1,-1.25", "--method", "bfgs-wolfe", "--accuracy",
                                          "2", "--eps", "1e-10", "--param", "WolfeC2=0.25", "--on-failure", "all"};
    std::vector<std::string> args = run;
    args.insert(args.end(), {"--trace", Path("run.CSV")});
    BatchResult r = Run(args);
    ASSERT_EQ(r.status, BatchExitNormal) << r.err;
    const Description d = ReadDescription(Path("run.json"));
    EXPECT_EQ(d["program"], "Tarvik");
    EXPECT_EQ(d["function"]["name"], "Quadratic from FILE");
    EXPECT_EQ(d["function"]["position"], 17);
    EXPECT_EQ(d["n"], 3);
    EXPECT_EQ(d["method"]["name"], "quasi-Newton BFGS with Wolfe steps");
    EXPECT_EQ(d["starting_point"]["item"], 29);
    EXPECT_EQ(d["starting_point"]["file"], start);
    EXPECT_EQ(d["starting_point"]["u0"], Description::parse("[0.1, -1.25, 2]")) << "every bit of u°";
    EXPECT_EQ(d["starting_point"]["u0"][0].get<long double>(), 0.1L);
    EXPECT_EQ(d["starting_point"]["given"], Description::parse("[0.1, -1.25]")) << "the same as the file's";
    EXPECT_EQ(d["accuracy"]["eps"], "1e-10");
    EXPECT_EQ(d["parameters"]["WolfeC2"].get<long double>(), 0.25L);
    EXPECT_EQ(d["parameters"]["ConstStepSize"].get<long double>(), 0.3L);
    EXPECT_EQ(d["parameters"].size(), 17u) << "every parameter once";
    EXPECT_EQ(d["on_failure"], "all");
    EXPECT_EQ(d["quadratic_from_files"],
              Description({{"matrix_a", a}, {"vector_b", b}, {"c", "1,5"}, {"ustar", "file"}, {"ustar_file", ustar}}));

    std::vector<std::string> again = ShellWords(d["command_line"].get<std::string>());
    ASSERT_GE(again.size(), 2u);
    EXPECT_EQ(again[0], "tarvik");
    EXPECT_EQ(again[1], "--batch");
    again.erase(again.begin(), again.begin() + 2);
    again.insert(again.end(), {"--trace", Path("again.csv")});
    r = Run(again);
    ASSERT_EQ(r.status, BatchExitNormal) << r.err;
    EXPECT_EQ(testing::ReadBytes(Path("again.csv")), testing::ReadBytes(Path("run.CSV")));
    EXPECT_EQ(testing::ReadBytes(Path("again.json")), testing::ReadBytes(Path("run.json")));

    // A comparison's table gets the same description, with its methods.
    r = Run({"--function", "rosenbrock", "--start", "5", "--eps", "1e-3", "--compare", "steepest-wolfe,bfgs-wolfe", "--max-iterations", "30", "--csv",
             Path("table")});
    ASSERT_EQ(r.status, BatchExitNormal) << r.err;
    EXPECT_EQ(r.out.rfind("method  ", 0), 0u) << "the aligned table is printed as well";
    EXPECT_EQ(testing::ReadBytes(Path("table")).rfind("method,ending,", 0), 0u);
    const Description c = ReadDescription(Path("table.json"));
    EXPECT_EQ(c["compared_methods"][1]["position"], 8);
    EXPECT_EQ(c["max_iterations"], 30);
    EXPECT_FALSE(c.contains("method"));
    EXPECT_NE(c["command_line"].get<std::string>().find(" --compare steepest-wolfe,bfgs-wolfe "), std::string::npos);

    const std::pair<const char*, const char*> names[] = {
        {"run.csv", "run.json"}, {"RUN.Csv", "RUN.json"}, {"run", "run.json"}, {"run.csv.txt", "run.csv.txt.json"}};
    for (const auto& [csv, json] : names) EXPECT_EQ(DescriptionPathFor(csv), json);
}

} // namespace
} // namespace tarvik
