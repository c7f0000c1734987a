// The iteration trace: every iteration kept (also past the in-memory window),
// plain RFC 4180 rows, full precision, files never half-written, and what
// each row says about its step.
#include "app/run_trace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>
#include <thread>
#include <string>
#include <string_view>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "app/batch_host.h"
#include "app/batch_options.h"
#include "app/batch_run.h"
#include "app/convergence_data.h"
#include "app/run_driver.h"
#include "app/atomic_file.h"
#include "app/trace_stream.h"
#include "file_size_limit.h"
#include "temp_folder.h"

namespace tarvik {
namespace {

std::string CsvOf(const RunTrace& trace) {
    std::string text;
    EXPECT_EQ(trace.WriteCsvTo([&text](std::string_view piece) { text += piece; return 0; }), 0);
    return text;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0, end;
    while ((end = text.find("\r\n", start)) != std::string::npos) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    EXPECT_EQ(start, text.size()) << "every line ends with CRLF";
    return lines;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream in(line);
    std::string field;
    while (std::getline(in, field, ',')) fields.push_back(field);
    if (!line.empty() && line.back() == ',') fields.push_back("");
    return fields;
}

TEST(RunTraceCsv, KeepsEveryRowInOrderPastTheMemoryWindow) {
    RunTrace trace;
    trace.Start(TraceHeader{1000, false});
    const int32_t rows = static_cast<int32_t>(2 * RunTrace::WindowRows + 7);
    constexpr Real none = std::numeric_limits<Real>::quiet_NaN();
    for (int32_t k = 0; k < rows; ++k) {
        TraceRow r;
        r.iteration = k;
        r.evaluations = 3 * k;
        r.subIterations = k % 3 == 0 ? -1 : k % 5;
        r.j = 1.0L / (k + 1);
        r.u1 = k;
        r.stepLength = k == 0 ? none : 0.5L;
        r.alpha = k % 2 == 0 ? none : 0.25L;
        trace.Add(r);
    }
    EXPECT_EQ(trace.RowCount(), rows);
    const std::vector<std::string> lines = Lines(CsvOf(trace));
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(1 + rows));
    EXPECT_EQ(lines[0], "iteration,evaluations,J,grad_norm,step_length,alpha,accuracy,u1,u2,sub_iterations");
    for (int32_t k = 0; k < rows; ++k) {
        const std::vector<std::string> f = Fields(lines[static_cast<std::size_t>(1 + k)]);
        ASSERT_EQ(f.size(), 10u) << lines[static_cast<std::size_t>(1 + k)];
        ASSERT_EQ(std::stol(f[0]), k);
        ASSERT_EQ(std::stol(f[1]), 3 * k);
        ASSERT_EQ(std::strtold(f[2].c_str(), nullptr), 1.0L / (k + 1));
        ASSERT_EQ(f[4].empty(), k == 0);
        ASSERT_EQ(f[5].empty(), k % 2 == 0);
        ASSERT_EQ(f[9], k % 3 == 0 ? "" : std::to_string(k % 5));
    }

