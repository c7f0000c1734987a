// The iteration trace: every iteration kept (also past the in-memory window),
// RFC 4180 text, full precision, and files never half-written.
#include "app/run_trace.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "app/batch_host.h"
#include "app/batch_options.h"
#include "app/batch_run.h"

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
    TraceHeader h;
    h.function = "Generalized Rosenbrock (n>=2)";
    h.n = 1000;
    h.method = "Collinear gradients";
    h.collinear = true;
    trace.Start(h);
    const int32_t rows = static_cast<int32_t>(2 * RunTrace::WindowRows + 7);
    for (int32_t k = 0; k < rows; ++k) {
        TraceRow r;
        r.iteration = k;
        r.evaluations = 3 * k;
        r.subIterations = k % 5;
        r.j = 1.0L / (k + 1);
        r.u1 = k;
        r.step = k == 0 ? std::numeric_limits<Real>::quiet_NaN() : 0.5L;
        trace.Add(r);
    }
    EXPECT_EQ(trace.RowCount(), rows);
    const std::vector<std::string> lines = Lines(CsvOf(trace));
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(6 + 1 + rows));
    EXPECT_EQ(lines[0], "# function: Generalized Rosenbrock (n>=2)");
    EXPECT_EQ(lines[6], "iteration,evaluations,J,grad_norm,step,accuracy,u1,u2,sub_iterations");
    for (int32_t k = 0; k < rows; ++k) {
        const std::vector<std::string> f = Fields(lines[static_cast<std::size_t>(7 + k)]);
        ASSERT_EQ(f.size(), 9u) << lines[static_cast<std::size_t>(7 + k)];
        ASSERT_EQ(std::stol(f[0]), k);
        ASSERT_EQ(std::stol(f[1]), 3 * k);
        ASSERT_EQ(std::strtold(f[2].c_str(), nullptr), 1.0L / (k + 1));
        ASSERT_EQ(f[4].empty(), k == 0);
        ASSERT_EQ(std::stol(f[8]), k % 5);
    }

    // A new run forgets the old rows.
    trace.Start(TraceHeader{});
    EXPECT_TRUE(trace.Empty());
    EXPECT_EQ(Lines(CsvOf(trace)).size(), 7u);
}

TEST(RunTraceFile, IsReplacedWholeOrNotAtAll) {
    char folder[] = "/tmp/tarvik_traceXXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string path = std::string(folder) + "/trace.csv";
    RunTrace trace;
    trace.Start(TraceHeader{});
    for (int32_t k = 0; k < 3 * static_cast<int32_t>(RunTrace::WindowRows); ++k) trace.Add(TraceRow{k, k, 0, 1, 2, 3, 4, 5, 6});
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

// A run's trace agrees with its report: row 0 is u°, one row per iteration,
// the last row carries the run's final evaluation count.
TEST(RunTraceOfARun, HasTheStartingPointAndEveryIteration) {
    BatchOptions options;
    ASSERT_FALSE(ParseBatchOptions({"--n", "2", "--function", "0", "--start", "5", "--method", "2", "--accuracy", "1",
                                    "--eps", "0.001"},
                                   options));
    std::FILE* out = std::tmpfile();
    BatchHost host(out, out);
    RunState state(host);
    RunDriver driver(state);
    ASSERT_TRUE(ApplyBatchOptions(options, state, out));
    ASSERT_EQ(RunBatch(options, state, driver, host), BatchExitNormal);
    std::fclose(out);

    const std::vector<std::string> lines = Lines(CsvOf(driver.Trace()));
    // The report of this run ends at iteration 108 after 375 evaluations.
    ASSERT_EQ(lines.size(), 7u + 109u);
    EXPECT_EQ(lines[1], "# n: 2");
    EXPECT_EQ(lines[3], "# starting point: -1.2; 1.0");
    EXPECT_EQ(lines[5], "# epsilon: 0.001");
    const std::vector<std::string> first = Fields(lines[7]);
    EXPECT_EQ(first[0], "0");
    EXPECT_EQ(std::strtold(first[6].c_str(), nullptr), -1.2L);
    EXPECT_EQ(std::strtold(first[7].c_str(), nullptr), 1.0L);
    EXPECT_EQ(std::strtold(first[5].c_str(), nullptr), 1.0L);
    const std::vector<std::string> last = Fields(lines.back());
    EXPECT_EQ(last[0], "108");
    EXPECT_EQ(last[1], "375");
    EXPECT_LE(std::strtold(last[5].c_str(), nullptr), 0.001L);
}

} // namespace
} // namespace tarvik
