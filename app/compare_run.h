#pragma once
// Several methods on one problem, one after another, each run exactly as a
// single run of that method goes; what each did is summed up in one row.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/batch_options.h"
#include "app/run_trace.h"

namespace tarvik {

struct CompareRow {
    int methodPosition = 0;
    std::string method;          // full name as the method list shows it
    std::string ending;          // criterion, zero gradient, zero step, iteration limit, stopped, or the error text
    int32_t iterations = 0;
    int64_t evaluations = 0;     // J + gradJ, as the report counts them
    Real j = 0, gradNorm = 0, accuracy = 0;
    double seconds = 0;
    bool ranToEnd = false;       // false: the problem could not be prepared or the comparison was stopped
    std::vector<std::pair<Real, Real>> path;   // (u1, u2) of every iteration, for the overlaid figure
};

// "all" or a comma-separated list of method positions; an error message otherwise.
std::optional<std::string> ParseMethodList(const std::string& text, std::vector<int>& positions);

enum class CompareEnd { Completed, Interrupted, ProblemRefused };

// Runs each method of `positions` with the problem of `options` (its method
// ignored). A run interrupted (Ctrl-C, or `stopRequested` between runs) ends
// the comparison; a problem that cannot be prepared ends it with its message
// on `err` (rows so far are kept).
// `drawLevelLines`, when given, is called once with the prepared problem of
// the first run, so that the level lines are drawn once for all paths.
CompareEnd RunComparison(const BatchOptions& options, const std::vector<int>& positions, std::vector<CompareRow>& rows,
                   std::FILE* err, const std::function<bool()>& stopRequested,
                   const std::function<void(RunState&)>& drawLevelLines = {});

// The table as aligned text, and as RFC 4180 CSV with a header row.
std::string FormatCompareTable(const std::vector<CompareRow>& rows);
std::string FormatCompareCsv(const std::vector<CompareRow>& rows);

} // namespace tarvik
