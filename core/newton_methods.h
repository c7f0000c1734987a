#pragma once
// The Newton methods that go beyond the classical step: finite-difference
// Hessian, inexact Newton with conjugate gradients, and the trust region.
#include <cstdint>

#include "core/newton_step.h"
#include "core/run_state.h"

namespace tarvik {

// Newton step with the Hessian built from n gradient differences (step
// 1e-8) into HMatrix, solved by solve; GradJ and GradNorm are those of U
// again on return.
void FdNewtonStep(RunState& s, FunctionId functionCode, const NewtonSolve& solve, MyArray1& d);

// Conjugate gradients on H z = -GradJ with H p approximated by gradient
// differences (step 1e-7); d := -z and dirNorm := |d|. U, GradJ and GradNorm
// are kept in U0, GradJ0 and GradNorm0 while it works and are those of the
// base point again on every return.
void InexactNewtonStep(RunState& s, FunctionId functionCode, MyArray1& d, Real& dirNorm);

// The Newton step d, as formed at U, cut to the trust radius and tried at
// most three times with a shrinking radius; radius is updated for the next
// iteration. Expects UPrev = U and JCur = J(U).
void TrustRegionStep(RunState& s, FunctionId functionCode, MyArray1& d, Real& radius);

// Actual over predicted reduction of J for the step U := UPrev - d, with the
// Hessian of this iteration's Newton step. Raises EBadError "STEP-SIZE=0."
// when the model predicts no change.
Real TrustRatio(RunState& s, FunctionId functionCode, const MyArray1& d);

} // namespace tarvik
