#pragma once
// Line search along u - alpha*d for a step that meets the strong Wolfe
// conditions.
#include <cstdint>

#include "core/objective.h"
#include "core/step_result.h"

namespace tarvik {

enum class WolfeInterpolation : uint8_t { Quadratic, Cubic, Midpoint };

// Where the first trial step comes from.
enum class WolfeFirstTrial {
    FromLastDecrease,  // min(1, 2.02 (J - previousJ) / slope)
    UnitOrMax,         // min(1, alphaMax)
    FifthOfMax,        // alphaMax / 5
};

struct WolfeOptions {
    Real c1;
    Real c2;
    Real alphaMax;
    WolfeFirstTrial firstTrial;
    Real previousJ;             // read by FromLastDecrease only
    WolfeInterpolation interpolation;
    bool descentCheckWaived;    // search even when -d does not descend
};

inline constexpr const char* kWolfeNotDescentText = "Minimization direction is not a descent direction (Wolfe line search).";

// j, g and gNorm are J, its gradient and the norm at u. When the step is
// Moved, u, j, g and gNorm are those of the new point and gPrev holds the
// gradient of the entry; otherwise nothing is written (a zero first trial
// spends no evaluation, nor does a direction that does not descend). d may
// be the same vector as g or u: the search moves along d as it was on entry.
// Raises EBadError when the cubic interpolation faults.
StepResult WolfeSearch(Objective& objective, const WolfeOptions& options, const MyArray1& d, MyArray1& u, MyArray1& g,
                       Real& j, Real& gNorm, MyArray1& gPrev);

} // namespace tarvik
