#include "core/quasi_newton.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "core/errors.h"
#include "core/run_state.h"
#include "core/vector_kernels.h"
#include "recording_host.h"

namespace tarvik {
namespace {

// ---------------------------------------------------------------------------
// The BFGS update written as the textbook three-product form:
// M = I - y s'/sy; T = H M; M = I - s y'/sy; H = M T; H = H + s s'/sy.
void ReferenceBfgsUpdate(MyArray2& h, const MyArray1& sv, const MyArray1& yv, int n, bool scaleFirst) {
    const Real sy = VecDot(sv, yv);
    if (scaleFirst) {
        const Real gamma = sy / VecDot(yv, yv);
        for (int i = 1; i <= n; ++i) h[i][i] = gamma;
    }
    MyArray2 m = NewMatrix(n);
    MyArray2 t = NewMatrix(n);
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) m[i][j] = (i == j ? 1 : 0) - yv[i] * sv[j] / sy;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) {
            Real sum = 0;
            for (int l = 1; l <= n; ++l) sum += h[i][l] * m[l][j];
            t[i][j] = sum;
        }
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) m[i][j] = (i == j ? 1 : 0) - sv[i] * yv[j] / sy;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) {
            Real sum = 0;
            for (int l = 1; l <= n; ++l) sum += m[i][l] * t[l][j];
            h[i][j] = sum;
        }
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) h[i][j] = h[i][j] + sv[i] * sv[j] / sy;
}

MyArray1 MatVec(const MyArray2& h, const MyArray1& g, int n) {
    MyArray1 d = NewVector(n);
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) d[i] += h[j][i] * g[j];
    return d;
}

Real MaxAbs(const MyArray2& h, int n) {
    Real m = 0;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) m = std::max(m, fabsl(h[i][j]));
    return m;
}

class QuasiNewtonTest : public ::testing::Test {
protected:
    testing::RecordingHost host;
    RunState s{host};
    std::mt19937_64 rng{12345};

    void Setup(int n) {
        s.N = n;
        s.U = NewVector(n);
        s.UPrev = NewVector(n);
        s.GradJ = NewVector(n);
        s.GradJPrev = NewVector(n);
        s.Dir = NewVector(n);
        s.HMatrix = NewMatrix(n);
        s.IterCount = 0;
    }
    Real Uniform(Real lo, Real hi) { return lo + (hi - lo) * Real(std::uniform_real_distribution<double>(0, 1)(rng)); }

    // Moves the state to a new point and gradient as a line search and the
    // end of an iteration would: UPrev/GradJPrev hold the old ones.
    // The new gradient comes from a random positive definite model, so the
    // pair satisfies s.y > 0.
    void NewPair(const MyArray2& a) {
        const int n = s.N;
        s.UPrev = s.U;
        s.GradJPrev = s.GradJ;
        for (int i = 1; i <= n; ++i) s.U[i] = s.UPrev[i] + Uniform(-1, 1);
        for (int i = 1; i <= n; ++i) {
            Real sum = 0;
            for (int j = 1; j <= n; ++j) sum += a[i][j] * (s.U[j] - s.UPrev[j]);
            s.GradJ[i] = s.GradJPrev[i] + sum;
        }
    }
    MyArray2 RandomSpd(int n) {
        MyArray2 b = NewMatrix(n), a = NewMatrix(n);
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j) b[i][j] = Uniform(-1, 1);
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j) {
                Real sum = i == j ? Real(0.5) : Real(0);
                for (int l = 1; l <= n; ++l) sum += b[l][i] * b[l][j];
                a[i][j] = sum;
            }
        return a;
    }
};

// ---------------------------------------------------------------------------
// BFGS

