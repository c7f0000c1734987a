#include "core/quasi_newton.h"

#include "core/matrix_vector.h"

#include <algorithm>
#include <functional>
#include <string>

#include "core/errors.h"
#include "core/row_pool.h"
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

void SetIdentity(MyArray2& h, int n, KernelProgress& progress) {
    RowStopPoints stopPoints(progress, n);
    for (int i = 1; i <= n; ++i) {
        stopPoints.Row();
        const MatrixRow row = h[i];
        for (int j = 1; j <= n; ++j) row.Set(j, 0);
        row.Set(i, 1);
    }
}

} // namespace

namespace {

// Rows per share-out between progress ticks: small enough for the progress
// bar and Stop to answer promptly, large enough to keep the cores busy.
constexpr int kTickBlock = 32;

// Runs body(first, last) over rows 1..n, split over the cores a block at a
// time; the calling thread ticks the progress once per row after each block.
void RowsWithProgress(KernelProgress& progress, int n, const std::function<void(int, int)>& body) {
    for (int i0 = 1; i0 <= n; i0 += kTickBlock) {
        const int i1 = std::min(n, i0 + kTickBlock - 1);
        SplitRows(i0, i1, double(i1 - i0 + 1) * n, body);
        for (int i = i0; i <= i1; ++i) progress.Tick();
    }
}

} // namespace

void BfgsDirection(const QuasiNewtonStep& step, MyArray2& h, KernelProgress& progress, MyArray1& d, Real& dNorm) {
    const int n = step.n;
    const int64_t k = step.iteration;
    const Real* g = step.g.data();
    MyArray1 r = NewVector(n);

    if (k == 0) {
        SetIdentity(h, n, progress);
        if (n >= 200) progress.Show(2 * n);
        RowStopPoints stopPoints(progress, n);
        for (int i = 1; i <= n; ++i) {
            stopPoints.Row();
            r[i] = RowDot(h[i], g, n);
        }
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
            for (int i = 1; i <= n; ++i) h[i][i] = gamma;
        }

        // H+ = (I - s y'/sy) H (I - y s'/sy) + s s'/sy. H is symmetric, so
        // with Hy = H y, t = s/sy and c = y'Hy + sy this is
        //   H+ = H - Hy t' - t Hy' + c t t' = H + w t' + t w',  w = (c/2) t - Hy,
        // two passes of order n^2 instead of two dense products. Each element
        // gets w_i t_j + t_i w_j, which is symmetric in i and j to the last
        // bit, so H stays exactly symmetric.
        MyArray1 hy = NewVector(n);
        RowsWithProgress(progress, n, [&](int first, int last) {
            MultiplyRows(h, first, last, yv.data(), n, hy.data());
        });
        MyArray1 t = NewVector(n);
        for (int i = 1; i <= n; ++i) t[i] = sv[i] / sy;
        const Real halfC = (VecDot(yv, hy) + sy) / 2;
        MyArray1 w = NewVector(n);
        for (int i = 1; i <= n; ++i) w[i] = halfC * t[i] - hy[i];
        // d = H+ g is taken row by row while the row is fresh: as H+ is
        // exactly symmetric, row i times g (j = 1..n) is the same sum as
        // column i times g in the same order. One row at a time: the register
        // stack holds its t_i, w_i and sum, and two rows would need more
        // loads per element, not fewer (their scalars and sums crowd out the
        // shared t_j, w_j, g_j).
        RowsWithProgress(progress, n, [&](int first, int last) {
            const Real* tv = t.data();
            const Real* wv = w.data();
            const Real* gv = g;
            const int count = n;
            for (int i = first; i <= last; ++i) {
                const MatrixRow row = h[i];
                const Real ti = tv[i];
                const Real wi = wv[i];
                Real sum = 0;
                for (int j = 1; j <= count; ++j) {
                    const Real v = row.Get(j) + (wi * tv[j] + ti * wv[j]);
                    row.Set(j, v);
                    sum += v * gv[j];
                }
                r[i] = sum;
            }
        });
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
