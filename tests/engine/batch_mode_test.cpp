// The batch mode's command line, its output stream and its exit status.
#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <stdexcept>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/batch_host.h"
#include "app/batch_mode.h"
#include "app/batch_options.h"
#include "app/batch_run.h"
#include "app/run_driver.h"

namespace tarvik {
namespace {

std::string ReadAll(std::FILE* f) {
    std::rewind(f);
    std::string text;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, got);
    return text;
}

struct BatchResult {
    int status = -1;
    std::string out, err;
};

template <class Host = BatchHost>
BatchResult RunWith(const std::vector<std::string>& args) {
    BatchResult result;
    BatchOptions options;
    if (auto error = ParseBatchOptions(args, options)) {
        result.status = BatchExitUsage;
        result.err = *error;
        return result;
    }
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    Host host(out, err);
    RunState state(host);
    if constexpr (requires { host.state; }) host.state = &state;
    RunDriver driver(state);
    result.status = ApplyBatchOptions(options, state, err) ? RunBatch(options, state, driver, host) : BatchExitError;
    result.out = ReadAll(out);
    result.err = ReadAll(err);
    std::fclose(out);
    std::fclose(err);
    return result;
}

TEST(BatchOptions, RejectsBadCommandLines) {
    const std::vector<std::vector<std::string>> bad = {
        {"--n", "x", "--method", "0"},
        {"--n", "1", "--method", "0"},
        {"--function", "19", "--method", "0"},
        {"--function", "Rosenbrock", "--method", "0"},
        {"--method", "18"},
        {"--start", "30", "--method", "0"},
        {"--accuracy", "3", "--method", "0"},
        {"--on-failure", "maybe", "--method", "0"},
        {"--param", "WolfeC2=1", "--method", "0"},
        {"--param", "NoSuchThing=1", "--method", "0"},
        {"--param", "MaxSubIter=2.5", "--method", "0"},
        {"--frobnicate", "1", "--method", "0"},
        {"--n"},
        {"--n", "2"},                                   // no method
        {"--function", "17", "--method", "0"},          // no files for the quadratic
        {"--function", "3", "--accuracy", "1", "--method", "0"},  // no single minimum
        {"--figure", "", "--method", "0"},               // an empty file name is not "no file"
        {"--start-file", "", "--method", "0"},
        {"--ustar-file", "", "--method", "0"},
    };
    for (const auto& args : bad) {
        BatchOptions options;
        EXPECT_TRUE(ParseBatchOptions(args, options).has_value()) << args[0] << " " << (args.size() > 1 ? args[1] : "");
    }
}

TEST(BatchOptions, AcceptsNamesAndPositions) {
    BatchOptions o;
    ASSERT_FALSE(ParseBatchOptions({"--function", "Quadratic: Varnel", "--method", "quasi-Newton L-BFGS, memory 15 pairs,Wolfe",
                                    "--n", "10", "--accuracy", "2", "--eps", "0,001", "--on-failure", "all",
                                    "--param", "WolfeC2=0,25", "--param", "WolfeInterpolation=cubic", "--max-iterations", "5"},
                                   o));
    EXPECT_EQ(o.functionPosition, 11);
    EXPECT_EQ(o.methodPosition, 11);
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

    // Functions without a known minimum use the change of J.
    o = BatchOptions{};
    ASSERT_FALSE(ParseBatchOptions({"--function", "Saddle (n=2)", "--method", "0"}, o));
    EXPECT_EQ(o.accuracyMode, 2);
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
    const BatchResult r = RunWith<InterruptedHost>({"--n", "50", "--function", "18", "--start", "5", "--method", "14",
                                                    "--param", "NewtonCgForcingC=1e-100", "--param", "MaxSubIter=1000",
                                                    "--max-iterations", "2"});
    EXPECT_EQ(r.status, BatchExitInterrupted);
    EXPECT_NE(r.out.find(" Terminated by user\n"), std::string::npos);
    EXPECT_NE(r.out.find("sub-iterations = 149;"), std::string::npos);
}

TEST(BatchRun, Himmelblau28StartsTheCollinearMethodWithTheWindowsValues) {
    // The user's values go on top of the recommended ones.
    const BatchResult r = RunWith({"--function", "3", "--method", "17", "--accuracy", "2", "--eps", "1e-6", "--param",
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
    BatchResult r = RunWith({"--n", "3", "--function", "17", "--matrix-a", a, "--vector-b", b, "--c", "1,5",
                             "--ustar", "unknown", "--start-file", u0, "--method", "12", "--accuracy", "2", "--eps", "1e-10"});
    EXPECT_EQ(r.status, BatchExitNormal) << r.err;
    EXPECT_NE(r.out.find("\n   1.00   2.00   3.00\n"), std::string::npos);
    EXPECT_NE(r.out.find("   -0.67   1.67   -2.33\n Done"), std::string::npos);
    EXPECT_EQ(r.out.find("||u-u*||="), std::string::npos);

    r = RunWith({"--n", "2", "--function", "17", "--matrix-a", a, "--vector-b", b, "--method", "0"});
    EXPECT_EQ(r.status, BatchExitError);
    EXPECT_EQ(r.err, "File " + a + " is incorrect!\nCheck the dimension n.\n");

    r = RunWith({"--n", "3", "--function", "17", "--matrix-a", a, "--vector-b", shortB, "--method", "0"});
    EXPECT_EQ(r.err, "File " + shortB + " is incorrect!\n");

    r = RunWith({"--n", "3", "--function", "17", "--matrix-a", a, "--vector-b", b, "--c", "1.5x", "--method", "0"});
    EXPECT_EQ(r.err, "Incorrect data for C!\n");

    r = RunWith({"--n", "4", "--function", "6", "--start-file", u0, "--method", "0"});
    EXPECT_EQ(r.status, BatchExitError);
    EXPECT_EQ(r.err, "File " + u0 + " is incorrect!\n");
    EXPECT_EQ(r.out, "");
}

// What the painting side is asked to do, and what a failure to save does.
struct FigureLog {
    bool saveFails = false;
    int created = 0, steps = 0;
    std::size_t pathPoints = 0;
    std::string saved;
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
        std::vector<std::string> args = {"--function", "0", "--start", "5", "--method", "2", "--eps", "0.001"};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    };
    const std::vector<Case> cases = {
        // A single run draws even when nothing is saved; a comparison draws
        // its level lines (J may fail on their plane) but its paths only for a file.
        {with({}), false, BatchExitNormal, "", "", true},
        {with({"--figure", "f.JPG"}), false, BatchExitNormal, "f.JPG:j", "", true},
        {with({"--figure", "f.png"}), true, BatchExitError, "", "tarvik: cannot write f.png\n", true},
        {with({"--compare", "2,6"}), false, BatchExitNormal, "", "", false},
        {with({"--compare", "2,6", "--figure", "f.bmp"}), false, BatchExitNormal, "f.bmp:b", "", true},
        {with({"--compare", "2,6", "--figure", "f"}), true, BatchExitError, "", "tarvik: cannot write f\n", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        FigureLog log;
        log.saveFails = c.saveFails;
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        const int status =
            RunBatchMode(c.args, out, err, [&log] { return std::make_unique<RecordingFigure>(log); });
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

} // namespace
} // namespace tarvik