TEST_F(QuasiNewtonTest, BfgsFirstIterationIsTheGradient) {
    Setup(3);
    s.HMatrix[1][2] = 9;  // stale values must not survive the reset to I
    s.HMatrix[3][3] = 4;
    s.GradJ = {0, 2, -3, 6};
    BfgsDirection(s, s.Dir, s.DirNorm);
    EXPECT_EQ(s.Dir, s.GradJ);
    EXPECT_EQ(s.DirNorm, 7);
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) EXPECT_EQ(s.HMatrix[i][j], i == j ? 1 : 0);
    EXPECT_FALSE(host.progressVisible);  // only for n >= 200
}

TEST_F(QuasiNewtonTest, BfgsScalesIdentityAtSecondIteration) {
    // With y parallel to s the scaled identity gamma*I already satisfies the
    // secant equation and the update leaves it unchanged; an unscaled
    // identity would not.
    Setup(2);
    s.GradJ = {0, 1, 1};
    BfgsDirection(s, s.Dir, s.DirNorm);
    s.UPrev = {0, 0, 0};
    s.U = {0, 0.5L, -1};
    s.GradJPrev = s.GradJ;
    s.GradJ = {0, 1 + 2 * 0.5L, 1 - 2};  // y = 2 s, so gamma = 1/2
    s.IterCount = 1;
    BfgsDirection(s, s.Dir, s.DirNorm);
    EXPECT_NEAR(double(s.HMatrix[1][1]), 0.5, 1e-18);
    EXPECT_NEAR(double(s.HMatrix[2][2]), 0.5, 1e-18);
    EXPECT_NEAR(double(s.HMatrix[1][2]), 0.0, 1e-18);
    EXPECT_NEAR(double(s.Dir[1]), 1.0, 1e-18);
    EXPECT_NEAR(double(s.Dir[2]), -0.5, 1e-18);
}

TEST_F(QuasiNewtonTest, BfgsAgreesWithThreeProductFormAndKeepsSymmetry) {
    for (int n = 2; n <= 8; ++n) {
        Setup(n);
        const MyArray2 a = RandomSpd(n);
        for (int i = 1; i <= n; ++i) s.GradJ[i] = Uniform(-2, 2);
        BfgsDirection(s, s.Dir, s.DirNorm);
        MyArray2 ref = NewMatrix(n);
        for (int i = 1; i <= n; ++i) ref[i][i] = 1;
        for (int k = 1; k <= 6; ++k) {
            NewPair(a);
            s.IterCount = k;
            MyArray1 sv = NewVector(n), yv = NewVector(n);
            for (int i = 1; i <= n; ++i) {
                sv[i] = s.U[i] - s.UPrev[i];
                yv[i] = s.GradJ[i] - s.GradJPrev[i];
            }
            ReferenceBfgsUpdate(ref, sv, yv, n, k == 1);
            BfgsDirection(s, s.Dir, s.DirNorm);

            const Real scale = MaxAbs(ref, n);
            for (int i = 1; i <= n; ++i)
                for (int j = 1; j <= n; ++j) {
                    EXPECT_LE(fabsl(s.HMatrix[i][j] - ref[i][j]), 1e-14L * scale) << n << " " << k << " " << i << j;
                    EXPECT_EQ(s.HMatrix[i][j], s.HMatrix[j][i]);
                }
            // The secant equation H y = s holds after every update.
            const MyArray1 hy = MatVec(s.HMatrix, yv, n);
            for (int i = 1; i <= n; ++i) EXPECT_NEAR(double(hy[i]), double(sv[i]), 1e-12);
            const MyArray1 d = MatVec(ref, s.GradJ, n);
            for (int i = 1; i <= n; ++i) EXPECT_NEAR(double(s.Dir[i]), double(d[i]), 1e-12 * double(scale));
            EXPECT_EQ(s.DirNorm, VecNorm(s.Dir));
        }
    }
}

