// BFGS and L-BFGS: a fresh matrix per run, the curvature failures, and the
// progress and Stop of long updates.
#include "core/quasi_newton.h"

#include <cmath>

#include "app/direction_rules.h"
#include "core/errors.h"
#include "core/vector_kernels.h"
#include "run_state_fixture.h"

namespace tarvik {
namespace {

using testing::ErrorOf;
using testing::V;

struct QuasiNewtonTest : testing::RunStateTest {
    void Setup(int n) {
        Prepare(FunctionId::AxisEllipsoid, n);
        s.IterCount = 0;
    }
    // The step to (u, g) from the current point and gradient, as a line
    // search and the end of an iteration leave it.
    void MoveTo(const MyArray1& u, const MyArray1& g) {
        s.UPrev = s.U;
        s.GradJPrev = s.GradJ;
        s.U = u;
        s.GradJ = g;
    }
};

TEST_F(QuasiNewtonTest, BfgsFirstIterationIsTheGradientAndResetsTheMatrix) {
    Setup(3);
    s.InverseHessian.Set(1, 2, 9);  // stale values of an earlier run
    s.InverseHessian.Set(3, 3, 4);
    s.GradJ = V({2, -3, 6});
    RunBfgsDirection(s);
    EXPECT_EQ(s.Dir, s.GradJ);
    EXPECT_EQ(s.DirNorm, 7);
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) EXPECT_EQ(s.InverseHessian.Get(i, j), i == j ? 1 : 0);
    EXPECT_FALSE(host.progressVisible);  // only for n >= 200
}

TEST_F(QuasiNewtonTest, BfgsCurvatureFailureLeavesMatrixAndDirection) {
    Setup(2);
    s.GradJ = V({1, 2});
    RunBfgsDirection(s);
    const MyArray1 dirBefore = s.Dir;
    for (Real y1 : {-1.0L, 0.0L, std::nanl("")}) {
        s.U = s.GradJ = V({0, 0});
        MoveTo(V({1, 0}), V({y1, 5}));  // s.y = y1
        s.IterCount = 3;
        EXPECT_EQ(ErrorOf<ENotSoBadError>([&] { RunBfgsDirection(s); }),
                  "The curvative condition is negative! (Iteration=3).")
            << double(y1);
        EXPECT_EQ(s.Dir, dirBefore);
        EXPECT_EQ(s.InverseHessian.Get(1, 1), 1);
        EXPECT_EQ(s.InverseHessian.Get(1, 2), 0);
        EXPECT_EQ(s.InverseHessian.Get(2, 2), 1);
    }
}

TEST_F(QuasiNewtonTest, BfgsReportsProgressPerRowAndHonoursStop) {
    const int n = 200;
    Setup(n);
    for (int i = 1; i <= n; ++i) s.GradJ[i] = 1 + Real(i) / n;
    RunBfgsDirection(s);
    EXPECT_TRUE(host.progressVisible);
    EXPECT_EQ(host.progressMaximum, 2 * n);
    EXPECT_EQ(host.progressSteps, 0);

    MyArray1 u = s.U, g = s.GradJ;
    for (int i = 1; i <= n; ++i) {
        u[i] += 0.01L * i;
        g[i] += 0.02L * i;
    }
    MoveTo(u, g);
    s.IterCount = 1;
    RunBfgsDirection(s);
    EXPECT_EQ(host.progressSteps, 2 * n);
    EXPECT_EQ(host.processEventsCalls, 2 * n);

    // Stop pressed halfway through the second pass.
    for (int i = 1; i <= n; ++i) {
        u[i] += 0.001L;
        g[i] += 0.003L;
    }
    MoveTo(u, g);
    s.IterCount = 2;
    host.onProcessEvents = [&] {
        if (host.processEventsCalls == 2 * n + n + n / 2) s.StopRequested = 1;
    };
    EXPECT_EQ(ErrorOf<EBadError>([&] { RunBfgsDirection(s); }), "Terminated by user");
    EXPECT_EQ(host.processEventsCalls, 2 * n + n + n / 2);
    EXPECT_FALSE(host.progressVisible);
}

// The square matrix's BFGS as it was before the triangle: H y row by row,
// then each row updated and multiplied by g while fresh.
void SquareBfgs(int32_t k, const RunState& s, MyArray2& h, MyArray1& d) {
    const int n = s.N;
    if (k == 0) {
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j) h[i][j] = i == j ? 1 : 0;
    } else {
        MyArray1 sv = NewVector(n), yv = NewVector(n), hy = NewVector(n), t = NewVector(n), w = NewVector(n);
        for (int i = 1; i <= n; ++i) {
            sv[i] = s.U[i] - s.UPrev[i];
            yv[i] = s.GradJ[i] - s.GradJPrev[i];
        }
        const Real sy = VecDot(sv, yv);
        if (k == 1)
            for (int i = 1; i <= n; ++i) h[i][i] = sy / VecDot(yv, yv);
        for (int i = 1; i <= n; ++i) {
            Real sum = 0;
            for (int j = 1; j <= n; ++j) sum += h[i][j] * yv[j];
            hy[i] = sum;
            t[i] = sv[i] / sy;
        }
        const Real halfC = (VecDot(yv, hy) + sy) / 2;
        for (int i = 1; i <= n; ++i) w[i] = halfC * t[i] - hy[i];
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j) h[i][j] = h[i][j] + (w[i] * t[j] + t[i] * w[j]);
    }
    for (int i = 1; i <= n; ++i) {
        Real sum = 0;
        for (int j = 1; j <= n; ++j) sum += h[i][j] * s.GradJ[j];
        d[i] = sum;
    }
}

