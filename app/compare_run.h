#pragma once
// Several methods on one problem, one after another, each run exactly as a
// single run of that method goes; what each did is summed up in one row.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/batch_options.h"
#include "app/figure_frame.h"
#include "app/run_description.h"
#include "app/run_trace.h"

namespace tarvik {

struct CompareRow {
    int methodPosition = 0;
    std::string method;          // full name as the method list shows it
    // criterion, zero gradient, zero step, demo step, iteration limit,
    // stopped, or the error's text
    std::string ending;
    // The last iteration the run reported (its trace's last row) and what it
    // reported there: a failed iteration that the report never shows is not
    // counted. The starting point is iteration 0.
    int64_t iterations = 0;
    int64_t evaluations = 0;     // J + gradJ, as the report counts them
    bool usesHessian = false;    // the Newton methods that form a Hessian
    int64_t hessianEvaluations = 0;
    Real j = 0, gradNorm = 0, accuracy = 0;
    double seconds = 0;
    bool ranToEnd = false;       // false: the problem could not be prepared or the comparison was stopped
    // (u1, u2) of the iterations that the overlaid figure needs to draw the
    // path (app/pixel_path.h), the starting point first; empty where no
    // figure is drawn.
    std::vector<std::pair<Real, Real>> path;
};

// "all" or a comma-separated list of method positions; an error message otherwise.
std::optional<std::string> ParseMethodList(const std::string& text, std::vector<int>& positions);

enum class CompareEnd { Completed, Interrupted, ProblemRefused };

// What a comparison needs from its surroundings beyond the method list.
struct CompareHooks {
    // Sets up a fresh run state for the method at `position` as a single run
    // of it would be set up; false refuses the problem (and says why itself).
    std::function<bool(RunState&, int position)> prepare;
    // Called once a run is over, before its state goes.
    std::function<void(RunState&)> finished;
    // Where the figure that a single run in the same surroundings draws on
    // centres its plane (app/figure_frame.h): a point whose pixel does not
    // fit there ends the compared run as it ends the single run. None: no
    // figure, no such end.
    std::optional<FigureSize> figureArea;
    // Whether each row keeps its path, thinned on that figure's frame.
    bool keepPaths = true;
    // Whether each run keeps its trace's rows for `traced` (the views drawn
    // from them); without, `traced` gets an empty trace.
    bool keepTraces = false;
    // The answer to every recoverable failure: no dialog during a comparison.
    FailureAnswer failureAnswer = FailureAnswer::Cancel;
    std::optional<long long> maxIterations;
    // Once a run is over, before the next one starts: its index and its
    // trace, for the views drawn from the traces (the animation, the plot).
    std::function<void(int index, const RunTrace&)> traced;
    // Polled at every event pump of a run and between runs: true stops the
    // current run and ends the comparison.
    std::function<bool()> stopRequested;
    // The surroundings' own event pump, called from inside every run.
    std::function<void()> processEvents;
    // Before each run: its index (from 0), the number of runs and the method.
    std::function<void(int index, int count, const std::string& method)> starting;
    // Called once, with the prepared problem of the first run, so that the
    // level lines are drawn once for all paths.
    std::function<void(RunState&)> drawLevelLines;
    // Why the problem was refused, as one line.
    std::function<void(const std::string&)> refused;
    // Once, after the first run: what it was run on (the problem, u° and
    // the parameters, which every run shares).
    std::function<void(const RunDescription&)> described;
    // After each run, once its row is the last of the rows: the row, its
    // index and the number of runs.
    std::function<void(const CompareRow&, int index, int count)> rowDone;
};

// A run that fails gets its row with the failure's text and the comparison
// goes on. A failure before the starting point was evaluated is the
// problem's, which every method would meet the same way: it ends the
// comparison as ProblemRefused, `refused` says why (rows so far are kept).
// Not enough memory for a method's own matrix or pairs is that method's.
CompareEnd RunComparison(const std::vector<int>& positions, const CompareHooks& hooks, std::vector<CompareRow>& rows);

// Runs each method of `positions` with the problem of `options` (its method
// ignored), with the batch mode's figure width. A run interrupted (Ctrl-C, or
// `stopRequested` between runs) ends the comparison; a refused problem ends
// it with its message on `err`.
// `drawLevelLines`, when given, is called once with the prepared problem of
// the first run, so that the level lines are drawn once for all paths;
// `traced` gets every run's trace as CompareHooks::traced.
CompareEnd RunComparison(const BatchOptions& options, const std::vector<int>& positions, std::vector<CompareRow>& rows,
                   std::FILE* err, const std::function<bool()>& stopRequested,
                   const std::function<void(RunState&)>& drawLevelLines = {},
                   const std::function<void(const RunDescription&)>& described = {},
                   const std::function<void(int, const RunTrace&)>& traced = {});

// The table as aligned text, and as RFC 4180 CSV with a header row.
std::string FormatCompareTable(const std::vector<CompareRow>& rows);
// The same values as one short block per method, for a pane too narrow for
// the table's columns.
std::string FormatCompareBlocks(const std::vector<CompareRow>& rows);
std::string FormatCompareCsv(const std::vector<CompareRow>& rows);

} // namespace tarvik
