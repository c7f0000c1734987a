#pragma once
// What a step rule hands back to the driver.
#include "core/numeric.h"

namespace tarvik {

enum class StepEnd {
    Moved,          // u is at the new point
    ZeroStep,       // the first trial was 0: u is unchanged and the run ends quietly
    NotDescent,     // -d does not descend: u is unchanged
    NoBracket,      // no minimum found along -d: u is unchanged
    InfiniteStep,   // the step would be infinite: u is unchanged
};

struct StepResult {
    Real step;
    StepEnd end;
};

} // namespace tarvik
