#include "core/newton_methods.h"

#include <cmath>
#include <string>

#include "core/errors.h"
#include "core/function_catalogue.h"
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

void FdNewtonStep(Objective& objective, int64_t iteration, const MyArray1& u, const MyArray1& g, MyArray2& H,
                  BandMatrix& band, const NewtonSolve& solve, MyArray1& d) {
    const int n = objective.Dimension();
    const Real h = kFdNewtonStep;
    const int width = objective.Function().hessianBand;
    bool banded = width >= 0;
    if (banded && (band.Size() != n || band.Band() != width)) band.Resize(n, width);
    // The probes' gradients go to a vector of their own, so the run's point,
    // gradient and norm stay those of the current point throughout: a Stop
    // between two columns, or a failed probe, finds the run where it was.
    MyArray1 probe = NewVector(n);
    MyArray1 v = u;
    StopCadence everyColumn = objective.Cadence(1);
    for (int j = 1; j <= n; ++j) {
        everyColumn.Step();
        v[j] = u[j] + h;
        objective.Gradient(v, probe);
        if (banded) {
            // Every difference is formed, as for the full matrix; those
            // outside the band are kept only as long as they are all +0,
            // which they are where the gradient's i-th component does not
            // read u_j. Should one not be, the columns so far move into a
            // full matrix and this one is formed again there.
            for (int i = 1; i <= n; ++i) {
                const Real hij = (probe[i] - g[i]) / h;
                if (i >= band.First(j) && i <= band.Last(j)) {
                    band[i][j] = hij;
                } else if (banded && !(hij == 0 && !std::signbit(hij))) {
                    banded = false;
                    if (H.rows() != static_cast<std::size_t>(n) + 1) H = NewMatrix(n);
                    for (int r = 1; r <= n; ++r)
                        for (int c = 1; c < j; ++c) H[r][c] = band.Get(r, c);
                }
            }
        }
        if (!banded)
            for (int i = 1; i <= n; ++i) H[i][j] = (probe[i] - g[i]) / h;
        v[j] = u[j];
    }
    if (banded) {
        // Outside the band both halves are +0, and (+0 + +0) / 2 is +0.
        for (int i = 1; i <= n; ++i)
            for (int j = i; j <= band.Last(i); ++j) band[i][j] = (band[i][j] + band[j][i]) / 2.0L;
        for (int i = 1; i <= n; ++i)
            for (int j = band.First(i); j <= i; ++j) band[i][j] = band[j][i];
        solve(d, GaussMatrix::Keep, &band);
        CheckNewtonDescent(n, iteration, g, d);
        return;
    }
    // Each pass reads a column per row: at n = 10000 it takes seconds, so
    // Stop is looked at every few rows.
    StopCadence rows = objective.UnboundedLoopCadence();
    for (int i = 1; i <= n; ++i) {
        rows.Step();
        for (int j = i; j <= n; ++j) H[i][j] = (H[i][j] + H[j][i]) / 2.0L;
    }
    for (int i = 1; i <= n; ++i) {
        rows.Step();
        for (int j = 1; j <= i; ++j) H[i][j] = H[j][i];
    }
    // Every element is formed afresh at the next step and nothing reads
    // the matrix before, so the elimination may work in it.
    solve(d, GaussMatrix::MayOverwrite, nullptr);
    CheckNewtonDescent(n, iteration, g, d);
}