    // A new run forgets the old rows.
    trace.Start(TraceHeader{});
    EXPECT_TRUE(trace.Empty());
    EXPECT_EQ(Lines(CsvOf(trace)).size(), 1u);
}

TEST(RunTraceFile, IsReplacedWholeOrNotAtAll) {
    char folder[] = "/tmp/tarvik_traceXXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string path = std::string(folder) + "/trace.csv";
    RunTrace trace;
    trace.Start(TraceHeader{});
    for (int32_t k = 0; k < 3 * static_cast<int32_t>(RunTrace::WindowRows); ++k)
        trace.Add(TraceRow{k, k, 0, 1, 2, 3, 4, 5, 6, 7});
    std::string error;
    ASSERT_TRUE(trace.WriteCsv(path, error)) << error;
    std::ifstream in(path, std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(written, CsvOf(trace)) << "the file holds the streamed text, every piece of it";

    EXPECT_FALSE(trace.WriteCsv(std::string(folder) + "/missing/trace.csv", error));
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
    std::remove(path.c_str());
    EXPECT_EQ(::rmdir(folder), 0) << "a temporary file was left behind";
}

// A trace streamed while its run goes is the text of the same rows kept,
// byte for byte, over several blocks and with all coordinates; a stream
// abandoned part-way, or one that never had a row, leaves an older file
// whole, and no temporary beside it.
class TraceFileStreamTest : public testing::TempFolderTest {};

TEST_F(TraceFileStreamTest, WritesTheKeptRowsTextOrLeavesTheOlderFile) {
    struct Case {
        TraceHeader header;
        int rows;
        bool finished;
    };
    const Case cases[] = {
        {{2, false}, 3 * static_cast<int>(TraceFileStream::BlockRows) + 5, true},
        {{50, true}, 700, true},   // the points close blocks early
        {{2, false}, 2000, false},
        {{2, false}, 0, true},
    };
    constexpr Real none = std::numeric_limits<Real>::quiet_NaN();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.header.n) + " coordinates, " + std::to_string(c.rows) + " rows");
        const std::string path = Write("trace.csv", "older");
        RunTrace kept;
        kept.Start(c.header);
        {
            TraceFileStream stream(path);
            stream.Start(c.header);
            std::vector<Real> point(static_cast<std::size_t>(c.header.n));
            for (int k = 0; k < c.rows; ++k) {
                // The quick digits and the long way (tiny values), signs, NaN.
                const TraceRow row{k, 2 * k, k % 3 - 1, std::ldexp(1.0L + k, -(k % 200) * 40), -1.0L / (k + 3),
                                   k == 0 ? none : 0.5L + k, 0.125L, k % 7 == 0 ? none : 1e-30L * k, -k / 3.0L, k * 1e15L};
                for (std::size_t i = 0; i < point.size(); ++i) point[i] = (static_cast<Real>(i) - k) / 7;
                kept.Add(row);
                kept.AddCoordinates(point.data(), c.header.n);
                stream.Add(row);
                stream.AddCoordinates(point.data(), c.header.n);
            }
            if (c.finished) {
                EXPECT_EQ(stream.Finish(), 0);
            }
        }
        EXPECT_EQ(testing::ReadBytes(path), c.finished && c.rows > 0 ? CsvOf(kept) : "older");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), std::filesystem::directory_iterator()), 1);
    }
}

// A FIFO whose reader stops reading holds the writer, and the run waits
// for it, but not past Ctrl-C: the rows are then dropped and the run can end
// as Ctrl-C ends it. The write fails once the reader has gone.
TEST_F(TraceFileStreamTest, AReaderThatStopsReadingDoesNotHoldTheRunPastCtrlC) {
    const std::string path = (dir_ / "fifo").string();
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    const int reader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    volatile std::sig_atomic_t interrupted = 1;
    TraceFileStream stream(path, &interrupted);
    stream.Start({2, false});
    // Far more than the pipe and the blocks in flight hold.
    for (int k = 0; k < 20 * static_cast<int>(TraceFileStream::BlockRows); ++k)
        stream.Add(TraceRow{k, k, -1, 1.0L / (k + 1), 2.0L, 0.5L, 0.25L, 0.125L, 1.0L + k, -1.0L - k});
    ::close(reader);
    EXPECT_NE(stream.Finish(), 0);
}

