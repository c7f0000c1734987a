#pragma once
// The classical Newton step with the analytic Hessian.
#include <cstdint>

#include "core/run_state.h"

namespace tarvik {

// Cramer's rule for the 2x2 system H d = g.
void Solve2x2(Real h11, Real h12, Real h21, Real h22, const MyArray1& g, MyArray1& d);

// Forms the Hessian of the function at U (HMatrix, QuadA for the quadratic
// from files, or Hess2x2 for a 2x2 Hessian) and solves H d = GradJ. Raises
// EBadError when the Hessian cannot be formed, ENotSoBadError
// "Hessian<0 ! (Iteration=k)." when GradJ.d < 0 and EBadError
// "Hessian=0 ! (Iteration=k)." when GradJ.d = 0; GaussSolve's own failures
// pass through, except for Generalized Rosenbrock where every failure of
// forming or solving is one evaluation error.
void NewtonStep(RunState& s, FunctionId functionCode, MyArray1& d);

// The sign test shared by the Newton steps: s = g.d over 1..n must be
// positive; iteration k goes into the failure texts.
void CheckNewtonDescent(int n, int32_t iteration, const MyArray1& g, const MyArray1& d);

} // namespace tarvik
