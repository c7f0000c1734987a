#include "core/collinear_gradients.h"

#include <cmath>
#include <cstdint>
#include <string>

#include "core/errors.h"
#include "core/number_format.h"
#include "core/objective.h"
#include "core/vector_kernels.h"

namespace tarvik {

namespace {

// First differentiation step of every sub-iteration's curvature probe.
constexpr Real kFirstDifferentiationStep = 1e-5L;

// The sign as the double-precision Sign routine gives it: the value is
// rounded to double first, so anything below the double range counts as 0.
int DoubleSign(Real x) {
    const double d = static_cast<double>(x);
    if (d > 0) return 1;
    if (d < 0) return -1;
    return 0;
}

// tau = 1 / (1 - t1/t2), t1 = g.(v - u_b), t2 = g_b.(v - u_b). False when
// either division has a zero divisor: there is then no step to take.
bool FinalStepFactor(const MyArray1& ub, const MyArray1& gb, const MyArray1& g, const MyArray1& v, Real& tau) {
    const Real t1 = VecDotDiff(g, v, ub);
    const Real t2 = VecDotDiff(gb, v, ub);
    if (t2 == 0) return false;
    const Real denominator = 1 - t1 / t2;
    if (denominator == 0) return false;
    tau = 1 / denominator;
    return true;
}

} // namespace

void DivGVector(int n, const MyArray1& gb, Real gbNorm, const MyArray1& gv, Real normGv, MyArray1& w,
                CollinearState& state) {
    state.subIterDone = 0;
    // A stationary trial point has no direction to compare: the search is
    // over there (the zero gradient has already cleared ContinueRun), and
    // dividing by its zero norm would only spread NaN through the method.
    if (normGv == 0) {
        state.subIterDone = 1;
        return;
    }
    const int sign = DoubleSign(VecDot(gb, gv));
    state.sign = sign == 0 ? 1 : sign;
    const Real sigma = state.sign;
    for (int i = 1; i <= n; ++i) w[i] = gv[i] / normGv * sigma - gb[i] / gbNorm;
    state.divGradNorm = VecNorm(w);
}

void SubIterationStart(Objective& objective, const CollinearOptions& options, const CollinearVectors& v,
                       CollinearState& state, MyArray1& g, Real& gNorm, MyArray1& u) {
    const int n = objective.Dimension();
    const Real corner = options.delta / std::sqrt(static_cast<Real>(n));
    for (int i = 1; i <= n; ++i) u[i] = v.ub[i] + corner * DoubleSign(v.gb[i]);
    objective.Gradient(u, g, gNorm);
    DivGVector(n, v.gb, v.gbNorm, g, gNorm, v.w, state);
}

void SubIteration(Objective& objective, const CollinearOptions& options, const CollinearVectors& v,
                  CollinearState& state, int64_t& subIterations, const std::function<void(const std::string&)>& line,
                  MyArray1& g, Real& gNorm, MyArray1& u, MyArray1& q) {
    const int n = objective.Dimension();
    MyArray1& p = v.p;
    MyArray1& w = v.w;
    const auto divG = [&] { DivGVector(n, v.gb, v.gbNorm, g, gNorm, w, state); };

    objective.Cadence(1).Step();
    v.gPrev = g;
    v.gPrevNorm = gNorm;
    const Real dist = VecNormComb(v.ub, u, -1);
    if (subIterations > 1) {
        objective.Gradient(u, g, gNorm);
        divG();
        if (state.subIterDone) return;
    }

    if (state.divGradNorm < options.threshold || subIterations >= options.maxSubIterations || dist < options.minDist ||
        (subIterations > 1 &&
         std::fabs(state.divGradNorm - state.divGradNormPrev) / state.divGradNorm <= options.c1)) {
        state.subIterDone = 1;
        return;
    }

    // Fletcher-Reeves on ||w||, restarted at the first sub-iteration and
    // every n of them.
    if (subIterations == 1 || subIterations % n == 0)
        state.beta = 0;
    else
        state.beta = state.divGradNorm * state.divGradNorm / (state.divGradNormPrev * state.divGradNormPrev);
    for (int i = 1; i <= n; ++i) p[i] = state.beta * p[i] - w[i];

    v.uSaved = u;
    v.gSaved = g;
    v.wPrev = w;
    state.gradNormSaved = gNorm;
    state.divGradNormPrev = state.divGradNorm;

    // Curvature of ||w|| along p by a forward difference of w. A probe too
    // short to change w gives zero; a longer one is tried until it does.
    Real h = kFirstDifferentiationStep;
    Real curv = 0;
    for (;;) {
        const Real t = h / VecNorm(p);
        for (int i = 1; i <= n; ++i) u[i] = v.uSaved[i] + t * p[i];
        objective.Gradient(u, g, gNorm);
        divG();
        for (int i = 1; i <= n; ++i) q[i] = (w[i] - v.wPrev[i]) / t;
        curv = VecDot(p, q);
        if (curv != 0) break;
        h = 10 * h;
        line(" h=" + FormatFloat("0.00E+00", h) + " (differentiation step)");
    }

    u = v.uSaved;
    g = v.gSaved;
    gNorm = state.gradNormSaved;
    w = v.wPrev;
    state.divGradNorm = state.divGradNormPrev;
    state.subIterDone = 0;  // a stationary probe point ends nothing: the point is restored

    state.step = state.divGradNorm * state.divGradNorm / curv;
    for (int i = 1; i <= n; ++i) u[i] = u[i] + state.step * p[i];
    ++subIterations;
}

void CollinearDemoStep(int n, const MyArray1& ub, const MyArray1& gb, const MyArray1& g, MyArray1& u, Real& step) {
    Real tau = 0;
    if (!FinalStepFactor(ub, gb, g, u, tau)) {
        step = 0;
        return;
    }
    step = tau;
    for (int i = 1; i <= n; ++i) u[i] = ub[i] + tau * (u[i] - ub[i]);
}

bool CollinearStep(int n, const MyArray1& ub, const MyArray1& gb, const MyArray1& g, MyArray1& u, MyArray1& d,
                   Real& dNorm, Real& step) {
    Real tau = 0;
    if (!FinalStepFactor(ub, gb, g, u, tau)) {
        step = 0;
        return false;
    }
    step = tau;
    for (int i = 1; i <= n; ++i) d[i] = tau * (u[i] - ub[i]);
    dNorm = VecNorm(d);

    if (VecDot(gb, d) < 0) {
        if (tau != 0)
            for (int i = 1; i <= n; ++i) u[i] = ub[i] + d[i];
        return false;
    }
    // The interpolated minimum lies behind u_b: go the other way.
    if (tau != 0)
        for (int i = 1; i <= n; ++i) u[i] = ub[i] - d[i];
    return true;
}

} // namespace tarvik
