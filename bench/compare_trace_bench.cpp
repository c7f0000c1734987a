// What the trace costs a run, and what a comparison costs against its
// single runs.
//
// Trace: the same run untraced (it keeps no rows) and traced as --trace
// traces it (its rows kept, then written as CSV, here to /dev/null); the
// overhead is the traced run's time over the untraced one's, less one. The
// all-coordinates trace is timed as a whole run against the same run
// without it.
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
#include <string>
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

enum class Traced { No, Rows, AllCoordinates };

// One batch run, and with a trace its CSV written to /dev/null; its seconds.
double TimedRun(const BatchOptions& o, std::FILE* sink, Traced traced = Traced::No, int64_t* iterations = nullptr) {
    BatchHost host(sink, sink);
    RunState state(host);
    RunDriver driver(state);
    driver.SetTraceKeepsRows(traced != Traced::No);
    driver.SetTraceAllCoordinates(traced == Traced::AllCoordinates);
    if (!ApplyBatchOptions(o, state, sink)) std::exit(1);
    const double start = ThreadSeconds();
    RunBatch(o, state, driver, host);
    if (traced != Traced::No) {
        std::string error;
        if (!driver.Trace().WriteCsv("/dev/null", error)) std::exit(1);
    }
    const double seconds = ThreadSeconds() - start;
    if (iterations) *iterations = state.IterCount;
    return seconds;
}

void TraceCost(const char* title, const std::vector<std::string>& args, std::FILE* sink) {
    const BatchOptions o = Options(args);
    std::vector<double> runs, traced, allRuns;
    int64_t iterations = 0;
    for (int repeat = 0; repeat < 3; ++repeat) {
        runs.push_back(TimedRun(o, sink, Traced::No, &iterations));
        traced.push_back(TimedRun(o, sink, Traced::Rows));
        allRuns.push_back(TimedRun(o, sink, Traced::AllCoordinates));
    }
    const double run = Median(runs), trace = Median(traced), all = Median(allRuns);
    std::printf("%-44s %8lld iterations  untraced %7.3f s  traced %7.3f s  overhead %6.1f %%  all coordinates %+6.1f %%\n",
                title, static_cast<long long>(iterations), run, trace, 100 * (trace - run) / run, 100 * (all - run) / run);
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    std::FILE* sink = std::fopen("/dev/null", "w");

    std::puts("Trace cost (a traced run's time, its CSV written, over the untraced run's)");
    TraceCost("Rosenbrock n=2, constant step", {"--n", "2", "--function", "rosenbrock", "--start", "5", "--method", "constant-step",
                                                "--eps", "1e-20", "--param", "NoProgressIterations=0", "--max-iterations", "300000"}, sink);
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
