#include "core/newton_methods.h"

#include <cmath>
#include <string>

#include "core/errors.h"
#include "core/newton_step.h"
#include "core/objective.h"
#include "core/progress.h"
#include "core/vector_kernels.h"

namespace tarvik {

namespace {

constexpr Real kFdNewtonStep = 1e-8L;
constexpr Real kInexactNewtonStep = 1e-7L;
constexpr Real kTrustAcceptance = 1e-4L;
constexpr int kMaxTrustReductions = 3;

void Scale(MyArray1& d, int n, Real radius, Real length) {
    for (int i = 1; i <= n; ++i) d[i] = d[i] * radius / length;
}

Real NormOf(const MyArray1& d, int n) {
    Real sum = 0;
    for (int i = 1; i <= n; ++i) sum += d[i] * d[i];
    return std::sqrt(sum);
}

} // namespace

void FdNewtonStep(RunState& s, FunctionId functionCode, const NewtonSolve& solve, MyArray1& d) {
    ++s.HessianEvaluations;
    const int n = s.N;
    const Real h = kFdNewtonStep;
    const MyArray1& g = s.GradJ;
    // The probes' gradients go to a vector of their own, so U, GradJ and
    // GradNorm stay those of the current point throughout: a Stop between
    // two columns, or a failed probe, finds the run where it was.
    MyArray1 probe = NewVector(n);
    Real probeNorm = 0;
    MyArray1 v = s.U;
    for (int j = 1; j <= n; ++j) {
        StopPoint(s);
        v[j] = s.U[j] + h;
        EvalGrad(s, functionCode, v, probe, probeNorm);
        for (int i = 1; i <= n; ++i) s.HMatrix[i][j] = (probe[i] - g[i]) / h;
        v[j] = s.U[j];
    }
    MyArray2& H = s.HMatrix;
    for (int i = 1; i <= n; ++i)
        for (int j = i; j <= n; ++j) H[i][j] = (H[i][j] + H[j][i]) / 2.0L;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= i; ++j) H[i][j] = H[j][i];
    // Every element is formed afresh at the next step and nothing reads
    // the matrix before, so the elimination may work in it.
    solve(d, GaussMatrix::MayOverwrite);
    CheckNewtonDescent(s.N, s.IterCount, s.GradJ, d);
}

void InexactNewtonStep(RunState& s, FunctionId functionCode, MyArray1& d, Real& dirNorm) {
    const int n = s.N;
    const Real h = kInexactNewtonStep;
    MyArray1 r = NewVector(n);
    MyArray1 p = NewVector(n);
    MyArray1 q = NewVector(n);
    // Probe point and gradient of their own: U, GradJ and GradNorm stay
    // those of the base point, whatever way the routine is left, also when
    // a Stop closes the iteration in the middle of the sub-steps.
    MyArray1 x = NewVector(n);
    MyArray1 gx = NewVector(n);
    Real gxNorm = 0;
    s.GradJ0 = s.GradJ;
    s.U0 = s.U;
    s.GradNorm0 = s.GradNorm;
    // A tiny forcing constant with a large MaxSubIter can keep this loop
    // going for hours.
    StopCadence cadence = StopCadence::ForUnboundedLoop(s);
    s.SubIterCount = 0;
    Real rr = 0;
    for (;;) {
        cadence.Step();
        if (n >= 1000)
            s.SetStatus(" Working... " + std::to_string(s.IterCount + 1) + "/" + std::to_string(s.SubIterCount + 1));
        if (s.SubIterCount == 0) {
            for (int i = 1; i <= n; ++i) d[i] = 0;
            for (int i = 1; i <= n; ++i) r[i] = s.GradJ0[i];
            for (int i = 1; i <= n; ++i) p[i] = -r[i];
            rr = VecDot(r, r);
        }
        for (int i = 1; i <= n; ++i) x[i] = s.U0[i] + h * p[i];
        EvalGrad(s, functionCode, x, gx, gxNorm);
        for (int i = 1; i <= n; ++i) q[i] = (gx[i] - s.GradJ0[i]) / h;

        const Real pq = VecDot(p, q);
        s.SegmentColour = clTrajectory;
        if (pq <= 0) {
            // The failure dialog offers a steepest-descent step from the
            // base point.
            for (int i = 1; i <= n; ++i) d[i] = s.GradJ0[i];
            dirNorm = s.GradNorm0;
            if (pq < 0) throw ENotSoBadError("Hessian<0 ! (Iteration=" + std::to_string(s.IterCount) + ").");
            throw EBadError("Hessian=0 ! (Iteration=" + std::to_string(s.IterCount) + ").");
        }

        const Real alpha = rr / pq;
        for (int i = 1; i <= n; ++i) d[i] = d[i] + alpha * p[i];
        for (int i = 1; i <= n; ++i) r[i] = r[i] + alpha * q[i];
        const Real rrNext = VecDot(r, r);
        const Real beta = rrNext / rr;
        for (int i = 1; i <= n; ++i) p[i] = -r[i] + beta * p[i];
        rr = rrNext;

        s.SubIterCount = s.SubIterCount + 1;
        const Real eta = MinReal(std::sqrt(s.GradNorm0), s.Params.NewtonCgForcingC);
        // rr is already the squared residual norm; squaring it again is
        // the established test of this method and is kept as it is.
        if (rr * rr <= eta * s.GradNorm0 || s.SubIterCount >= s.Params.MaxSubIter) break;
    }
    s.SetStatus(" Working... ");
    for (int i = 1; i <= n; ++i) d[i] = -d[i];
    dirNorm = NormOf(d, n);
    if (dirNorm == 0) s.Step = 0;
}

