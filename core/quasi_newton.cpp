#include "core/quasi_newton.h"

#include <string>

#include "core/errors.h"
#include "core/progress.h"
#include "core/vector_kernels.h"

namespace tarvik {

namespace {

// Dot product of two rows of the pair stores, from the first index upwards.
Real RowDot(const Real* a, const Real* b, int n) {
    Real sum = 0;
    for (int j = 1; j <= n; ++j) sum += a[j] * b[j];
    return sum;
}

Real RowDot(const Real* a, const MyArray1& b, int n) {
    Real sum = 0;
    for (int j = 1; j <= n; ++j) sum += a[j] * b[j];
    return sum;
}

void SetIdentity(MyArray2& h, int n) {
    for (int i = 1; i <= n; ++i) {
        Real* row = h[i];
        for (int j = 1; j <= n; ++j) row[j] = 0;
        row[i] = 1;
    }
}

} // namespace

void BfgsDirection(RunState& s, MyArray1& d, Real& dNorm) {
    const int n = s.N;
    const int32_t k = s.IterCount;
    MyArray2& h = s.HMatrix;

    if (k == 0) {
        SetIdentity(h, n);
        if (n >= 200) s.Host->ShowProgress(2 * n);
    } else {
        MyArray1 sv = NewVector(n);
        MyArray1 yv = NewVector(n);
        for (int i = 1; i <= n; ++i) {
            sv[i] = s.U[i] - s.UPrev[i];
            yv[i] = s.GradJ[i] - s.GradJPrev[i];
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
        for (int i = 1; i <= n; ++i) {
            hy[i] = RowDot(h[i], yv, n);
            ProgressTick(s);
        }
        MyArray1 t = NewVector(n);
        for (int i = 1; i <= n; ++i) t[i] = sv[i] / sy;
        const Real halfC = (VecDot(yv, hy) + sy) / 2;
        MyArray1 w = NewVector(n);
        for (int i = 1; i <= n; ++i) w[i] = halfC * t[i] - hy[i];
        for (int i = 1; i <= n; ++i) {
            Real* row = h[i];
            const Real ti = t[i];
            const Real wi = w[i];
            for (int j = 1; j <= n; ++j) row[j] = row[j] + (wi * t[j] + ti * w[j]);
            ProgressTick(s);
        }
    }

    // d[i] = sum over j of H[j][i] g[j], each sum accumulated j = 1..n;
    // walking H by rows keeps that order and reads memory in sequence.
    MyArray1 r = NewVector(n);
    for (int j = 1; j <= n; ++j) {
        const Real* row = h[j];
        const Real gj = s.GradJ[j];
        for (int i = 1; i <= n; ++i) r[i] += row[i] * gj;
    }
    for (int i = 1; i <= n; ++i) d[i] = r[i];
    dNorm = VecNorm(d);
}

void LbfgsDirection(RunState& s, int m, MyArray1& d, Real& dNorm) {
    const int n = s.N;
    const int32_t k = s.IterCount;
    MyArray2& sStore = s.LbfgsS;
    MyArray2& yStore = s.LbfgsY;

    // Row 1 is the newest pair, row m the oldest; the oldest falls off.
    for (int r = m; r >= 2; --r) {
        Real* sTo = sStore[r];
        Real* yTo = yStore[r];
        const Real* sFrom = sStore[r - 1];
        const Real* yFrom = yStore[r - 1];
        for (int j = 1; j <= n; ++j) {
            sTo[j] = sFrom[j];
            yTo[j] = yFrom[j];
        }
    }
    for (int j = 1; j <= n; ++j) {
        sStore[1][j] = s.U[j] - s.UPrev[j];
        yStore[1][j] = s.GradJ[j] - s.GradJPrev[j];
    }

    // q lives in d.
    for (int j = 1; j <= n; ++j) d[j] = s.GradJ[j];
    Real gamma = 1;
    MyArray1 alpha(static_cast<std::size_t>(m) + 1, 0.0L);
    for (int i = 1; i <= m && i <= k; ++i) {
        const Real ys = RowDot(yStore[i], sStore[i], n);
        if (!(ys > 0))
            throw EBadError("Failure of method L_BFGS! (Iteration=" + std::to_string(k) + "). " +
                            "The curvature condition is not satisfied. Minimization will be terminated.");
        if (i == 1) gamma = ys / RowDot(yStore[1], yStore[1], n);
        alpha[i] = RowDot(sStore[i], d, n) / ys;
        const Real* yi = yStore[i];
        for (int j = 1; j <= n; ++j) d[j] = d[j] - alpha[i] * yi[j];
    }

    MyArray1 r = NewVector(n);
    for (int j = 1; j <= n; ++j) r[j] = gamma * d[j];
    for (int i = m; i >= 1; --i) {
        if (i > k) continue;
        const Real ys = RowDot(yStore[i], sStore[i], n);
        const Real beta = RowDot(yStore[i], r, n) / ys;
        const Real* si = sStore[i];
        for (int j = 1; j <= n; ++j) r[j] = r[j] + (alpha[i] - beta) * si[j];
    }

    for (int j = 1; j <= n; ++j) d[j] = r[j];
    dNorm = VecNorm(d);
}

} // namespace tarvik
