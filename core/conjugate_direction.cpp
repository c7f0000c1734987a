#include "core/conjugate_direction.h"

#include <cmath>

#include "core/vector_kernels.h"

namespace tarvik {

namespace {

// ||g||^2 as the sum of squares, without the rounding of a square root.
Real SquaredNorm(const MyArray1& g) { return VecDot(g, g); }

bool IsFletcherReeves(MethodId method) { return Traits(method).direction == DirectionRule::FletcherReeves; }

} // namespace

void ConjugateDirection(RunState& s, FunctionId functionIndex, MyArray1& d, Real& dNorm) {
    const MyArray1& g = s.GradJ;
    const MyArray1& gPrev = s.GradJPrev;
    const int n = s.N;
    const int32_t k = s.IterCount;

    s.CgRestart = 1;
    if (k == 0) s.CgPrevGradNorm2 = 0;
    const Real prev = s.CgPrevGradNorm2;

    if (prev != 0) {
        s.CgNumerator = IsFletcherReeves(s.MethodCode) ? SquaredNorm(g) : VecDotDiff(g, g, gPrev);
        s.CgBeta = s.CgNumerator / prev;
    } else {
        s.CgBeta = 0;
    }

    if (!Traits(functionIndex).quadratic) {
        // Non-quadratic functions: a fixed renewal every 3n iterations.
        s.CgRestart = k % (3 * n);
    } else if (prev != 0 && fabsl(VecDot(g, gPrev)) / prev >= 0.1L) {
        // Quadratic functions: renew when successive gradients have lost
        // their orthogonality.
        s.CgRestart = 0;
    }
    if (s.CgRestart == 0) s.CgBeta = 0;

    const Real beta = s.CgBeta;
    for (int i = 1; i <= n; ++i) d[i] = beta * d[i] + g[i];

    s.CgPrevGradNorm2 = SquaredNorm(g);

    // -d must descend; otherwise fall back to the steepest-descent direction.
    if (VecDot(g, d) <= 0) {
        for (int i = 1; i <= n; ++i) d[i] = g[i];
    }
    dNorm = VecNorm(d);
}

} // namespace tarvik
