#pragma once
// The step of "Descent with constant step-size".
#include "core/numeric.h"
#include "core/step_result.h"

namespace tarvik {

struct ConstantStepOptions {
    Real size;             // the method's step-size parameter
    bool firstIteration;   // fix the step from the gradient now
    Real step;             // the step fixed at the first iteration
};

inline constexpr const char* kConstantStepFailureText = "Minimization step-size is 0 or infinity (constant step-size).";

// At the first iteration the step is size / |sqrt(g1^2 + gn^2)|, later the
// one handed in; moves u (components 1..n) against g by it. Evaluates
// nothing. InfiniteStep, with u unchanged, when g1 = gn = 0 at the first
// iteration.
StepResult ConstantStep(const ConstantStepOptions& options, int n, const MyArray1& g, MyArray1& u);

} // namespace tarvik
