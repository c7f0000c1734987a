#pragma once
// Quasi-Newton directions: BFGS with a full inverse-Hessian approximation
// (kept as its triangle: the update is symmetric to the last bit),
// and L-BFGS over a ring of stored pairs.
#include <cstdint>

#include "core/kernel_progress.h"
#include "core/numeric.h"
#include "core/packed_symmetric.h"

namespace tarvik {

// The last step as the rules see it: points and gradients, components 1..n.
struct QuasiNewtonStep {
    int n;
    int64_t iteration;  // k
    const MyArray1& u;
    const MyArray1& uPrev;
    const MyArray1& g;
    const MyArray1& gPrev;
};

// k = 0: h := I (and the progress bar is shown for n >= 200). k >= 1: the
// BFGS update of h from s = u - uPrev, y = g - gPrev, scaled at k = 1 by
// s.y / y.y. Then d = h g and dNorm = ||d||.
// Raises ENotSoBadError when s.y <= 0, leaving h and d as they were;
// a progress tick may raise EBadError "Terminated by user".
void BfgsDirection(const QuasiNewtonStep& step, PackedSymmetric& h, KernelProgress& progress, MyArray1& d,
                   Real& dNorm);

// Stores the newest pair in the ring of the m-row stores sStore / yStore
// and writes the two-loop recursion d over the last min(k, m) pairs; d = g
// at k = 0. Raises EBadError when a stored pair fails the curvature
// condition.
void LbfgsDirection(const QuasiNewtonStep& step, int m, MyArray2& sStore, MyArray2& yStore, MyArray1& d,
                    Real& dNorm);

} // namespace tarvik