TEST_F(QuasiNewtonTest, BfgsCurvatureFailureLeavesMatrixAndDirection) {
    Setup(2);
    s.GradJ = {0, 1, 2};
    BfgsDirection(s, s.Dir, s.DirNorm);
    const MyArray1 dirBefore = s.Dir;
    for (Real y1 : {-1.0L, 0.0L, std::nanl("")}) {
        s.UPrev = {0, 0, 0};
        s.U = {0, 1, 0};
        s.GradJPrev = {0, 0, 0};
        s.GradJ = {0, y1, 5};  // s.y = y1
        s.IterCount = 3;
        try {
            BfgsDirection(s, s.Dir, s.DirNorm);
            ADD_FAILURE() << "no failure for s.y = " << double(y1);
        } catch (const ENotSoBadError& e) {
            EXPECT_STREQ(e.what(), "The curvative condition is negative! (Iteration=3).");
        }
        EXPECT_EQ(s.Dir, dirBefore);
        EXPECT_EQ(s.HMatrix[1][1], 1);
        EXPECT_EQ(s.HMatrix[1][2], 0);
        EXPECT_EQ(s.HMatrix[2][2], 1);
    }
}

TEST_F(QuasiNewtonTest, BfgsReportsProgressPerRowAndHonoursStop) {
    const int n = 200;
    Setup(n);
    for (int i = 1; i <= n; ++i) s.GradJ[i] = 1 + Real(i) / n;
    BfgsDirection(s, s.Dir, s.DirNorm);
    EXPECT_TRUE(host.progressVisible);
    EXPECT_EQ(host.progressMaximum, 2 * n);
    EXPECT_EQ(host.progressSteps, 0);

    s.UPrev = s.U;
    s.GradJPrev = s.GradJ;
    for (int i = 1; i <= n; ++i) {
        s.U[i] = s.UPrev[i] + 0.01L * i;
        s.GradJ[i] = s.GradJPrev[i] + 0.02L * i;
    }
    s.IterCount = 1;
    s.StopRequested = 0;
    BfgsDirection(s, s.Dir, s.DirNorm);
    EXPECT_EQ(host.progressSteps, 2 * n);
    EXPECT_EQ(host.processEventsCalls, 2 * n);

    // Stop pressed halfway through the second pass.
    s.IterCount = 2;
    s.UPrev = s.U;
    s.GradJPrev = s.GradJ;
    for (int i = 1; i <= n; ++i) {
        s.U[i] += 0.001L;
        s.GradJ[i] += 0.003L;
    }
    host.onProcessEvents = [&] {
        if (host.processEventsCalls == 2 * n + n + n / 2) s.StopRequested = 1;
    };
    try {
        BfgsDirection(s, s.Dir, s.DirNorm);
        ADD_FAILURE() << "Stop was not noticed";
    } catch (const EBadError& e) {
        EXPECT_STREQ(e.what(), "Terminated by user");
    }
    EXPECT_EQ(host.processEventsCalls, 2 * n + n + n / 2);
    EXPECT_FALSE(host.progressVisible);
}

// ---------------------------------------------------------------------------
// L-BFGS

// The L-BFGS direction written as m explicit BFGS updates of gamma*I, from
// the oldest kept pair to the newest.
MyArray1 ReferenceLbfgs(const std::vector<MyArray1>& ss, const std::vector<MyArray1>& ys, int kept,
                        const MyArray1& g, int n) {
    if (kept == 0) return g;
    const std::size_t newest = ss.size() - 1;
    MyArray2 h = NewMatrix(n);
    const Real gamma = VecDot(ss[newest], ys[newest]) / VecDot(ys[newest], ys[newest]);
    for (int i = 1; i <= n; ++i) h[i][i] = gamma;
    for (std::size_t p = ss.size() - kept; p < ss.size(); ++p) ReferenceBfgsUpdate(h, ss[p], ys[p], n, false);
    return MatVec(h, g, n);
}

