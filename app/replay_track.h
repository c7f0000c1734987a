#pragma once
// The rows of an ended run that the window's replay moves along: a copy of
// the trace's values the replay shows, kept apart from the trace so that
// how long a trace keeps its rows does not decide what the replay can show.
// A long run is thinned evenly to at most `cap` rows, its first and last
// row always kept, reading the trace once in constant memory beyond them.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/run_trace.h"

namespace tarvik {

struct ReplayPoint {
    int64_t iteration = 0;
    Real j = 0, gradNorm = 0, stepLength = 0, accuracy = 0;
    Real u1 = 0, u2 = 0;
};

inline constexpr std::size_t ReplayRowCap = 2000;

std::vector<ReplayPoint> ReplayTrack(const RunTrace& trace, std::size_t cap = ReplayRowCap);
// The trace's rows thinned the same way, for the window's convergence view.
std::vector<TraceRow> ThinnedRows(const RunTrace& trace, std::size_t cap);

} // namespace tarvik
