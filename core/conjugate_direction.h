#pragma once
// Fletcher-Reeves and Polak-Ribiere directions, as the method's direction rule says.
#include <cstdint>

#include "core/run_state.h"

namespace tarvik {

// Updates d in place from GradJ, GradJPrev and the Cg* state of s, and
// writes ||d|| to dNorm. The line search then moves along -d. Beta is
// dropped every 3n iterations for the non-quadratic functions, and when
// successive gradients are far from orthogonal for the quadratic ones.
void ConjugateDirection(RunState& s, FunctionId functionIndex, MyArray1& d, Real& dNorm);

} // namespace tarvik
