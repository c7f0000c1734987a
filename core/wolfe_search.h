#pragma once
// Line search along u - alpha*d for a step that meets the strong Wolfe
// conditions (c1 = WolfeC1, c2 = Params.WolfeC2).
#include <cstdint>

#include "core/run_state.h"

namespace tarvik {

// h is the largest step (alpha_max) and, at the first iteration, sets the
// first trial. On success moves u, hands J, the gradient and its norm at
// the new point to the run state (JPrev, JCur, GradJPrev, g, GradNormPrev,
// GradNorm) and sets SkipReevaluation, so nothing is evaluated again. A zero
// first trial returns quietly with Step = 0. d may be the same vector as g:
// the search always moves along d as it was on entry.
// Raises EBadError when -d does not descend (unless the function waives that)
// and when the cubic interpolation faults.
void WolfeSearch(RunState& s, FunctionId functionIndex, const MyArray1& d, MyArray1& u, MyArray1& g, Real h);

} // namespace tarvik
