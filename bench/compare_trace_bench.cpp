// What the trace costs a run, and what a comparison costs against its
// single runs.
//
// Trace: a run keeps a row per iteration; the run's time is measured, then
// the time of keeping the same rows again in a fresh trace (the in-memory
// window and the temporary file included), and their ratio is the share of
// the run that the trace takes. The all-coordinates trace is timed as a
// whole run against the same run without it.
//
// Compare: seven methods on Generalized Rosenbrock, n = 1000, 1000
// iterations at most each, as one comparison with its figure against the
// sum of the seven single runs and the figure drawn once.
//
// Times are the thread's CPU time (medians where repeated), so that other
// work on the machine does not count.
#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

#include "bench/bench_clock.h"
#include "app/batch_host.h"
#include "app/batch_options.h"
#include "app/batch_run.h"
#include "app/compare_run.h"
#include "app/run_driver.h"
#include "core/method_catalogue.h"
#include "figure/compare_overlay.h"
#include "figure/contour_figure.h"

namespace {

using namespace tarvik;

using namespace tarvik::bench;

BatchOptions Options(std::vector<std::string> args) {
    BatchOptions o;
    if (auto error = ParseBatchOptions(args, o)) {
        std::fprintf(stderr, "%s\n", error->c_str());
        std::exit(2);
    }
    return o;
}

// One batch run; its seconds, and its trace's rows when asked.
double TimedRun(const BatchOptions& o, std::FILE* sink, std::vector<TraceRow>* rows = nullptr, bool all = false,
                int32_t* iterations = nullptr) {
    BatchHost host(sink, sink);
    RunState state(host);
    RunDriver driver(state);
    driver.SetTraceAllCoordinates(all);
    if (!ApplyBatchOptions(o, state, sink)) std::exit(1);
    const double start = ThreadSeconds();
    RunBatch(o, state, driver, host);
    const double seconds = ThreadSeconds() - start;
    if (rows) driver.Trace().ForEachRow([rows](const TraceRow& r) { rows->push_back(r); });
    if (iterations) *iterations = state.IterCount;
    return seconds;
}

void TraceCost(const char* title, const std::vector<std::string>& args, std::FILE* sink) {
    const BatchOptions o = Options(args);
    std::vector<double> runs, traces, allRuns;
    int32_t iterations = 0;
    for (int repeat = 0; repeat < 3; ++repeat) {
        std::vector<TraceRow> rows;
        runs.push_back(TimedRun(o, sink, &rows, false, &iterations));
        RunTrace trace;
        trace.Start(TraceHeader{});
        const double start = ThreadSeconds();
        for (const TraceRow& r : rows) trace.Add(r);
        traces.push_back(ThreadSeconds() - start);
        allRuns.push_back(TimedRun(o, sink, nullptr, true));
    }
    const double run = Median(runs), trace = Median(traces), all = Median(allRuns);
    std::printf("%-44s %8d iterations  run %8.3f s  trace %7.4f s  share %5.2f %%  all coordinates %+6.2f %%\n", title,
                iterations, run, trace, 100 * trace / (run - trace), 100 * (all - run) / run);
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    std::FILE* sink = std::fopen("/dev/null", "w");

    std::puts("Trace cost (share of the run's time that keeping the rows takes)");
    TraceCost("Rosenbrock n=2, steepest descent golden", {"--n", "2", "--function", "rosenbrock", "--start", "5", "--method", "steepest-golden",
                                                          "--eps", "1e-12", "--max-iterations", "200000"}, sink);
    TraceCost("Gen. Rosenbrock n=1000, L-BFGS 5 Wolfe", {"--n", "1000", "--function", "generalized-rosenbrock", "--method", "lbfgs5-wolfe", "--eps",
                                                         "1e-12", "--max-iterations", "2000"}, sink);

    std::puts("\nCompare of seven methods, Generalized Rosenbrock n=1000, 1000 iterations each");
    const BatchOptions o = Options({"--n", "1000", "--function", "generalized-rosenbrock", "--eps", "1e-12", "--max-iterations", "1000",
                                    "--on-failure", "all", "--compare", "steepest-wolfe,polak-ribiere-wolfe,bfgs-wolfe,lbfgs5-wolfe,newton,trust-region,collinear"});
    double singles = 0;
    for (int p : o.compareMethods) {
        BatchOptions single = o;
        single.compareMethods.clear();
        single.methodPosition = p;
        const double seconds = TimedRun(single, sink);
        std::printf("  single %-52s %8.3f s\n", std::string(MethodAtPosition(p).name).c_str(), seconds);
        singles += seconds;
    }
    std::unique_ptr<ContourFigure> figure;
    double figureSeconds = 0;
    const double start = ThreadSeconds();
    std::vector<CompareRow> rows;
    RunComparison(o, o.compareMethods, rows, sink, {}, [&](RunState& s) {
        const double t = ThreadSeconds();
        figure = std::make_unique<ContourFigure>(438);
        figure->DrawLevelLines(s);
        figureSeconds += ThreadSeconds() - t;
    });
    for (const CompareRow& r : rows)
        std::printf("  compared %-50s %8.3f s (wall clock) %s\n", r.method.c_str(), r.seconds, r.ending.c_str());
    std::vector<ComparePath> paths;
    const double t = ThreadSeconds();
    for (CompareRow& r : rows) paths.push_back({r.method, std::move(r.path)});
    if (figure) DrawComparePaths(*figure, paths);
    figureSeconds += ThreadSeconds() - t;
    const double compare = ThreadSeconds() - start;
    std::printf("  sum of singles %8.3f s, figure %7.3f s, comparison %8.3f s: ratio %.3f\n", singles, figureSeconds,
                compare, compare / (singles + figureSeconds));
    std::fclose(sink);
    return 0;
}
