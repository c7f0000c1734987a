#include "core/newton_step.h"

#include <exception>
#include <string>

#include "core/errors.h"
#include "core/fp_guard.h"
#include "core/function_catalogue.h"
#include "core/gauss.h"

namespace tarvik {

void Solve2x2(Real h11, Real h12, Real h21, Real h22, const MyArray1& g, MyArray1& d) {
    const Real g1 = g[1];
    const Real g2 = g[2];
    const Real det = h11 * h22 - h12 * h21;
    d[1] = (h22 * g1 - h12 * g2) / det;
    d[2] = (h11 * g2 - h21 * g1) / det;
}

void CheckNewtonDescent(int n, int64_t iteration, const MyArray1& g, const MyArray1& d) {
    Real sum = 0;
    for (int i = 1; i <= n; ++i) sum += g[i] * d[i];
    if (sum < 0) throw ENotSoBadError("Hessian<0 ! (Iteration=" + std::to_string(iteration) + ").");
    if (sum == 0) throw EBadError("Hessian=0 ! (Iteration=" + std::to_string(iteration) + ").");
}

namespace {

// Solves with HMatrix, as formed at U, and leaves it as it was formed when
// use says Keep. Forming it again after an elimination in place gives the
// same bits (it raised no fault the first time) and spares a work copy of
// n x n, which at n = 10000 is another gigabyte; forming costs far less
// than eliminating.
void SolveWithHessian(const Objective& objective, const NewtonOptions& o, const MyArray1& u, MyArray2& h,
                      const NewtonSolve& solve, MyArray1& d) {
    solve(d, GaussMatrix::MayOverwrite, nullptr);
    if (o.matrixUse == GaussMatrix::Keep) objective.FillHessian(u, h);
}

bool Banded(const Objective& objective) { return objective.Function().hessianBand >= 0; }

// The band is formed once and the elimination never works in it.
void FillHessianOf(const Objective& objective, const MyArray1& u, const NewtonHessian& hessian) {
    if (Banded(objective))
        objective.FillHessian(u, hessian.band);
    else
        objective.FillHessian(u, hessian.matrix);
}

void SolveWith(const Objective& objective, const NewtonOptions& o, const MyArray1& u, const NewtonHessian& hessian,
               const NewtonSolve& solve, MyArray1& d) {
    if (Banded(objective))
        solve(d, GaussMatrix::Keep, &hessian.band);
    else
        SolveWithHessian(objective, o, u, hessian.matrix, solve, d);
}

} // namespace

void NewtonStep(const Objective& objective, const NewtonOptions& options, const MyArray1& u, const MyArray1& g,
                const NewtonHessian& hessian, const NewtonSolve& solve, MyArray1& d) {
    const int n = objective.Dimension();
    const std::string& name = objective.Name();
    MyArray2& h = hessian.matrix;
    switch (objective.Hessian()) {
    case HessianShape::TwoByTwo: {
        FpFaultGuard guard;
        const Hessian2 h2 = objective.TwoByTwoHessian(u);
        for (int k = 0; k < 4; ++k) hessian.twoByTwo[k] = h2[k];
        Solve2x2(h2[0], h2[1], h2[2], h2[3], g, d);
        PinValue(d[1]);
        PinValue(d[2]);
        if (guard.Faulted()) throw EBadError("Error! Hessian=0: " + name);
        break;
    }
    case HessianShape::Constant: {
        {
            FpFaultGuard guard;
            FillHessianOf(objective, u, hessian);
            Real last = Banded(objective) ? hessian.band[n][n] : Real(h[n][n]);
            PinValue(last);
            if (guard.Faulted()) throw EBadError("Error in evaluation of Hessian: " + name);
        }
        // Outside the guard: a zero pivot or Stop keeps its own meaning.
        SolveWith(objective, options, u, hessian, solve, d);
        break;
    }
    case HessianShape::FromFiles:
        solve(d, GaussMatrix::Keep, nullptr);
        break;
    case HessianShape::Varying: {
        bool failed = false;
        try {
            FpFaultGuard guard;
            FillHessianOf(objective, u, hessian);
            SolveWith(objective, options, u, hessian, solve, d);
            for (int i = 1; i <= n; ++i) PinValue(d[i]);
            failed = guard.Faulted();
        } catch (const std::exception&) {
            failed = true;
        }
        if (failed) throw EBadError("Error in evaluation of Hessein: " + name);
        break;
    }
    }
    CheckNewtonDescent(n, options.iteration, g, d);
}

} // namespace tarvik
