#pragma once
// Turns the user's choices into the data of a run.
#include <optional>
#include <string>

#include "core/run_state.h"

namespace tarvik {

// Raised when Stop is pressed while a run is still being prepared: the
// preparation is abandoned and the window returns to set-up.
class PreparationCancelled : public std::exception {
public:
    const char* what() const noexcept override { return " Terminated by user"; }
};

// The dimensions the window offers, which a run accepts however it is
// started: nothing in the program is sized for more.
inline constexpr int32_t MinDimension = 2;
inline constexpr int32_t MaxDimension = 10000;
// The window's message for a dimension outside them, or nothing.
std::optional<std::string> DimensionRefusal(int32_t n);

// The accuracies a run accepts: from the smallest of the accuracy lists up
// to 1. Below, a run may never meet its criterion (at 0 or less it cannot).
inline constexpr Real MinAccuracy = 1e-20L;
inline constexpr Real MaxAccuracy = 1;
// The accuracy typed into the checked criterion's box, "," read as ".".
// Raises ERealBadError with the window's message when it is not a number
// or lies outside those bounds.
Real ReadAccuracy(const std::string& text);

// Fills UStar from the table of known minima (TRIDIA with non-default
// parameters by Gauss elimination, the quadratic from files by its option).
void SetKnownMinimum(RunState& s);

// Dimension, storage, run vectors, u*, method arrays, u°, the figure and
// the counters. Raises ERealBadError for input errors.
void PrepareProblem(RunState& s);

} // namespace tarvik
