#include "core/constant_step.h"

#include <cmath>

#include "core/errors.h"

namespace tarvik {

void ConstantStep(RunState& s) {
    const int n = s.N;
    if (s.IterCount == 0) {
        // Only the first and the last component scale the step; for n = 2
        // that is the gradient's norm.
        const Real g1 = s.GradJ[1];
        const Real gn = s.GradJ[n];
        const Real scale = fabsl(sqrtl(g1 * g1 + gn * gn));
        if (scale == 0) {
            // With n > 2 the gradient can be non-zero while both end
            // components vanish; an infinite step would only produce
            // overflow later, so the run ends here with a clear reason.
            s.Step = 0;
            throw EBadError("Minimization step-size is 0 or infinity (constant step-size).");
        }
        s.Step = s.Params.ConstStepSize / scale;
    }
    const Real step = s.Step;
    for (int i = 1; i <= n; ++i) s.U[i] = s.U[i] - step * s.GradJ[i];
}

} // namespace tarvik
