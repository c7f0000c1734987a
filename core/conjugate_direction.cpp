#include "core/conjugate_direction.h"

#include <cmath>

#include "core/vector_kernels.h"

namespace tarvik {

namespace {

// ||g||^2 as the sum of squares, without the rounding of a square root.
Real SquaredNorm(const MyArray1& g) { return VecDot(g, g); }

} // namespace

void ConjugateDirection(const ConjugateOptions& options, int n, const MyArray1& g, const MyArray1& gPrev,
                        ConjugateState& state, MyArray1& d, Real& dNorm) {
    const int64_t k = options.iteration;

    state.restart = 1;
    if (k == 0) state.prevGradNorm2 = 0;
    const Real prev = state.prevGradNorm2;

    if (prev != 0) {
        switch (options.formula) {
        case ConjugateFormula::FletcherReeves: state.numerator = SquaredNorm(g); break;
        case ConjugateFormula::PolakRibiere: state.numerator = VecDotDiff(g, g, gPrev); break;
        }
        state.beta = state.numerator / prev;
    } else {
        state.beta = 0;
    }

    if (!options.orthogonalityRenewal) {
        // A fixed renewal every 3n iterations.
        state.restart = k % (3 * n);
    } else if (prev != 0 && fabsl(VecDot(g, gPrev)) / prev >= 0.1L) {
        // Renew when successive gradients have lost their orthogonality.
        state.restart = 0;
    }
    if (state.restart == 0) state.beta = 0;

    const Real beta = state.beta;
    for (int i = 1; i <= n; ++i) d[i] = beta * d[i] + g[i];

    state.prevGradNorm2 = SquaredNorm(g);

    // -d must descend; otherwise fall back to the steepest-descent direction.
    if (VecDot(g, d) <= 0) {
        for (int i = 1; i <= n; ++i) d[i] = g[i];
    }
    dNorm = VecNorm(d);
}

} // namespace tarvik
