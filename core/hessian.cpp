// Powers are written as repeated products from the left (x^2 as x*x), as
// in J and its gradient, so that all three agree digit for digit.
#include "core/hessian.h"

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>

#include "core/function_catalogue.h"
#include "core/objective.h"

namespace tarvik {

namespace {

// Told after each row of a pass over all n^2 entries, so that Stop can act
// within one (at n = 10000 a pass takes a good part of a second).
using RowDone = std::function<void()>;

void ClearMatrix(MyArray2& H, int n, const RowDone& rowDone) {
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) H[i][j] = 0;
        if (rowDone) rowDone();
    }
}

// A band holds nothing but its band, so that is all there is to clear.
void ClearMatrix(BandMatrix& H, int, const RowDone&) { H.Clear(); }

// The columns of row i that can hold anything but +0: all of them in a full
// matrix, the band in a band.
int FirstColumn(const MyArray2&, int) { return 1; }
int LastColumn(const MyArray2&, int, int n) { return n; }
int FirstColumn(const BandMatrix& H, int i) { return H.First(i); }
int LastColumn(const BandMatrix& H, int i, int) { return H.Last(i); }

template <class Matrix>
void AxisParallelEllipsoid(Matrix& H, int n, const RowDone& rowDone) {
    ClearMatrix(H, n, rowDone);
    for (int i = 1; i <= n; ++i) H[i][i] = 2.0L * i;
}

void RotatedEllipsoid(MyArray2& H, int n, const RowDone& rowDone) {
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) H[i][j] = 2.0L * (n - std::max(i, j) + 1);
        if (rowDone) rowDone();
    }
}

void QuadraticVarnel(MyArray2& H, int n, const RowDone& rowDone) {
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
    if (n >= 4) ClearMatrix(H, n, rowDone);
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

template <class Matrix>
void Qf1(Matrix& H, int n, const RowDone& rowDone) {
    ClearMatrix(H, n, rowDone);
    for (int i = 1; i <= n; ++i) H[i][i] = i;
}

template <class Matrix>
void Dixon3dq(Matrix& H, int n, const RowDone& rowDone) {
    ClearMatrix(H, n, rowDone);
    H[1][1] = H[1][1] + 2.0L;
    H[n][n] = H[n][n] + 2.0L;
    for (int i = 2; i <= n - 1; ++i) {
        H[i][i] = H[i][i] + 2.0L;
        H[i + 1][i + 1] = H[i + 1][i + 1] + 2.0L;
        H[i][i + 1] = H[i][i + 1] - 2.0L;
        H[i + 1][i] = H[i + 1][i] - 2.0L;
    }
}

void HilbertA(MyArray2& H, int n, const RowDone& rowDone) {
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) H[i][j] = 2.0L / static_cast<Real>(i + j - 1);
        if (rowDone) rowDone();
    }
}

void HilbertB(MyArray2& H, int n, Real d, const RowDone& rowDone) {
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            if (i != j)
                H[i][j] = 1.0L / static_cast<Real>(i + j - 1);
            else
                H[i][j] = 2.0L * (d + 1.0L / static_cast<Real>(4 * i - 2));
        }
        if (rowDone) rowDone();
    }
}