// The triangle, walked in blocks over the cores, keeps every bit of the
// square matrix and its row-by-row products, iteration after iteration:
// both run side by side along the same path on convex problems, below the
// size where the work is split and above it, with n odd and even.
TEST_F(QuasiNewtonTest, BfgsTriangleKeepsEveryBitOfTheSquareMatrix) {
    struct Case { FunctionId function; int n; };
    for (const Case c : {Case{FunctionId::Dixon3dq, 3}, Case{FunctionId::AxisEllipsoidSin, 40},
                         Case{FunctionId::HilbertB, 257}, Case{FunctionId::QuadraticVarnel, 300},
                         Case{FunctionId::Tridia, 1901}}) {
        const int n = c.n;
        Prepare(c.function, n);
        for (int i = 1; i <= n; ++i) s.U[i] = Real(i % 17) / 7 - 1;
        s.Problem->Gradient(s.U, s.GradJ);
        MyArray2 square = NewMatrix(n);
        MyArray1 d = NewVector(n);
        for (int32_t k = 0; k <= 4; ++k) {
            s.IterCount = k;
            RunBfgsDirection(s);
            SquareBfgs(k, s, square, d);
            for (int i = 1; i <= n; ++i) {
                ASSERT_EQ(s.Dir[i], d[i]) << Traits(c.function).key << " k=" << k << " i=" << i;
                for (int j = 1; j <= n; ++j)
                    ASSERT_EQ(s.InverseHessian.Get(i, j), Real(square[i][j]))
                        << Traits(c.function).key << " k=" << k << " " << i << "," << j;
            }
            // A short step along -d, as a line search would take it.
            MyArray1 u = s.U, g = s.GradJ;
            for (int i = 1; i <= n; ++i) u[i] -= s.Dir[i] / (4 * s.DirNorm);
            s.Problem->Gradient(u, g);
            MoveTo(u, g);
        }
    }
}

TEST_F(QuasiNewtonTest, LbfgsCurvatureFailureEndsTheRun) {
    Setup(2);
    s.LbfgsS = MyArray2(6, 3);
    s.LbfgsY = MyArray2(6, 3);
    s.GradJ = V({1, 1});
    MoveTo(s.U, s.GradJ);
    RunLbfgsDirection(s);

    // Newest pair with s.y < 0.
    MoveTo(V({1, 0}), V({0, 1}));
    s.IterCount = 1;
    EXPECT_EQ(ErrorOf<EBadError>([&] { RunLbfgsDirection(s); }),
              "Failure of method L_BFGS! (Iteration=1). The curvature condition is not satisfied. "
              "Minimization will be terminated.");

    // A bad pair further back is found too, once it is within the first k.
    MoveTo(V({1, 1}), V({0, 2}));  // newest pair is fine: s.y = 1
    s.IterCount = 2;
    EXPECT_NE(ErrorOf<EBadError>([&] { RunLbfgsDirection(s); }).find("(Iteration=2). "),
              std::string::npos);
}

} // namespace
} // namespace tarvik
