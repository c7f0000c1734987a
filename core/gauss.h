#pragma once
// Gauss elimination with column pivoting for the Newton systems and the
// TRIDIA test point.
#include "core/run_state.h"

namespace tarvik {

// Solves M x = GradJ, where M is Quad.QuadA for "Quadratic from FILE"
// (FunctionCode 17) and HMatrix otherwise. Neither M nor GradJ is changed;
// the elimination works on a copy held in GaussWork, which is released on
// every exit. For N >= 200 it shows progress and honours Stop.
// A zero pivot sets ResumeSteepest, leaves GradJ in x and raises
// ERealBadError "Incorrect Function parameters." (TRIDIA test point during
// preparation) or ENotSoBadError "Hessian matrix is 0! (Iterate=k).".
void GaussSolve(RunState& s, MyArray1& x);

} // namespace tarvik
