#pragma once
// Fletcher-Reeves and Polak-Ribiere directions.
#include <cstdint>

#include "core/numeric.h"

namespace tarvik {

// What the rule carries from one iteration to the next.
struct ConjugateState {
    Real prevGradNorm2 = 0;  // ||g||^2 of the previous iteration
    Real numerator = 0;
    Real beta = 0;
    int32_t restart = 0;     // 0 when this iteration dropped beta
};

// The numerator of beta over ||g_prev||^2.
enum class ConjugateFormula { FletcherReeves, PolakRibiere };

struct ConjugateOptions {
    ConjugateFormula formula;
    // Renew by the orthogonality of successive gradients (quadratic
    // functions) instead of every 3n iterations.
    bool orthogonalityRenewal;
    int64_t iteration;       // k; the state starts afresh at k = 0
};

// Updates d (components 1..n) in place from g and gPrev and writes ||d|| to
// dNorm. The line search then moves along -d. An uphill -d falls back to g.
void ConjugateDirection(const ConjugateOptions& options, int n, const MyArray1& g, const MyArray1& gPrev,
                        ConjugateState& state, MyArray1& d, Real& dNorm);

} // namespace tarvik