// While the writer cannot take blocks (here it waits for the FIFO's reader
// to open it), the run makes the text of the blocks in line itself; the
// file then holds the same bytes, in order.
TEST_F(TraceFileStreamTest, TheRunWritesTheBlocksInLineWhileTheWriterLags) {
    const std::string path = (dir_ / "fifo").string();
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    volatile std::sig_atomic_t interrupted = 1;   // once the blocks in line are written, the run stops waiting
    TraceFileStream stream(path, &interrupted);
    const TraceHeader header{3, true};
    stream.Start(header);
    RunTrace kept;
    kept.Start(header);
    const int blocks = 4;
    const int rows = blocks * static_cast<int>(TraceFileStream::BlockRows);
    for (int k = 0; k <= rows; ++k) {
        const TraceRow row{k, k, -1, 1.0L / (k + 1), 2.0L, 0.5L, k % 5 == 0 ? 0.25L : 0.125L, 0.125L, 1.0L + k, -1.0L - k};
        const Real point[] = {1.0L + k, -1.0L - k, k / 7.0L};
        stream.Add(row);
        stream.AddCoordinates(point, 3);
        if (k < rows) {
            kept.Add(row);
            kept.AddCoordinates(point, 3);
        }
    }
    EXPECT_EQ(stream.BlocksTheRunWrote(), blocks);
    std::string read;
    std::thread reader([&] {
        std::ifstream in(path, std::ios::binary);
        read.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    });
    EXPECT_EQ(stream.Finish(), 0);
    reader.join();
    EXPECT_EQ(read, CsvOf(kept));
}

// Where the anonymous files of this process are: the targets of its
// descriptors that name a deleted file.
std::vector<std::string> DeletedFilesOpen() {
    std::vector<std::string> files;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const std::string target = std::filesystem::read_symlink(fd.path(), error).string();
        if (!error && target.find(" (deleted)") != std::string::npos) files.push_back(target);
    }
    return files;
}

// The rows beyond the window wait beside the file that will receive the
// trace. When they cannot be written there (a full disk, here a file-size
// limit), the rest stay in memory and the trace is still whole, every
// coordinate of every row; the run hears once which folder could not take
// them, and why.
TEST(RunTraceSpill, WaitsBesideItsTargetAndFallsBackToMemoryWhole) {
    char folder[] = "/tmp/tarvik_spillXXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    std::vector<std::string> told;
    RunTrace trace;
    trace.SetSpill(folder, [&told](const std::string& reason) { told.push_back(reason); });
    constexpr int n = 50;
    const auto coordinate = [](int row, int i) { return Real(row) + Real(i) / 64; };
    const auto fill = [&](int rows) {
        trace.Start(TraceHeader{n, true});
        for (int32_t k = 0; k < rows; ++k) {
            trace.Add(TraceRow{k, k, -1, Real(k), 0, 0, 0, 0, 0, 0});
            Real u[n];
            for (int i = 0; i < n; ++i) u[i] = coordinate(k, i);
            trace.AddCoordinates(u, n);
        }
    };
    fill(static_cast<int>(RunTrace::WindowRows) + 1);
    const std::vector<std::string> open = DeletedFilesOpen();
    EXPECT_EQ(std::count_if(open.begin(), open.end(),
                            [&folder](const std::string& f) { return f.rfind(std::string(folder) + "/", 0) == 0; }),
              2)
        << "rows and coordinates wait in " << folder;
    EXPECT_TRUE(told.empty());

    const int rows = 2 * static_cast<int>(RunTrace::WindowRows);
    {
        const FileSizeLimit limit(200000);
        fill(rows);
    }
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find(std::string(folder) + ": " + SystemErrorText(EFBIG)), std::string::npos) << told[0];
    const std::vector<std::string> lines = Lines(CsvOf(trace));
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(rows) + 1);
    for (int k = 0; k < rows; ++k) {
        const std::vector<std::string> f = Fields(lines[static_cast<std::size_t>(k) + 1]);
        ASSERT_EQ(f.size(), static_cast<std::size_t>(8 + n));
        ASSERT_EQ(f[0], std::to_string(k));
        for (int i = 0; i < n; ++i) ASSERT_EQ(f[static_cast<std::size_t>(7 + i)], CsvNumber(coordinate(k, i))) << k;
    }
    trace.Start(TraceHeader{});
    EXPECT_EQ(::rmdir(folder), 0) << "a named file was left behind";
}

