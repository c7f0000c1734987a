#include "core/constant_step.h"

#include <cmath>

namespace tarvik {

StepResult ConstantStep(const ConstantStepOptions& options, int n, const MyArray1& g, MyArray1& u) {
    Real step = options.step;
    if (options.firstIteration) {
        // Only the first and the last component scale the step; for n = 2
        // that is the gradient's norm.
        const Real g1 = g[1];
        const Real gn = g[n];
        const Real scale = fabsl(sqrtl(g1 * g1 + gn * gn));
        // With n > 2 the gradient can be non-zero while both end components
        // vanish; an infinite step would only produce overflow later, so
        // the run ends here with a clear reason.
        if (scale == 0) return {0, StepEnd::InfiniteStep};
        step = options.size / scale;
    }
    for (int i = 1; i <= n; ++i) u[i] = u[i] - step * g[i];
    return {step, StepEnd::Moved};
}

} // namespace tarvik
