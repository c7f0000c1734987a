// Analytic Hessians against differences of the analytic gradient where no
// recorded run reaches: tuned TRIDIA and a matrix that held other values.
#include "core/hessian.h"

#include <cmath>

#include "run_state_fixture.h"

namespace tarvik {
namespace {

struct HessianTest : testing::RunStateTest {
    // The Hessian as the Newton step forms it, as a full matrix.
    MyArray2 AnalyticHessian() {
        MyArray2 H = NewMatrix(s.N);
        if (Traits(s.FunctionCode).hessian == HessianShape::TwoByTwo) {
            const Hessian2 h = TwoDimensionalHessian(s.FunctionCode, s.U);
            H[1][1] = h[0]; H[1][2] = h[1]; H[2][1] = h[2]; H[2][2] = h[3];
        } else {
            FillHessianMatrix(s.FunctionCode, s.N, s.Params, s.U, H);
        }
        return H;
    }
    // Central differences of the analytic gradient, column by column, against H.
    void ExpectMatchesDifferences(const MyArray2& H, const std::string& what) {
        const int n = s.N;
        const Real h = 1e-5L;
        MyArray1 gp = NewVector(n), gm = NewVector(n);
        Real norm = 0;
        for (int j = 1; j <= n; ++j) {
            MyArray1 v = s.U;
            v[j] = s.U[j] + h;
            EvalGrad(s, s.FunctionCode, v, gp, norm);
            v[j] = s.U[j] - h;
            EvalGrad(s, s.FunctionCode, v, gm, norm);
            for (int i = 1; i <= n; ++i) {
                const double expected = static_cast<double>((gp[i] - gm[i]) / (2 * h));
                EXPECT_NEAR(static_cast<double>(H[i][j]), expected, 1e-6 * std::max(1.0, std::fabs(expected)))
                    << what << " entry " << i << "," << j;
            }
        }
    }
};

TEST_F(HessianTest, TridiaHessianFollowsItsTunableParameters) {
    Prepare(FunctionId::Tridia, 5);
    s.Params.TridiaAlpha = 1.5L;
    s.Params.TridiaBeta = -0.7L;
    s.Params.TridiaDelta = 3;
    s.Params.TridiaGamma = 0.25L;
    s.U = testing::V({0.3L, -1, 2, 0.5L, 1});
    ExpectMatchesDifferences(AnalyticHessian(), "tridia");
}

TEST_F(HessianTest, QuadraticHessiansOverwriteWhatTheMatrixHeldBefore) {
    // The method's matrix is reused from iteration to iteration: stale
    // entries must never survive into a sparse Hessian.
    for (FunctionId function : {FunctionId::AxisEllipsoid, FunctionId::QuadraticVarnel, FunctionId::AxisEllipsoidSin,
                                FunctionId::Qf1, FunctionId::Dixon3dq, FunctionId::GeneralizedRosenbrock}) {
        for (int n : {2, 3, 5}) {
            Prepare(function, n);
            for (int i = 1; i <= n; ++i) {
                s.U[i] = 0.5L * i - 1;
                for (int j = 1; j <= n; ++j) s.HMatrix[i][j] = 99;
            }
            FillHessianMatrix(function, n, s.Params, s.U, s.HMatrix);
            ExpectMatchesDifferences(s.HMatrix, "stale " + std::string(Traits(function).key) + " n " + std::to_string(n));
        }
    }
}

} // namespace
} // namespace tarvik