template <class Matrix>
void GeneralizedRosenbrock(Matrix& H, int n, const MyArray1& u, const RowDone& rowDone) {
    ClearMatrix(H, n, rowDone);
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

Hessian2 TwoDimensionalHessian(FunctionId functionCode, const MyArray1& u) {
    const Real u1 = u[1];
    const Real u2 = u[2];
    switch (functionCode) {
    case FunctionId::Rosenbrock: {
        const Real h12 = -400.0L * u1;
        return {1200.0L * (u1 * u1) - 400.0L * u2 + 2.0L, h12, h12, 200.0L};
    }
    case FunctionId::Himmelblau2: {
        const Real h12 = -4.0L * u1;
        return {12.0L * (u1 * u1) - 4.0L * u2 + 2.0L, h12, h12, 2.0L};
    }
    case FunctionId::Himmelblau4: {
        const Real h12 = -600.0L * (u1 * u1);
        return {3000.0L * (u1 * u1 * u1 * u1) - 1200.0L * u1 * u2 + 2.0L, h12, h12, 200.0L};
    }
    case FunctionId::Himmelblau28: {
        const Real h12 = 4.0L * u1 + 4.0L * u2;
        return {12.0L * (u1 * u1) + 4.0L * u2 - 42.0L, h12, h12, 12.0L * (u2 * u2) + 4.0L * u1 - 26.0L};
    }
    case FunctionId::Saddle:
        return {10.0L, 0.0L, 0.0L, -2.0L};
    case FunctionId::CubicVarnel:
        return {12.0L * u1 + 8.0L, 0.0L, 0.0L, 6.0L * u2 + 4.0L};
    case FunctionId::AxisEllipsoid:
    case FunctionId::Schwefel12:
    case FunctionId::Staircase2:
    case FunctionId::Staircase2Sin:
    case FunctionId::QuadraticVarnel:
    case FunctionId::AxisEllipsoidSin:
    case FunctionId::Qf1:
    case FunctionId::Tridia:
    case FunctionId::Dixon3dq:
    case FunctionId::HilbertA:
    case FunctionId::HilbertB:
    case FunctionId::QuadraticFromFiles:
    case FunctionId::GeneralizedRosenbrock:
    case FunctionId::Formula:
        break;
    }
    throw std::logic_error("TwoDimensionalHessian: " + std::string(Traits(functionCode).name) + " has no 2x2 formula");
}

namespace {

// Each element is formed as in the full matrix; a band only leaves out the
// columns where the full matrix gets its zeros.
template <class Matrix>
void TridiaInto(const TunableParameters& params, int n, Matrix& H, const RowDone& rowDone) {
    const Real alpha = params.TridiaAlpha;
    const Real beta = params.TridiaBeta;
    const Real delta = params.TridiaDelta;
    const Real gamma = params.TridiaGamma;
    for (int i = 1; i <= n; ++i) {
        const Real ri = i;
        for (int j = FirstColumn(H, i); j <= LastColumn(H, i, n); ++j) {
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
        if (rowDone) rowDone();
    }
}

} // namespace

void TridiaHessian(const TunableParameters& params, int n, MyArray2& H, const std::function<void()>& rowDone) {
    TridiaInto(params, n, H, rowDone);
}

void FillHessianMatrix(FunctionId functionCode, int n, const TunableParameters& params, const MyArray1& u,
                       MyArray2& H, const std::function<void()>& rowDone) {
    switch (functionCode) {
    case FunctionId::AxisEllipsoid:
    case FunctionId::AxisEllipsoidSin: AxisParallelEllipsoid(H, n, rowDone); return;
    case FunctionId::Schwefel12:
    case FunctionId::Staircase2:
    case FunctionId::Staircase2Sin: RotatedEllipsoid(H, n, rowDone); return;
    case FunctionId::QuadraticVarnel: QuadraticVarnel(H, n, rowDone); return;
    case FunctionId::Qf1: Qf1(H, n, rowDone); return;
    case FunctionId::Tridia: TridiaHessian(params, n, H, rowDone); return;
    case FunctionId::Dixon3dq: Dixon3dq(H, n, rowDone); return;
    case FunctionId::HilbertA: HilbertA(H, n, rowDone); return;
    case FunctionId::HilbertB: HilbertB(H, n, params.HilbertD, rowDone); return;
    case FunctionId::GeneralizedRosenbrock: GeneralizedRosenbrock(H, n, u, rowDone); return;
    case FunctionId::Rosenbrock:
    case FunctionId::Himmelblau2:
    case FunctionId::Himmelblau4:
    case FunctionId::Himmelblau28:
    case FunctionId::Saddle:
    case FunctionId::CubicVarnel:
    case FunctionId::QuadraticFromFiles:
    case FunctionId::Formula:
        break;
    }
    throw std::logic_error("FillHessianMatrix: " + std::string(Traits(functionCode).name) + " has no matrix formula");
}

void FillHessianBand(FunctionId functionCode, int n, const TunableParameters& params, const MyArray1& u,
                     BandMatrix& H) {
    switch (functionCode) {
    case FunctionId::AxisEllipsoid:
    case FunctionId::AxisEllipsoidSin: AxisParallelEllipsoid(H, n, {}); return;
    case FunctionId::Qf1: Qf1(H, n, {}); return;
    case FunctionId::Tridia: TridiaInto(params, n, H, {}); return;
    case FunctionId::Dixon3dq: Dixon3dq(H, n, {}); return;
    case FunctionId::GeneralizedRosenbrock: GeneralizedRosenbrock(H, n, u, {}); return;
    case FunctionId::Schwefel12:
    case FunctionId::Staircase2:
    case FunctionId::Staircase2Sin:
    case FunctionId::QuadraticVarnel:
    case FunctionId::HilbertA:
    case FunctionId::HilbertB:
    case FunctionId::Rosenbrock:
    case FunctionId::Himmelblau2:
    case FunctionId::Himmelblau4:
    case FunctionId::Himmelblau28:
    case FunctionId::Saddle:
    case FunctionId::CubicVarnel:
    case FunctionId::QuadraticFromFiles:
    case FunctionId::Formula:
        break;
    }
    throw std::logic_error("FillHessianBand: " + std::string(Traits(functionCode).name) + " has no banded Hessian");
}

Hessian2 Objective::TwoByTwoHessian(const MyArray1& u) const {
    if (!formula_) return TwoDimensionalHessian(id_, u);
    if (hessian_ != HessianShape::TwoByTwo) throw std::logic_error("TwoByTwoHessian: the formula is not one of (u1, u2)");
    MyArray2 h = NewMatrix(2);
    formula_->FillHessian(u, h);
    return {h[1][1], h[1][2], h[2][1], h[2][2]};
}

void Objective::FillHessian(const MyArray1& u, MyArray2& H) const {
    if (formula_) {
        formula_->FillHessian(u, H);
        return;
    }
    StopCadence rows = UnboundedLoopCadence();
    FillHessianMatrix(id_, n_, parameters_, u, H, [&rows] { rows.Step(); });
}

void Objective::FillHessian(const MyArray1& u, BandMatrix& H) const {
    if (H.Size() != n_ || H.Band() != function_->hessianBand) H.Resize(n_, function_->hessianBand);
    FillHessianBand(id_, n_, parameters_, u, H);
}

} // namespace tarvik