TEST_F(QuasiNewtonTest, LbfgsMatchesExplicitUpdatesOverTheLastMPairs) {
    for (int m : {5, 15}) {
        const int n = 6;
        Setup(n);
        s.LbfgsS = MyArray2(m + 1, n + 1);
        s.LbfgsY = MyArray2(m + 1, n + 1);
        const MyArray2 a = RandomSpd(n);
        for (int i = 1; i <= n; ++i) s.GradJ[i] = Uniform(-2, 2);
        s.UPrev = s.U;
        s.GradJPrev = s.GradJ;
        std::vector<MyArray1> ss, ys;
        for (int k = 0; k <= 20; ++k) {
            if (k > 0) {
                NewPair(a);
                MyArray1 sv = NewVector(n), yv = NewVector(n);
                for (int i = 1; i <= n; ++i) {
                    sv[i] = s.U[i] - s.UPrev[i];
                    yv[i] = s.GradJ[i] - s.GradJPrev[i];
                }
                ss.push_back(sv);
                ys.push_back(yv);
            }
            s.IterCount = k;
            LbfgsDirection(s, m, s.Dir, s.DirNorm);
            const int kept = std::min(k, m);
            const MyArray1 expected = ReferenceLbfgs(ss, ys, kept, s.GradJ, n);
            for (int i = 1; i <= n; ++i)
                EXPECT_NEAR(double(s.Dir[i]), double(expected[i]), 1e-11 * (1 + fabs(double(expected[i]))))
                    << "m=" << m << " k=" << k;
            EXPECT_EQ(s.DirNorm, VecNorm(s.Dir));
            if (k == m + 2) {
                // One more pair than the memory gives a different direction,
                // so the comparison above really sees the dropped pair.
                const MyArray1 tooMany = ReferenceLbfgs(ss, ys, m + 1, s.GradJ, n);
                Real diff = 0;
                for (int i = 1; i <= n; ++i) diff = std::max(diff, fabsl(tooMany[i] - s.Dir[i]));
                EXPECT_GT(diff, 1e-6L);
            }
        }
    }
}

TEST_F(QuasiNewtonTest, LbfgsFirstIterationIsTheGradient) {
    Setup(3);
    s.LbfgsS = MyArray2(6, 4);
    s.LbfgsY = MyArray2(6, 4);
    s.GradJ = {0, 2, -3, 6};
    s.U = {0, 1, 1, 1};
    s.UPrev = s.U;
    s.GradJPrev = s.GradJ;
    LbfgsDirection(s, 5, s.Dir, s.DirNorm);
    EXPECT_EQ(s.Dir, s.GradJ);
    EXPECT_EQ(s.DirNorm, 7);
}

TEST_F(QuasiNewtonTest, LbfgsCurvatureFailureEndsTheRun) {
    const int n = 2;
    Setup(n);
    s.LbfgsS = MyArray2(6, n + 1);
    s.LbfgsY = MyArray2(6, n + 1);
    s.GradJ = {0, 1, 1};
    s.UPrev = s.U;
    s.GradJPrev = s.GradJ;
    LbfgsDirection(s, 5, s.Dir, s.DirNorm);

    // Newest pair with s.y < 0.
    s.UPrev = s.U;
    s.U = {0, 1, 0};
    s.GradJPrev = s.GradJ;
    s.GradJ = {0, 0, 1};
    s.IterCount = 1;
    try {
        LbfgsDirection(s, 5, s.Dir, s.DirNorm);
        ADD_FAILURE();
    } catch (const EBadError& e) {
        EXPECT_STREQ(e.what(),
                     "Failure of method L_BFGS! (Iteration=1). The curvature condition is not satisfied. "
                     "Minimization will be terminated.");
    }

    // A bad pair further back is found too, once it is within the first k.
    s.UPrev = s.U;
    s.U = {0, 1, 1};
    s.GradJPrev = s.GradJ;
    s.GradJ = {0, 0, 2};  // newest pair is fine: s.y = 1
    s.IterCount = 2;
    try {
        LbfgsDirection(s, 5, s.Dir, s.DirNorm);
        ADD_FAILURE();
    } catch (const EBadError& e) {
        EXPECT_NE(std::string(e.what()).find("(Iteration=2). "), std::string::npos);
    }
}

} // namespace
} // namespace tarvik
