#pragma once
// Parameters that follow from the chosen function rather than from the
// user: the window applies them whenever it becomes active, the batch mode
// once before the user's --param values, so that a run of the same choices
// starts from the same values in both.
#include <cstdint>

#include "core/function_catalogue.h"
#include "core/parameters.h"

namespace tarvik {

// Near saddle points the collinear-gradients method works with its
// recommended c1 and delta; for some functions they are applied.
inline void ApplyRecommendedParameters(TunableParameters& p, FunctionId function) {
    if (Traits(function).advice != CollinearAdvice::Apply) return;
    p.CollC1 = CollC1Saddle;
    p.CollDeltaFull = CollDeltaSaddle;
}

} // namespace tarvik
