#pragma once
// The step of "Descent with constant step-size".
#include "core/run_state.h"

namespace tarvik {

// At the first iteration fixes Step = ConstStepSize / |sqrt(g1^2 + gN^2)|;
// at every iteration moves U against GradJ by Step. Evaluates nothing.
// Raises EBadError when g1 = gN = 0 at the first iteration, where the step
// would be infinite.
void ConstantStep(RunState& s);

} // namespace tarvik
