#pragma once
// The direction rules as a run uses them: each turns the run state and the
// method's and function's traits into its kernel's options and vectors,
// calls the kernel and writes the result back under the run state's names.
#include "core/gauss.h"
#include "core/newton_methods.h"
#include "core/newton_step.h"
#include "core/run_state.h"

namespace tarvik {

// Dir and DirNorm from GradJ, GradJPrev and the run's conjugate state.
void RunConjugateDirection(RunState& s);

// Dir and DirNorm from the step U - UPrev, GradJ - GradJPrev: BFGS updates
// InverseHessian with it, L-BFGS stores it among its LbfgsMemory pairs.
void RunBfgsDirection(RunState& s);
void RunLbfgsDirection(RunState& s);

// Solves M x = GradJ with the run's Newton matrix: Quad.QuadA for the
// quadratic from files (never changed), HMatrix otherwise (changed only
// with MayOverwrite); a work copy lives in GaussWork for the solve. A zero
// pivot sets ResumeSteepest, so the failure dialog can offer the
// steepest-descent step.
void RunGaussSolve(RunState& s, MyArray1& x, GaussMatrix use = GaussMatrix::Keep);
// The same for a banded Hessian held as its band.
void RunBandGaussSolve(RunState& s, const BandMatrix& band, MyArray1& x);
// RunGaussSolve or RunBandGaussSolve as the Newton steps call them.
NewtonSolve GaussSolverOf(RunState& s);

// The classical Newton step at U into d, with the Hessian in HMatrix (HBand
// where it is banded, Hess2x2 for a 2x2 one); counts one Hessian.
void RunNewtonStep(RunState& s, MyArray1& d);

// The difference-Hessian Newton step at U into Dir; counts one Hessian.
void RunFdNewtonStep(RunState& s);
// Inexact Newton-CG from U into Dir and DirNorm, with the sub-steps
// counted in SubIterCount; Step := 0 when the direction is zero. U, GradJ
// and GradNorm are only read.
void RunInexactNewtonStep(RunState& s);
// The trust region's model of this iteration: UPrev, JCur, GradJ and the
// Hessian the Newton step formed (Hess2x2, QuadA or HMatrix).
TrustModel TrustModelOf(const RunState& s);
// UPrev := U, the Newton step into Dir, cut to TrustRadius and tried from
// UPrev; U is at the last trial.
void RunTrustRegionStep(RunState& s);

// The final step of a collinear-gradients iteration from the base point
// u_b (gradient g_b, in Collinear) along U - u_b into U and Step; the full
// method's direction goes to Dir and DirNorm, and an uphill one is
// reversed and reported.
void RunCollinearFinalStep(RunState& s);

// The collinear-gradients sub-iterations on the run: from the base point
// of Collinear with the trial point u (gradient g, norm GradNorm), in Dir,
// DivGradVec and the run's other collinear vectors, counted in SubIterCount.
void RunSubIterationStart(RunState& s, MyArray1& g, MyArray1& u);
void RunSubIteration(RunState& s, MyArray1& g, MyArray1& u, MyArray1& q);

// The sub-iteration searches of an iteration at U (GradJ), shown on the
// status bar and the figure; each takes U, GradJ and GradNorm as its base
// point (the full method also JCur). The demo ends the run after this
// iteration.
void RunCollinearDemoSearch(RunState& s);
void RunCollinearSearch(RunState& s);

// Until the run's first search the base point is u°, as the figure maps
// it when the run ends at u° (U0, GradJ0 and GradNorm0 as they stand).
void StartCollinearAtU0(RunState& s);
// U, GradNorm, JCur and DistCur of the base point, where a Stop closes a
// collinear iteration.
void ReturnToCollinearBase(RunState& s);

} // namespace tarvik
