#pragma once
// Turns the user's choices into the data of a run.
#include "core/run_state.h"

namespace tarvik {

// Raised when Stop is pressed while a run is still being prepared: the
// preparation is abandoned and the window returns to set-up.
class PreparationCancelled : public std::exception {
public:
    const char* what() const noexcept override { return " Terminated by user"; }
};

// Fills UStar from the table of known minima (TRIDIA with non-default
// parameters by Gauss elimination, the quadratic from files by its option).
void SetKnownMinimum(RunState& s);

// Dimension, storage, run vectors, u*, method arrays, u°, the figure and
// the counters. Raises ERealBadError for input errors.
void PrepareProblem(RunState& s);

} // namespace tarvik
