#pragma once
// Quasi-Newton directions: BFGS with a full inverse-Hessian approximation
// in HMatrix, and L-BFGS over the pair stores LbfgsS / LbfgsY.
#include "core/run_state.h"

namespace tarvik {

// k = 0: H := I (and the progress bar is shown for N >= 200). k >= 1: the
// BFGS update of H from s = U - UPrev, y = GradJ - GradJPrev, scaled at
// k = 1 by s.y / y.y. Then d = H g and dNorm = ||d||.
// Raises ENotSoBadError when s.y <= 0, leaving H and d as they were;
// ProgressTick may raise EBadError "Terminated by user".
void BfgsDirection(RunState& s, MyArray1& d, Real& dNorm);

// Shifts the pair history, stores the newest pair and writes the two-loop
// recursion d over the last min(k, m) pairs; d = g at k = 0. Raises
// EBadError when a stored pair fails the curvature condition.
void LbfgsDirection(RunState& s, int m, MyArray1& d, Real& dNorm);

} // namespace tarvik
