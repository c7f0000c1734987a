#include "core/conjugate_direction.h"

#include <cmath>

#include "run_state_fixture.h"

namespace tarvik {
namespace {

struct ConjugateDirectionTest : testing::RunStateTest {
    void Setup(uint8_t methodCode, uint8_t functionCode) {
        Prepare(Fn(functionCode), 2);
        s.MethodCode = Md(methodCode);
    }
    void SetGrad(Real g1, Real g2) {
        s.GradJPrev = s.GradJ;
        s.GradJ = testing::V({g1, g2});
    }
    Real Step(int k) {
        s.IterCount = k;
        ConjugateDirection(s, s.FunctionCode, s.Dir, s.DirNorm);
        return s.CgBeta;
    }
};

TEST_F(ConjugateDirectionTest, FirstIterationIsSteepestDescentForAllFourMethods) {
    for (uint8_t method : {3, 4, 5, 6}) {
        Setup(method, 18);
        s.Dir = testing::V({7, -9});  // left over from an earlier run
        s.CgPrevGradNorm2 = 123;
        SetGrad(3, 4);
        EXPECT_EQ(Step(0), 0) << int(method);
        EXPECT_EQ(s.Dir, s.GradJ);
        EXPECT_EQ(s.DirNorm, 5);
        EXPECT_EQ(s.CgPrevGradNorm2, 25);
    }
}

TEST_F(ConjugateDirectionTest, QuadraticRestartsWhenGradientsAreNotOrthogonal) {
    // |g.g_prev| / ||g_prev||^2 against 0.1, with g_prev = (1, 0).
    for (Real first : {0.1L, -0.1L, 0.0999L}) {
        Setup(4, 6);
        SetGrad(1, 0);
        Step(0);
        SetGrad(first, 5);
        const Real beta = Step(1);
        if (fabsl(first) >= 0.1L) {
            EXPECT_EQ(s.CgRestart, 0) << double(first);
            EXPECT_EQ(beta, 0);
        } else {
            EXPECT_EQ(s.CgRestart, 1);
            EXPECT_EQ(beta, first * first + 25);
        }
    }
    // The 3n rule does not apply to quadratics: k = 6 keeps beta for n = 2.
    Setup(4, 17);
    SetGrad(1, 0);
    Step(0);
    SetGrad(0, 1);
    EXPECT_EQ(Step(6), 1);
}

TEST_F(ConjugateDirectionTest, FallsBackToGradientWhenDirectionDoesNotDescend) {
    Setup(4, 18);
    SetGrad(1, 0);
    Step(0);
    s.Dir[1] = -100;  // as if the previous direction pointed the other way
    SetGrad(1, 0);
    // beta = 1, so d = (-100 + 1, 0) and g.d < 0.
    Step(1);
    EXPECT_EQ(s.Dir, testing::V({1, 0}));
    EXPECT_EQ(s.DirNorm, 1);
}

} // namespace
} // namespace tarvik