Real TrustRatio(RunState& s, FunctionId functionCode, const MyArray1& d) {
    const int n = s.N;
    for (int i = 1; i <= n; ++i) s.U[i] = s.UPrev[i] - d[i];
    const Real jt = EvalJ(s, functionCode, s.U);

    MyArray1 q = NewVector(n);
    const HessianShape shape = Traits(functionCode).hessian;
    if (shape == HessianShape::TwoByTwo) {
        const Real* h = s.Hess2x2;
        q[1] = 0 + h[0] * d[1] + h[1] * d[2];
        q[2] = 0 + h[2] * d[1] + h[3] * d[2];
    } else {
        const MyArray2& H = shape == HessianShape::FromFiles ? s.Quad.QuadA : s.HMatrix;
        for (int i = 1; i <= n; ++i) {
            Real sum = 0;
            for (int j = 1; j <= n; ++j) sum += H[i][j] * d[j];
            q[i] = sum;
        }
    }

    Real gd = 0;
    Real dq = 0;
    for (int i = 1; i <= n; ++i) gd += s.GradJ[i] * d[i];
    for (int i = 1; i <= n; ++i) dq += d[i] * q[i];
    const Real jk = s.JCur;
    const Real model = jk - gd + 0.5L * dq;
    if (model == jk) {
        s.Step = 0;
        throw EBadError("STEP-SIZE=0.");
    }
    return (jk - jt) / (jk - model);
}

void TrustRegionStep(RunState& s, FunctionId functionCode, MyArray1& d, Real& radius) {
    const int n = s.N;
    const Real eta = s.TrustEta;

    Real length = NormOf(d, n);
    if (radius < length) Scale(d, n, radius, length);
    length = radius;

    int count = 0;
    Real rho = 0;
    for (;;) {
        rho = TrustRatio(s, functionCode, d);
        if (rho >= kTrustAcceptance) break;
        ++count;
        radius = eta * length;
        Scale(d, n, radius, length);
        length = radius;
        // The third reduced step is returned untried.
        if (count == kMaxTrustReductions) return;
    }
    if (rho < eta) radius = eta * length;
    if (rho > 1 - eta && radius == length) radius = MinReal(s.Params.TrustMaxRadius, 2 * radius);
    Scale(d, n, radius, length);
}

} // namespace tarvik
