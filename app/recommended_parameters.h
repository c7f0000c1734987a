#pragma once
// Parameters that follow from the chosen function rather than from the
// user: the window applies them whenever it becomes active, the batch mode
// once before the user's --param values, so that a run of the same choices
// starts from the same values in both.
#include <cstdint>

#include "core/parameters.h"

namespace tarvik {

// Himmelblau 28 has saddle points: the collinear-gradients method works
// there with its recommended c1 and delta.
inline void ApplyRecommendedParameters(TunableParameters& p, uint8_t functionCode) {
    if (functionCode != 3) return;
    p.CollC1 = CollC1Saddle;
    p.CollDeltaFull = CollDeltaSaddle;
}

} // namespace tarvik
