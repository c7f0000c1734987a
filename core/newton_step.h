#pragma once
// The classical Newton step with the analytic Hessian.
#include <cstdint>
#include <functional>
#include <string>

#include "core/band_matrix.h"
#include "core/gauss.h"
#include "core/numeric.h"
#include "core/objective.h"

namespace tarvik {

// Cramer's rule for the 2x2 system H d = g.
void Solve2x2(Real h11, Real h12, Real h21, Real h22, const MyArray1& g, MyArray1& d);

struct NewtonOptions {
    int64_t iteration;                 // k, for the failure texts
    // MayOverwrite where the method forms H afresh at every step and reads
    // nothing of it afterwards.
    GaussMatrix matrixUse;
};

// Where the step forms its Hessian: the n x n matrix, and h11, h12, h21,
// h22 of a 2x2 one, which the trust region's model reads again.
struct NewtonHessian {
    MyArray2& matrix;
    BandMatrix& band;   // instead of matrix where the function's Hessian is banded
    Real* twoByTwo;
};

// Solves M x = g, where M is the band when band is given, else the Hessian
// matrix as formed, or the quadratic's own matrix from files; M may be
// eliminated in place only with MayOverwrite (a band never is).
using NewtonSolve = std::function<void(MyArray1& x, GaussMatrix use, const BandMatrix* band)>;

// Forms the Hessian of the objective's function at u and solves H d = g.
// Raises EBadError (naming the function) when the Hessian cannot be formed, ENotSoBadError
// "Hessian<0 ! (Iteration=k)." when g.d < 0 and EBadError
// "Hessian=0 ! (Iteration=k)." when g.d = 0; the solver's own failures
// pass through, except for a varying Hessian, where every failure of
// forming or solving is one evaluation error.
void NewtonStep(const Objective& objective, const NewtonOptions& options, const MyArray1& u, const MyArray1& g,
                const NewtonHessian& hessian, const NewtonSolve& solve, MyArray1& d);

// The sign test shared by the Newton steps: s = g.d over 1..n must be
// positive; iteration k goes into the failure texts.
void CheckNewtonDescent(int n, int64_t iteration, const MyArray1& g, const MyArray1& d);

} // namespace tarvik