// The trace of a whole run, all coordinates, read back: one row per point.
struct TracedRun {
    int status = -1;
    std::vector<std::vector<std::string>> rows;  // without the header row
    std::vector<std::vector<Real>> points;
};

TracedRun TraceOf(std::vector<std::string> args) {
    args.insert(args.end(), {"--trace", "unused.csv", "--trace-all-coordinates"});
    BatchOptions options;
    EXPECT_FALSE(ParseBatchOptions(args, options));
    std::FILE* out = std::tmpfile();
    BatchHost host(out, out);
    RunState state(host);
    RunDriver driver(state);
    driver.SetTraceAllCoordinates(true);
    TracedRun run;
    EXPECT_TRUE(ApplyBatchOptions(options, state, out));
    run.status = RunBatch(options, state, driver, host);
    std::fclose(out);
    const std::vector<std::string> lines = Lines(CsvOf(driver.Trace()));
    for (std::size_t i = 1; i < lines.size(); ++i) {
        run.rows.push_back(Fields(lines[i]));
        std::vector<Real> u;
        for (int c = 0; c < options.n; ++c) u.push_back(std::strtold(run.rows.back()[7 + static_cast<std::size_t>(c)].c_str(), nullptr));
        run.points.push_back(u);
    }
    return run;
}

// Row 0 is the start as evaluated, even when the run ends there; every later
// row's step_length is the distance from the row before, summed from the
// first coordinate on as the program sums; alpha is the step size where the
// method has one (for steepest descent, the step length over the last
// gradient's norm), sub_iterations where it has inner steps.
TEST(RunTraceOfARun, StepLengthIsTheMoveAndAlphaTheStepSize) {
    enum class Alpha { None, One, AlongGradient, Any };
    struct Case {
        std::vector<std::string> args;
        std::size_t rows;   // 0: any
        Alpha alpha;
        bool subIterations;
    };
    const std::vector<std::string> rosenbrock = {"--n", "2", "--function", "rosenbrock", "--start", "5", "--eps", "1e-4"};
    const auto on = [&rosenbrock](std::vector<std::string> extra) {
        extra.insert(extra.begin(), rosenbrock.begin(), rosenbrock.end());
        return extra;
    };
    const std::vector<Case> cases = {
        // gradJ(u°) = 0 at u° = (1; 1).
        {{"--n", "2", "--function", "rosenbrock", "--start", "20", "--method", "steepest-wolfe", "--accuracy", "2", "--eps", "1e-6"}, 1,
         Alpha::None, false},
        {on({"--method", "constant-step", "--max-iterations", "40"}), 0, Alpha::AlongGradient, false},
        {on({"--method", "steepest-golden"}), 0, Alpha::AlongGradient, false},
        {on({"--method", "steepest-wolfe"}), 0, Alpha::AlongGradient, false},
        {on({"--method", "bfgs-wolfe"}), 0, Alpha::Any, false},
        {on({"--method", "newton"}), 0, Alpha::One, false},
        {{"--n", "10", "--function", "axis-ellipsoid", "--start", "5", "--method", "newton-cg", "--eps", "1e-6"}, 0, Alpha::One, true},
        {on({"--method", "trust-region"}), 0, Alpha::None, false},
        {on({"--method", "collinear"}), 0, Alpha::None, true},
    };
    for (const Case& c : cases) {
        std::string command;
        for (const std::string& a : c.args) command += a + " ";
        SCOPED_TRACE(command);
        const TracedRun run = TraceOf(c.args);
        ASSERT_EQ(run.status, BatchExitNormal);
        ASSERT_FALSE(run.rows.empty());
        if (c.rows != 0) {
            EXPECT_EQ(run.rows.size(), c.rows);
        }
        EXPECT_EQ(run.rows[0][0], "0");
        EXPECT_EQ(run.rows[0][4] + run.rows[0][5] + run.rows[0].back(), "") << "row 0 has no step";
        for (std::size_t k = 1; k < run.rows.size(); ++k) {
            const std::vector<std::string>& f = run.rows[k];
            Real sum = 0;
            for (std::size_t i = 0; i < run.points[k].size(); ++i) {
                const Real t = run.points[k][i] + Real(-1) * run.points[k - 1][i];
                sum += t * t;
            }
            ASSERT_EQ(std::strtold(f[4].c_str(), nullptr), std::sqrt(sum)) << "row " << k;
            ASSERT_EQ(f.back().empty(), !c.subIterations) << "row " << k;
            switch (c.alpha) {
            case Alpha::None: {
                ASSERT_EQ(f[5], "") << "row " << k;
                break;
            }
            case Alpha::One: {
                ASSERT_EQ(std::strtold(f[5].c_str(), nullptr), 1) << "row " << k;
                break;
            }
            case Alpha::Any: {
                ASSERT_GT(std::strtold(f[5].c_str(), nullptr), 0) << "row " << k;
                break;
            }
            case Alpha::AlongGradient: {
                const Real ratio = std::strtold(f[4].c_str(), nullptr) /
                                   (std::strtold(f[5].c_str(), nullptr) * std::strtold(run.rows[k - 1][3].c_str(), nullptr));
                ASSERT_NEAR(static_cast<double>(ratio), 1.0, 1e-12) << "row " << k;
                break;
            }
            }
        }
    }
}

