#pragma once
// The collinear-gradients methods ("Collinear gradients, demo 1 step" and
// "Collinear gradients"). Around the base point u_b = U0 of an iteration,
// sub-iterations look for a point v whose gradient is collinear with
// g_b = GradJ0; for a quadratic, v - u_b is then a Newton direction found
// without a Hessian. The final step goes along v - u_b to where the
// directional derivative, interpolated linearly between u_b and v, vanishes.
#include <string>
#include <string_view>

#include "core/run_state.h"

namespace tarvik {

// w := sigma * gv / normGv - g_b / ||g_b|| into DivGradVec and its norm into
// DivGradNorm, sigma = CollSign = Sign(g_b . gv), 1 when that sign is 0.
// Clears SubIterDone.
void DivGVector(RunState& s, const MyArray1& gv, Real normGv);

// Places the trial point u at the corner of the delta-cube around U0 on the
// side of the signs of GradJ0, evaluates g = gradJ(u) (one evaluation) and
// the first w.
void SubIterationStart(RunState& s, MyArray1& g, MyArray1& u);

// One conjugate-gradient sub-iteration on ||w|| with a forward-difference
// curvature and an exact step; u is the trial point, g its gradient, q a
// work vector of n + 1 components. Sets SubIterDone when the
// sub-iterations are over. Raises EBadError "Terminated by user" after Stop.
void SubIteration(RunState& s, MyArray1& g, MyArray1& u, MyArray1& q);

// The sub-iteration drivers. The demo variant searches from U0 as the
// driver prepared it and ends the run after this iteration; the full
// variant takes the current point (u, g) as its base point.
void CollinearDemoSearch(RunState& s, MyArray1& g, MyArray1& u);
void CollinearSearch(RunState& s, MyArray1& g, MyArray1& u);

// The final steps from ub (gradient gb) along u - ub, where u is the point
// the sub-iterations reached and g its gradient. Step := tau. When tau cannot
// be formed (g_b . (v - u_b) = 0, or the linear model has no zero) Step := 0
// and u stays where the sub-iterations left it.
void CollinearDemoStep(RunState& s, const MyArray1& ub, const MyArray1& gb, const MyArray1& g, MyArray1& u);
// As the demo step, with d = tau (v - u_b) in Dir; an uphill d is reversed
// and reported.
void CollinearStep(RunState& s, const MyArray1& ub, const MyArray1& gb, const MyArray1& g, MyArray1& u);

} // namespace tarvik
