// Powers are written as repeated products from the left (x^2 as x*x), as
// in J and its gradient, so that all three agree digit for digit.
#include "core/hessian.h"

#include <algorithm>

namespace tarvik {

namespace {

void ClearMatrix(MyArray2& H, int n) {
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) H[i][j] = 0;
}

void AxisParallelEllipsoid(MyArray2& H, int n) {
    ClearMatrix(H, n);
    for (int i = 1; i <= n; ++i) H[i][i] = 2.0L * i;
}

void RotatedEllipsoid(MyArray2& H, int n) {
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) H[i][j] = 2.0L * (n - std::max(i, j) + 1);
}

void QuadraticVarnel(MyArray2& H, int n) {
    if (n == 1) {
        // J = (2 u1)^2; the general pattern below needs two coordinates.
        H[1][1] = 8;
        return;
    }
    if (n == 2) {
        H[1][1] = 4;
        H[1][2] = -2;
        H[2][1] = -2;
        H[2][2] = 10;
        return;
    }
    if (n >= 4) ClearMatrix(H, n);
    H[1][1] = 4;
    H[1][2] = -4;
    H[2][1] = -4;
    H[1][n] = 2;
    H[n][1] = 2;
    for (int i = 2; i <= n - 1; ++i) {
        const Real ri = i;
        H[i][i - 1] = -2.0L * ri;
        H[i][i] = 2.0L * (ri * ri) + 2.0L;
        H[i][i + 1] = -2.0L * (ri + 1.0L);
    }
    const Real rn = n;
    H[n][n - 1] = -2.0L * rn;
    H[n][n] = 2.0L * (rn * rn) + 2.0L;
}

void Qf1(MyArray2& H, int n) {
    ClearMatrix(H, n);
    for (int i = 1; i <= n; ++i) H[i][i] = i;
}

void Dixon3dq(MyArray2& H, int n) {
    ClearMatrix(H, n);
    H[1][1] = H[1][1] + 2.0L;
    H[n][n] = H[n][n] + 2.0L;
    for (int i = 2; i <= n - 1; ++i) {
        H[i][i] = H[i][i] + 2.0L;
        H[i + 1][i + 1] = H[i + 1][i + 1] + 2.0L;
        H[i][i + 1] = H[i][i + 1] - 2.0L;
        H[i + 1][i] = H[i + 1][i] - 2.0L;
    }
}

void HilbertA(MyArray2& H, int n) {
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) H[i][j] = 2.0L / static_cast<Real>(i + j - 1);
}

void HilbertB(MyArray2& H, int n, Real d) {
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) {
            if (i != j)
                H[i][j] = 1.0L / static_cast<Real>(i + j - 1);
            else
                H[i][j] = 2.0L * (d + 1.0L / static_cast<Real>(4 * i - 2));
        }
}

void GeneralizedRosenbrock(MyArray2& H, int n, const MyArray1& u) {
    ClearMatrix(H, n);
    for (int i = 1; i <= n - 1; ++i) {
        H[i][i + 1] = -400.0L * u[i];
        H[i + 1][i] = -400.0L * u[i];
    }
    H[n][n] = 200;
    if (n < 2) return;  // the first diagonal entry couples u1 with u2
    H[1][1] = (6.0L * (u[1] * u[1]) - 2.0L * u[2]) * 200.0L + 2.0L;
    for (int i = 2; i <= n - 1; ++i) H[i][i] = (6.0L * (u[i] * u[i]) - 2.0L * u[i + 1]) * 200.0L + 202.0L;
}

} // namespace

Hessian2 TwoDimensionalHessian(uint8_t functionCode, const MyArray1& u) {
    const Real u1 = u[1];
    const Real u2 = u[2];
    switch (functionCode) {
    case 0: {
        const Real h12 = -400.0L * u1;
        return {1200.0L * (u1 * u1) - 400.0L * u2 + 2.0L, h12, h12, 200.0L};
    }
    case 1: {
        const Real h12 = -4.0L * u1;
        return {12.0L * (u1 * u1) - 4.0L * u2 + 2.0L, h12, h12, 2.0L};
    }
    case 2: {
        const Real h12 = -600.0L * (u1 * u1);
        return {3000.0L * (u1 * u1 * u1 * u1) - 1200.0L * u1 * u2 + 2.0L, h12, h12, 200.0L};
    }
    case 3: {
        const Real h12 = 4.0L * u1 + 4.0L * u2;
        return {12.0L * (u1 * u1) + 4.0L * u2 - 42.0L, h12, h12, 12.0L * (u2 * u2) + 4.0L * u1 - 26.0L};
    }
    case 4:
        return {10.0L, 0.0L, 0.0L, -2.0L};
    case 5:
        return {12.0L * u1 + 8.0L, 0.0L, 0.0L, 6.0L * u2 + 4.0L};
    default:
        return {0.0L, 0.0L, 0.0L, 0.0L};
    }
}

void TridiaHessian(RunState& s, MyArray2& H) {
    const int n = s.N;
    const Real alpha = s.Params.TridiaAlpha;
    const Real beta = s.Params.TridiaBeta;
    const Real delta = s.Params.TridiaDelta;
    const Real gamma = s.Params.TridiaGamma;
    for (int i = 1; i <= n; ++i) {
        const Real ri = i;
        for (int j = 1; j <= n; ++j) {
            Real h = 0;
            if (j == i - 1) {
                h = -2.0L * alpha * beta * ri;
            } else if (j == i + 1) {
                h = -2.0L * alpha * beta * (ri + 1.0L);
            } else if (j == i) {
                if (i == n)
                    h = 2.0L * (alpha * alpha) * ri;
                else if (i == 1)
                    h = 2.0L * gamma * (delta * delta) + 4.0L * (beta * beta);
                else
                    h = 2.0L * (alpha * alpha) * ri + 2.0L * (beta * beta) * (ri + 1.0L);
            }
            H[i][j] = h;
        }
    }
}

void FillHessianMatrix(RunState& s, uint8_t functionCode, const MyArray1& u, MyArray2& H) {
    const int n = s.N;
    switch (functionCode) {
    case 6:
    case 11: AxisParallelEllipsoid(H, n); break;
    case 7:
    case 8:
    case 9: RotatedEllipsoid(H, n); break;
    case 10: QuadraticVarnel(H, n); break;
    case 12: Qf1(H, n); break;
    case 13: TridiaHessian(s, H); break;
    case 14: Dixon3dq(H, n); break;
    case 15: HilbertA(H, n); break;
    case 16: HilbertB(H, n, s.Params.HilbertD); break;
    case 18: GeneralizedRosenbrock(H, n, u); break;
    default: break;
    }
}

} // namespace tarvik
