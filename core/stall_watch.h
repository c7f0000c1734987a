#pragma once
// Notices a run that no longer moves: its point and J repeat those of one
// of the two iterations before, bit for bit. A method caught between two
// points (a line search bouncing between the same two brackets, a Newton
// step undone by rounding in the last digit) repeats its pair for ever, and
// no accuracy will ever be reached.
#include <cstdint>

#include "core/numeric.h"

namespace tarvik {

class StallWatch {
public:
    void Reset();
    // Takes the point and J of the iteration just completed; returns how
    // many iterations in a row, this one included, repeated an earlier one.
    int32_t Observe(Real j, const MyArray1& u);
    int32_t RepeatedIterations() const { return repeated_; }

private:
    struct Past {
        Real j = 0;
        bool seen = false;
        // Kept only once J repeats: a run whose J changes at every iteration
        // copies nothing.
        bool pointKept = false;
        MyArray1 u;
    };
    Past last_, beforeLast_;
    int32_t repeated_ = 0;
};

} // namespace tarvik
