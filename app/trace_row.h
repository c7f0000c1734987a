#pragma once
// One row of a run's trace, and what every row of a trace shares.
#include <cstdint>

#include "core/numeric.h"

namespace tarvik {

struct TraceRow {
    int64_t iteration = 0;
    int64_t evaluations = 0;       // J + gradJ evaluations so far, as the report counts them
    int64_t subIterations = -1;    // the iteration's inner steps; -1 where a method has none
    Real j = 0, gradNorm = 0;
    Real stepLength = 0;           // ||u_k - u_(k-1)||; NaN in row 0
    Real alpha = 0;                // the step size chosen; NaN where the method has none
    Real accuracy = 0;             // NaN: not defined yet (row 0 of the J criterion)
    Real u1 = 0, u2 = 0;
};

struct TraceHeader {
    int32_t n = 2;
    bool allCoordinates = false;   // u1..un instead of u1, u2
};

} // namespace tarvik
