#include "core/collinear_gradients.h"

#include <cmath>
#include <cstdint>
#include <string>

#include "core/errors.h"
#include "core/number_format.h"
#include "core/objective.h"
#include "core/progress.h"
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

std::string SubIterationCounter(const RunState& s) {
    return " Working... " + std::to_string(static_cast<int64_t>(s.IterCount) + 1) + "/" + std::to_string(s.SubIterCount);
}

// Long searches (large n, many sub-iterations) also show how far from
// collinear the gradients still are.
bool ShowsDivG(const RunState& s) { return s.N >= 1000 || s.SubIterCount >= 100; }

void DrawSubIteration(RunState& s) {
    s.SegmentColour = clSubIter;
    s.Host->DrawTrajectoryStep();
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

namespace {

// w of the trial point (u, g) as the sub-iterations keep it in the run.
void DivGVector(RunState& s, const MyArray1& gv, Real normGv) {
    DivGVector(s.N, s.GradJ0, s.GradNorm0, gv, normGv, s.DivGradVec, s.Collinear);
}

} // namespace

void SubIterationStart(RunState& s, MyArray1& g, MyArray1& u) {
    const int n = s.N;
    const Real corner = s.CollDelta / std::sqrt(static_cast<Real>(n));
    for (int i = 1; i <= n; ++i) u[i] = s.U0[i] + corner * DoubleSign(s.GradJ0[i]);
    EvalGrad(s, s.FunctionCode, u, g, s.GradNorm);
    DivGVector(s, g, s.GradNorm);
}

void SubIteration(RunState& s, MyArray1& g, MyArray1& u, MyArray1& q) {
    const int n = s.N;
    MyArray1& p = s.Dir;
    MyArray1& w = s.DivGradVec;

    StopPoint(s);
    s.GradJPrev = g;
    s.GradNormPrev = s.GradNorm;
    const Real dist = VecNormComb(s.U0, u, -1);
    if (s.SubIterCount > 1) {
        EvalGrad(s, s.FunctionCode, u, g, s.GradNorm);
        DivGVector(s, g, s.GradNorm);
        if (s.Collinear.subIterDone) return;
    }

    if (s.Collinear.divGradNorm < s.CollThreshold || s.SubIterCount >= s.MaxSubIterColl || dist < s.CollMinDist ||
        (s.SubIterCount > 1 && std::fabs(s.Collinear.divGradNorm - s.Collinear.divGradNormPrev) / s.Collinear.divGradNorm <= s.Params.CollC1)) {
        s.Collinear.subIterDone = 1;
        return;
    }

    // Fletcher-Reeves on ||w||, restarted at the first sub-iteration and
    // every n of them.
    if (s.SubIterCount == 1 || s.SubIterCount % n == 0)
        s.Collinear.beta = 0;
    else
        s.Collinear.beta = s.Collinear.divGradNorm * s.Collinear.divGradNorm / (s.Collinear.divGradNormPrev * s.Collinear.divGradNormPrev);
    for (int i = 1; i <= n; ++i) p[i] = s.Collinear.beta * p[i] - w[i];

    s.UPrev = u;
    s.GradJSaved = g;
    s.DivGradVecPrev = w;
    s.Collinear.gradNormSaved = s.GradNorm;
    s.Collinear.divGradNormPrev = s.Collinear.divGradNorm;

    // Curvature of ||w|| along p by a forward difference of w. A probe too
    // short to change w gives zero; a longer one is tried until it does.
    Real h = kFirstDifferentiationStep;
    Real curv = 0;
    for (;;) {
        const Real t = h / VecNorm(p);
        for (int i = 1; i <= n; ++i) u[i] = s.UPrev[i] + t * p[i];
        EvalGrad(s, s.FunctionCode, u, g, s.GradNorm);
        DivGVector(s, g, s.GradNorm);
        for (int i = 1; i <= n; ++i) q[i] = (w[i] - s.DivGradVecPrev[i]) / t;
        curv = VecDot(p, q);
        if (curv != 0) break;
        h = 10 * h;
        s.AppendLine(" h=" + FormatFloat("0.00E+00", h) + " (differentiation step)");
    }

    u = s.UPrev;
    g = s.GradJSaved;
    s.GradNorm = s.Collinear.gradNormSaved;
    w = s.DivGradVecPrev;
    s.Collinear.divGradNorm = s.Collinear.divGradNormPrev;
    s.Collinear.subIterDone = 0;  // a stationary probe point ends nothing: the point is restored

    s.Collinear.step = s.Collinear.divGradNorm * s.Collinear.divGradNorm / curv;
    for (int i = 1; i <= n; ++i) u[i] = u[i] + s.Collinear.step * p[i];
    ++s.SubIterCount;
}

void CollinearDemoSearch(RunState& s, MyArray1& g, MyArray1& u) {
    s.SubIterCount = 0;
    if (s.N == 2) s.ShowSubIterPoints = 1;

    SubIterationStart(s, g, u);
    s.SubIterCount = 1;
    DrawSubIteration(s);

    MyArray1 q = NewVector(s.N);
    while (!s.Collinear.subIterDone && s.SubIterCount <= s.MaxSubIterColl) {
        std::string status = SubIterationCounter(s);
        if (ShowsDivG(s)) status += "     DivG=" + FormatFloat("#.00E+00", s.Collinear.divGradNorm);
        s.SetStatus(status);
        SubIteration(s, g, u, q);
        DrawSubIteration(s);
    }
    s.SegmentColour = clTrajectory;
    // One iteration from u° is all the demonstration does.
    s.ContinueRun = 0;
}

void CollinearSearch(RunState& s, MyArray1& g, MyArray1& u) {
    s.SubIterCount = 0;
    s.U0 = u;
    s.GradJ0 = g;
    s.GradNorm0 = s.GradNorm;
    s.JBase = s.JCur;

    SubIterationStart(s, g, u);
    s.SubIterCount = 1;
    DrawSubIteration(s);

    MyArray1 q = NewVector(s.N);
    while (!s.Collinear.subIterDone) {
        StopPoint(s);
        std::string status = SubIterationCounter(s);
        if (ShowsDivG(s)) status += "     ||DivG||=" + FormatFloat("#.00E+00", s.Collinear.divGradNorm);
        s.SetStatus(status);
        SubIteration(s, g, u, q);
        // After a zero gradient the run ends with this iteration; the
        // driver draws its last point.
        if (s.ContinueRun) {
            s.SegmentColour = clSubIter;
            s.Host->DrawTrajectoryStep();
        }
    }
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