// A run resumed after a failure takes the substitute step (Wolfe, along the
// gradient) in the failed iteration; a run stopped between printed
// iterations closes with an extra iteration at the same point, which moves
// by nothing and has no step size.
TEST(RunTraceOfARun, ResumedAndStoppedRunsKeepTheRowsHonest) {
    TracedRun run = TraceOf({"--n", "2", "--function", "himmelblau-2", "--start", "6", "--method", "newton", "--accuracy", "2", "--eps",
                             "1e-6", "--on-failure", "yes"});
    ASSERT_GE(run.rows.size(), 3u);
    const Real alpha = std::strtold(run.rows[1][5].c_str(), nullptr);
    EXPECT_NE(alpha, 1);
    EXPECT_NEAR(static_cast<double>(std::strtold(run.rows[1][4].c_str(), nullptr) /
                                    (alpha * std::strtold(run.rows[0][3].c_str(), nullptr))),
                1.0, 1e-12);
    EXPECT_EQ(std::strtold(run.rows[2][5].c_str(), nullptr), 1);

    run = TraceOf({"--n", "2", "--function", "rosenbrock", "--start", "5", "--method", "constant-step", "--max-iterations", "123"});
    ASSERT_EQ(run.rows.size(), 125u);
    EXPECT_EQ(run.rows.back()[4], CsvNumber(0));
    EXPECT_EQ(run.rows.back()[5], "");
    EXPECT_EQ(run.points.back(), run.points[123]);
}

