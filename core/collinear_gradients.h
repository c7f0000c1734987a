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

// w := sigma * gv / normGv - gb / gbNorm over 1..n, and its norm into
// state.divGradNorm, sigma = state.sign = Sign(gb . gv), 1 when that sign
// is 0. Clears state.subIterDone, or sets it (and leaves w) when gv is 0.
void DivGVector(int n, const MyArray1& gb, Real gbNorm, const MyArray1& gv, Real normGv, MyArray1& w,
                CollinearState& state);

// Places the trial point u at the corner of the delta-cube around U0 on the
// side of the signs of GradJ0, evaluates g = gradJ(u) (one evaluation) and
// the first w.
void SubIterationStart(RunState& s, MyArray1& g, MyArray1& u);

// One conjugate-gradient sub-iteration on ||w|| with a forward-difference
// curvature and an exact step; u is the trial point, g its gradient, q a
// work vector of n + 1 components. Sets Collinear.subIterDone when the
// sub-iterations are over. Raises EBadError "Terminated by user" after Stop.
void SubIteration(RunState& s, MyArray1& g, MyArray1& u, MyArray1& q);

// The sub-iteration drivers. The demo variant searches from U0 as the
// driver prepared it and ends the run after this iteration; the full
// variant takes the current point (u, g) as its base point.
void CollinearDemoSearch(RunState& s, MyArray1& g, MyArray1& u);
void CollinearSearch(RunState& s, MyArray1& g, MyArray1& u);

// The final steps from ub (gradient gb) along u - ub over 1..n, where u is
// the point the sub-iterations reached and g its gradient. step := tau.
// When tau cannot be formed (g_b . (v - u_b) = 0, or the linear model has no
// zero) step := 0 and u stays where the sub-iterations left it.
void CollinearDemoStep(int n, const MyArray1& ub, const MyArray1& gb, const MyArray1& g, MyArray1& u, Real& step);
// As the demo step, with d = tau (v - u_b) and dNorm = ||d||; an uphill d
// is reversed, and then the step returns true.
bool CollinearStep(int n, const MyArray1& ub, const MyArray1& gb, const MyArray1& g, MyArray1& u, MyArray1& d,
                   Real& dNorm, Real& step);

} // namespace tarvik
