#include "app/replay_track.h"

#include <algorithm>

namespace tarvik {

std::vector<ReplayPoint> ReplayTrack(const RunTrace& trace, std::size_t cap) {
    std::vector<ReplayPoint> track;
    for (const TraceRow& r : ThinnedRows(trace, cap))
        track.push_back({r.iteration, r.j, r.gradNorm, r.stepLength, r.accuracy, r.u1, r.u2});
    return track;
}

std::vector<TraceRow> ThinnedRows(const RunTrace& trace, std::size_t cap) {
    std::vector<TraceRow> track;
    const int64_t rows = trace.RowCount();
    if (rows <= 0 || cap < 2) return track;
    // Row i is kept when it starts a new of cap - 1 equal shares of the
    // rows before the last; the last row closes the track.
    const int64_t shares = static_cast<int64_t>(cap) - 1;
    int64_t index = 0;
    int64_t nextShare = 0;
    track.reserve(static_cast<std::size_t>(std::min<int64_t>(rows, static_cast<int64_t>(cap))));
    const bool thinned = rows > static_cast<int64_t>(cap);
    trace.ForEachRow([&](const TraceRow& r) {
        const bool keep = !thinned || index == rows - 1 || index * shares >= nextShare * (rows - 1);
        if (keep) track.push_back(r);
        if (keep && thinned)
            while (nextShare * (rows - 1) <= index * shares) ++nextShare;
        ++index;
    });
    return track;
}

} // namespace tarvik
