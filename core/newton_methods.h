#pragma once
// The Newton methods that go beyond the classical step: finite-difference
// Hessian, inexact Newton with conjugate gradients, and the trust region.
#include <cstdint>

#include "core/kernel_progress.h"
#include "core/newton_step.h"
#include "core/objective.h"

namespace tarvik {

// Newton step at u (gradient g) with the Hessian built from n gradient
// differences (step 1e-8) into h and solved by solve. The probes'
// gradients go to a vector of their own; Stop is honoured between columns.
// Where the function's Hessian is banded the differences go into band
// instead, as long as every one outside it is +0; h is only allocated (n x
// n) should one not be.
void FdNewtonStep(Objective& objective, int64_t iteration, const MyArray1& u, const MyArray1& g, MyArray2& h,
                  BandMatrix& band, const NewtonSolve& solve, MyArray1& d);

struct InexactNewtonOptions {
    int64_t iteration;           // k, for the status and the failure texts
    Real forcingC;               // c of the forcing term min(sqrt||g||, c)
    int32_t maxSubIterations;
};

// Conjugate gradients on H z = -g0 at the base point u0 with H p
// approximated by gradient differences (step 1e-7); d := -z and
// dirNorm := |d|. subIterations counts the conjugate-gradient steps; for
// n >= 1000 each is shown through status. On a curvature failure d = g0
// and dirNorm = g0Norm, the steepest-descent step the failure dialog offers.
void InexactNewtonStep(Objective& objective, const InexactNewtonOptions& options, const MyArray1& u0,
                       const MyArray1& g0, Real g0Norm, KernelProgress& status, int64_t& subIterations, MyArray1& d,
                       Real& dirNorm);

// What the trust region's model reads: the point and J before the step,
// the gradient there, and the Hessian of this iteration's Newton step
// (twoByTwo for a 2x2 Hessian, matrix otherwise).
struct TrustModel {
    const MyArray1& uPrev;
    Real j;
    const MyArray1& g;
    const Real* twoByTwo;
    const MyArray2& matrix;
    bool isTwoByTwo;
    const BandMatrix* band = nullptr;  // the Hessian where it was formed as a band
};

struct TrustOptions {
    Real eta;        // shrink factor and acceptance bound of the radius
    Real maxRadius;
};

// The Newton step d, as formed at uPrev, cut to the trust radius and tried
// at most three times with a shrinking radius, each trial putting u at
// uPrev - d; radius is updated for the next iteration. Sets step to 0 and
// raises EBadError "STEP-SIZE=0." when the model predicts no change.
void TrustRegionStep(Objective& objective, const TrustOptions& options, const TrustModel& model, MyArray1& u,
                     MyArray1& d, Real& radius, Real& step);

// Actual over predicted reduction of J for the step u := uPrev - d. Sets
// step to 0 and raises EBadError "STEP-SIZE=0." when the model predicts no
// change.
Real TrustRatio(Objective& objective, const TrustModel& model, MyArray1& u, const MyArray1& d, Real& step);

} // namespace tarvik
