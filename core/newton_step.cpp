#include "core/newton_step.h"

#include <exception>
#include <string>

#include "core/errors.h"
#include "core/fp_guard.h"
#include "core/gauss.h"
#include "core/hessian.h"

namespace tarvik {

void Solve2x2(Real h11, Real h12, Real h21, Real h22, const MyArray1& g, MyArray1& d) {
    const Real g1 = g[1];
    const Real g2 = g[2];
    const Real det = h11 * h22 - h12 * h21;
    d[1] = (h22 * g1 - h12 * g2) / det;
    d[2] = (h11 * g2 - h21 * g1) / det;
}

void CheckNewtonDescent(int n, int32_t iteration, const MyArray1& g, const MyArray1& d) {
    Real sum = 0;
    for (int i = 1; i <= n; ++i) sum += g[i] * d[i];
    if (sum < 0) throw ENotSoBadError("Hessian<0 ! (Iteration=" + std::to_string(iteration) + ").");
    if (sum == 0) throw EBadError("Hessian=0 ! (Iteration=" + std::to_string(iteration) + ").");
}

namespace {

// Classical Newton forms the whole Hessian afresh at every step, so the
// elimination may work in it; the trust region reads it again for its model.
GaussMatrix MatrixUse(const RunState& s) {
    return Traits(s.MethodCode).gaussMayOverwrite ? GaussMatrix::MayOverwrite : GaussMatrix::Keep;
}

// Solves with HMatrix, as formed at U, and leaves it as it was formed when
// use says Keep. Forming it again after an elimination in place gives the
// same bits (it raised no fault the first time) and spares a work copy of
// n x n, which at n = 10000 is another gigabyte; forming costs far less
// than eliminating.
void SolveWithHessian(RunState& s, FunctionId functionCode, MyArray1& d, GaussMatrix use) {
    GaussSolve(s, d, GaussMatrix::MayOverwrite);
    if (use == GaussMatrix::Keep) FillHessianMatrix(functionCode, s.N, s.Params, s.U, s.HMatrix);
}

} // namespace

void NewtonStep(RunState& s, FunctionId functionCode, MyArray1& d) {
    ++s.HessianEvaluations;
    switch (Traits(functionCode).hessian) {
    case HessianShape::TwoByTwo: {
        FpFaultGuard guard;
        const Hessian2 h = TwoDimensionalHessian(functionCode, s.U);
        for (int k = 0; k < 4; ++k) s.Hess2x2[k] = h[k];
        Solve2x2(h[0], h[1], h[2], h[3], s.GradJ, d);
        PinValue(d[1]);
        PinValue(d[2]);
        if (guard.Faulted()) throw EBadError("Error! Hessian=0: " + s.FunctionName);
        break;
    }
    case HessianShape::Constant: {
        {
            FpFaultGuard guard;
            FillHessianMatrix(functionCode, s.N, s.Params, s.U, s.HMatrix);
            Real last = s.HMatrix[s.N][s.N];
            PinValue(last);
            if (guard.Faulted()) throw EBadError("Error in evaluation of Hessian: " + s.FunctionName);
        }
        // Outside the guard: a zero pivot or Stop keeps its own meaning.
        SolveWithHessian(s, functionCode, d, MatrixUse(s));
        break;
    }
    case HessianShape::FromFiles:
        GaussSolve(s, d);
        break;
    case HessianShape::Varying: {
        bool failed = false;
        try {
            FpFaultGuard guard;
            FillHessianMatrix(functionCode, s.N, s.Params, s.U, s.HMatrix);
            SolveWithHessian(s, functionCode, d, MatrixUse(s));
            for (int i = 1; i <= s.N; ++i) PinValue(d[i]);
            failed = guard.Faulted();
        } catch (const std::exception&) {
            failed = true;
        }
        if (failed) throw EBadError("Error in evaluation of Hessein: " + s.FunctionName);
        break;
    }
    }
    CheckNewtonDescent(s.N, s.IterCount, s.GradJ, d);
}

} // namespace tarvik
