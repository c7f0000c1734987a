#include "core/quasi_newton.h"

#include <algorithm>
#include <string>

#include "core/errors.h"
#include "core/triangle_passes.h"
#include "core/vector_kernels.h"

namespace tarvik {

namespace {

// Dot product of two rows of the pair stores, from the first index upwards.
Real RowDot(ConstMatrixRow a, ConstMatrixRow b, int n) {
    Real sum = 0;
    for (int j = 1; j <= n; ++j) sum += a.Get(j) * b.Get(j);
    return sum;
}

Real RowDot(ConstMatrixRow a, const Real* b, int n) {
    Real sum = 0;
    for (int j = 1; j <= n; ++j) sum += a.Get(j) * b[j];
    return sum;
}

Real RowDot(ConstMatrixRow a, const MyArray1& b, int n) { return RowDot(a, b.data(), n); }

void SetIdentity(PackedSymmetric& h, int n, KernelProgress& progress) {
    RowStopPoints stopPoints(progress, n);
    for (int i = 1; i <= n; ++i) {
        stopPoints.Row();
        const MatrixRow row = h.Row(i);
        for (int j = 1; j < i; ++j) row.Set(j, 0);
        row.Set(i, 1);
    }
}

} // namespace

void BfgsDirection(const QuasiNewtonStep& step, PackedSymmetric& h, KernelProgress& progress, MyArray1& d,
                   Real& dNorm) {
    const int n = step.n;
    const int64_t k = step.iteration;
    MyArray1 r = NewVector(n);

    if (k == 0) {
        SetIdentity(h, n, progress);
        if (n >= 200) progress.Show(2 * n);
        SymmetricTimes(h, step.g.data(), nullptr, r.data(), progress, 0);
    } else {
        MyArray1 sv = NewVector(n);
        MyArray1 yv = NewVector(n);
        for (int i = 1; i <= n; ++i) {
            sv[i] = step.u[i] - step.uPrev[i];
            yv[i] = step.g[i] - step.gPrev[i];
        }
        const Real sy = VecDot(sv, yv);
        if (!(sy > 0))
            throw ENotSoBadError("The curvative condition is negative! (Iteration=" + std::to_string(k) + ").");

        if (k == 1) {
            // Scale the identity to the curvature seen along the first step.
            const Real gamma = sy / VecDot(yv, yv);
            for (int i = 1; i <= n; ++i) h.Row(i).Set(i, gamma);
        }

        // H+ = (I - s y'/sy) H (I - y s'/sy) + s s'/sy. H is symmetric, so
        // with Hy = H y, t = s/sy and c = y'Hy + sy this is
        //   H+ = H - Hy t' - t Hy' + c t t' = H + w t' + t w',  w = (c/2) t - Hy,
        // two passes of order n^2 instead of two dense products. Each element
        // gets w_i t_j + t_i w_j, which is symmetric in i and j to the last
        // bit, so H stays exactly symmetric and its triangle is all of it.
        MyArray1 hy = NewVector(n);
        SymmetricTimes(h, yv.data(), nullptr, hy.data(), progress, n);
        MyArray1 t = NewVector(n);
        for (int i = 1; i <= n; ++i) t[i] = sv[i] / sy;
        const Real halfC = (VecDot(yv, hy) + sy) / 2;
        MyArray1 w = NewVector(n);
        for (int i = 1; i <= n; ++i) w[i] = halfC * t[i] - hy[i];
        // d = H+ g while H+ is formed: as H+ is exactly symmetric, row i
        // times g (j = 1..n) is the same sum as column i times g.
        const SymmetricRankTwo change{w.data(), t.data()};
        SymmetricTimes(h, step.g.data(), &change, r.data(), progress, n);
    }

    for (int i = 1; i <= n; ++i) d[i] = r[i];
    dNorm = VecNorm(d);
}

void LbfgsDirection(const QuasiNewtonStep& step, int m, MyArray2& sStore, MyArray2& yStore, MyArray1& d,
                    Real& dNorm) {
    const int n = step.n;
    const int64_t k = step.iteration;

    // The pairs form a ring over rows 1..m, so storing the newest pair
    // overwrites the oldest instead of shifting every row. The stores' unused
    // index 0 keeps the bookkeeping with them: yStore[0][0] counts the pairs
    // ever stored (so a fresh store reads as empty, and rows never written
    // read as zeros just as shifted-in rows did), and sStore[row][0] keeps
    // y's of that row, computed once when the pair comes in.
    const auto stored = static_cast<uint64_t>(yStore[0][0]);
    const int newest = static_cast<int>(stored % static_cast<uint64_t>(m)) + 1;
    yStore[0][0] = static_cast<Real>(stored + 1);
    {
        const MatrixRow sNew = sStore[newest];
        const MatrixRow yNew = yStore[newest];
        for (int j = 1; j <= n; ++j) {
            sNew.Set(j, step.u[j] - step.uPrev[j]);
            yNew.Set(j, step.g[j] - step.gPrev[j]);
        }
        sNew.Set(0, RowDot(yNew, sNew, n));
    }
    // Pair i (1 = newest, m = oldest) lives in row Slot(i).
    const auto Slot = [&](int i) { return (newest - i + m) % m + 1; };

    // q lives in d.
    for (int j = 1; j <= n; ++j) d[j] = step.g[j];
    Real gamma = 1;
    MyArray1 alpha(static_cast<std::size_t>(m) + 1, 0.0L);
    for (int i = 1; i <= m && i <= k; ++i) {
        const int row = Slot(i);
        const Real ys = sStore[row][0];
        if (!(ys > 0))
            throw EBadError("Failure of method L_BFGS! (Iteration=" + std::to_string(k) + "). " +
                            "The curvature condition is not satisfied. Minimization will be terminated.");
        if (i == 1) gamma = ys / RowDot(yStore[row], yStore[row], n);
        alpha[i] = RowDot(sStore[row], d, n) / ys;
        const ConstMatrixRow yi = yStore[row];
        for (int j = 1; j <= n; ++j) d[j] = d[j] - alpha[i] * yi.Get(j);
    }

    MyArray1 r = NewVector(n);
    for (int j = 1; j <= n; ++j) r[j] = gamma * d[j];
    for (int i = m; i >= 1; --i) {
        if (i > k) continue;
        const int row = Slot(i);
        const Real ys = sStore[row][0];
        const Real beta = RowDot(yStore[row], r, n) / ys;
        const ConstMatrixRow si = sStore[row];
        for (int j = 1; j <= n; ++j) r[j] = r[j] + (alpha[i] - beta) * si.Get(j);
    }

    for (int j = 1; j <= n; ++j) d[j] = r[j];
    dNorm = VecNorm(d);
}

} // namespace tarvik