void InexactNewtonStep(Objective& objective, const InexactNewtonOptions& options, const MyArray1& u0,
                       const MyArray1& g0, Real g0Norm, KernelProgress& status, int64_t& subIterations, MyArray1& d,
                       Real& dirNorm) {
    const int n = objective.Dimension();
    const Real h = kInexactNewtonStep;
    MyArray1 r = NewVector(n);
    MyArray1 p = NewVector(n);
    MyArray1 q = NewVector(n);
    // Probe point and gradient of their own: the base point and its
    // gradient stay as they are, whatever way the routine is left, also when
    // a Stop closes the iteration in the middle of the sub-steps.
    MyArray1 x = NewVector(n);
    MyArray1 gx = NewVector(n);
    // A tiny forcing constant with a large MaxSubIter can keep this loop
    // going for hours.
    StopCadence cadence = objective.UnboundedLoopCadence();
    subIterations = 0;
    Real rr = 0;
    for (;;) {
        cadence.Step();
        if (n >= 1000)
            status.Status(" Working... " + std::to_string(options.iteration + 1) + "/" +
                          std::to_string(subIterations + 1));
        if (subIterations == 0) {
            for (int i = 1; i <= n; ++i) d[i] = 0;
            for (int i = 1; i <= n; ++i) r[i] = g0[i];
            for (int i = 1; i <= n; ++i) p[i] = -r[i];
            rr = VecDot(r, r);
        }
        for (int i = 1; i <= n; ++i) x[i] = u0[i] + h * p[i];
        objective.Gradient(x, gx);
        for (int i = 1; i <= n; ++i) q[i] = (gx[i] - g0[i]) / h;

        const Real pq = VecDot(p, q);
        if (pq <= 0) {
            // The failure dialog offers a steepest-descent step from the
            // base point.
            for (int i = 1; i <= n; ++i) d[i] = g0[i];
            dirNorm = g0Norm;
            if (pq < 0) throw ENotSoBadError("Hessian<0 ! (Iteration=" + std::to_string(options.iteration) + ").");
            throw EBadError("Hessian=0 ! (Iteration=" + std::to_string(options.iteration) + ").");
        }

        const Real alpha = rr / pq;
        for (int i = 1; i <= n; ++i) d[i] = d[i] + alpha * p[i];
        for (int i = 1; i <= n; ++i) r[i] = r[i] + alpha * q[i];
        const Real rrNext = VecDot(r, r);
        const Real beta = rrNext / rr;
        for (int i = 1; i <= n; ++i) p[i] = -r[i] + beta * p[i];
        rr = rrNext;

        subIterations = subIterations + 1;
        const Real eta = MinReal(std::sqrt(g0Norm), options.forcingC);
        // rr is already the squared residual norm; squaring it again is
        // the established test of this method and is kept as it is.
        if (rr * rr <= eta * g0Norm || subIterations >= options.maxSubIterations) break;
    }
    status.Status(" Working... ");
    for (int i = 1; i <= n; ++i) d[i] = -d[i];
    dirNorm = NormOf(d, n);
}

Real TrustRatio(Objective& objective, const TrustModel& model, MyArray1& u, const MyArray1& d, Real& step) {
    const int n = objective.Dimension();
    for (int i = 1; i <= n; ++i) u[i] = model.uPrev[i] - d[i];
    const Real jt = objective.Value(u);

    MyArray1 q = NewVector(n);
    if (model.isTwoByTwo) {
        const Real* h = model.twoByTwo;
        q[1] = 0 + h[0] * d[1] + h[1] * d[2];
        q[2] = 0 + h[2] * d[1] + h[3] * d[2];
    } else if (model.band != nullptr) {
        // The terms outside the band are +0 * d_j, zeros while d_j is
        // finite, and a sum that starts at +0 is never -0: adding a zero
        // leaves it as it is.
        const BandMatrix& H = *model.band;
        bool finite = true;
        for (int j = 1; j <= n; ++j) finite = finite && std::isfinite(d[j]);
        for (int i = 1; i <= n; ++i) {
            Real sum = 0;
            if (finite)
                for (int j = H.First(i); j <= H.Last(i); ++j) sum += H.Get(i, j) * d[j];
            else
                for (int j = 1; j <= n; ++j) sum += H.Get(i, j) * d[j];
            q[i] = sum;
        }
    } else {
        const MyArray2& H = model.matrix;
        for (int i = 1; i <= n; ++i) {
            Real sum = 0;
            for (int j = 1; j <= n; ++j) sum += H[i][j] * d[j];
            q[i] = sum;
        }
    }

    Real gd = 0;
    Real dq = 0;
    for (int i = 1; i <= n; ++i) gd += model.g[i] * d[i];
    for (int i = 1; i <= n; ++i) dq += d[i] * q[i];
    const Real jk = model.j;
    const Real predicted = jk - gd + 0.5L * dq;
    if (predicted == jk) {
        step = 0;
        throw EBadError("STEP-SIZE=0.");
    }
    return (jk - jt) / (jk - predicted);
}

void TrustRegionStep(Objective& objective, const TrustOptions& options, const TrustModel& model, MyArray1& u,
                     MyArray1& d, Real& radius, Real& step) {
    const int n = objective.Dimension();
    const Real eta = options.eta;

    Real length = NormOf(d, n);
    if (radius < length) Scale(d, n, radius, length);
    length = radius;

    int count = 0;
    Real rho = 0;
    for (;;) {
        rho = TrustRatio(objective, model, u, d, step);
        if (rho >= kTrustAcceptance) break;
        ++count;
        radius = eta * length;
        Scale(d, n, radius, length);
        length = radius;
        // The third reduced step is returned untried.
        if (count == kMaxTrustReductions) return;
    }
    if (rho < eta) radius = eta * length;
    if (rho > 1 - eta && radius == length) radius = MinReal(options.maxRadius, 2 * radius);
    Scale(d, n, radius, length);
}

} // namespace tarvik
