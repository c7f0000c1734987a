#pragma once
// Gauss elimination with column pivoting for the Newton systems and the
// TRIDIA test point.
#include "core/run_state.h"

namespace tarvik {

// Whether the solve may eliminate in HMatrix itself: only where HMatrix is
// formed afresh before it is read again, as the plain Newton steps do. A
// work copy of an n x n matrix at n = 10000 is 1.6 GB.
enum class GaussMatrix { Keep, MayOverwrite };

// Solves M x = GradJ, where M is Quad.QuadA for "Quadratic from FILE"
// and HMatrix otherwise. GradJ is never changed, and M
// only with MayOverwrite (never QuadA); otherwise the elimination works on a
// copy held in GaussWork, which is released on every exit. For N >= 200 it
// shows progress and honours Stop.
// A zero pivot sets ResumeSteepest, leaves GradJ in x and raises
// ERealBadError "Incorrect Function parameters." (TRIDIA test point during
// preparation) or ENotSoBadError "Hessian matrix is 0! (Iterate=k).".
void GaussSolve(RunState& s, MyArray1& x, GaussMatrix use = GaussMatrix::Keep);

} // namespace tarvik