// A run whose rows nobody reads keeps none, in memory or on disk, however
// long it goes; its summary still says what its last row said.
TEST(RunTraceOfARun, ARunNobodyTracesKeepsNoRows) {
    BatchOptions options;
    ASSERT_FALSE(ParseBatchOptions({"--n", "2", "--function", "rosenbrock", "--start", "5", "--method", "constant-step", "--eps",
                                    "1e-20", "--param", "NoProgressIterations=0", "--max-iterations", "200000"},
                                   options));
    for (const bool kept : {false, true}) {
        SCOPED_TRACE(kept);
        std::FILE* out = std::tmpfile();
        BatchHost host(out, out);
        RunState state(host);
        RunDriver driver(state);
        driver.SetTraceKeepsRows(kept);
        int64_t observed = 0;
        driver.SetRowObserver([&observed](const TraceRow&) { ++observed; });
        ASSERT_TRUE(ApplyBatchOptions(options, state, out));
        RunBatch(options, state, driver, host);
        std::fclose(out);
        EXPECT_EQ(driver.Summary().iterations, 200000);
        EXPECT_EQ(observed, 200001) << "row 0 and the iterations";
        EXPECT_EQ(driver.Trace().RowCount(), kept ? observed : 0);
        EXPECT_EQ(driver.Trace().SpilledBytes() > 0, kept);
    }
}

} // namespace
// The plot's values from the rows: what a log scale cannot show is left out
// (J at J* to the last digit, the accuracy row 0 does not have), J without
// J* goes linear where it is not positive, and a long run is thinned to
// its lowest and highest values, keeping a spike and the last row.
TEST(ConvergencePlot, TakesTheValuesALogScaleCanShow) {
    const auto row = [](int32_t k, Real j, Real accuracy) {
        TraceRow r;
        r.iteration = k;
        r.evaluations = 3 * k + 1;
        r.j = j;
        r.gradNorm = j * 2;
        r.accuracy = accuracy;
        return r;
    };
    const Real nan = std::numeric_limits<Real>::quiet_NaN();
    const std::vector<TraceRow> rows = {row(0, 5, nan), row(1, 3, 0.5L), row(2, 2, 0.25L), row(3, 2, 0)};
    struct Case {
        PlotQuantity quantity;
        PlotAxis axis;
        std::optional<Real> jStar;
        Real shift;   // taken from every J
        std::vector<std::pair<double, double>> points;
        bool logarithmic;
    };
    const std::vector<Case> cases = {
        {PlotQuantity::J, PlotAxis::Iterations, 2, 0, {{0, 3}, {1, 1}}, true},
        {PlotQuantity::J, PlotAxis::Evaluations, std::nullopt, 0, {{1, 5}, {4, 3}, {7, 2}, {10, 2}}, true},
        {PlotQuantity::J, PlotAxis::Iterations, 4, 0, {{0, 1}}, true},   // below J*: the minimum to the last digit
        {PlotQuantity::J, PlotAxis::Iterations, std::nullopt, 4, {{0, 1}, {1, -1}, {2, -2}, {3, -2}}, false},
        {PlotQuantity::GradNorm, PlotAxis::Iterations, 2, 0, {{0, 10}, {1, 6}, {2, 4}, {3, 4}}, true},
        {PlotQuantity::Accuracy, PlotAxis::Iterations, 2, 0, {{1, 0.5}, {2, 0.25}}, true},
    };
    for (const Case& c : cases) {
        std::vector<TraceRow> shifted = rows;
        for (TraceRow& r : shifted) r.j -= c.shift;
        ConvergencePlotBuilder builder(c.quantity, c.axis, c.jStar, 1, "t");
        builder.Add("run", 3, shifted);
        const ConvergencePlot plot = builder.Plot();
        ASSERT_EQ(plot.series.size(), 1u);
        EXPECT_EQ(plot.series[0].points, c.points);
        EXPECT_EQ(plot.logarithmic, c.logarithmic);
    }

    std::vector<TraceRow> many;
    for (int32_t k = 0; k < 100000; ++k) many.push_back(row(k, k == 4321 ? 1e6L : 1 + k % 10, 0.5L));
    ConvergencePlotBuilder thinned(PlotQuantity::J, PlotAxis::Iterations, std::nullopt, 1, "t");
    thinned.Add("long", 0, many);
    const ConvergencePlot plot = thinned.Plot();
    const auto& points = plot.series[0].points;
    EXPECT_LE(points.size(), ConvergencePlotBuilder::MaxPoints + 1);
    EXPECT_NE(std::find(points.begin(), points.end(), std::pair<double, double>{4321, 1e6}), points.end());
    EXPECT_EQ(points.front(), (std::pair<double, double>{0, 1}));
    EXPECT_EQ(points.back(), (std::pair<double, double>{99999, 10}));
    EXPECT_TRUE(std::is_sorted(points.begin(), points.end()));
}

} // namespace tarvik
