#include "core/wolfe_search.h"

#include <cmath>

#include "core/errors.h"
#include "run_state_fixture.h"

namespace tarvik {
namespace {

struct WolfeSearchTest : testing::RunStateTest {
    void Setup(uint8_t code, const MyArray1& u, uint8_t methodCode, int iterCount) {
        Prepare(Fn(code), Components(u));
        At(u);
        s.MethodCode = Md(methodCode);
        s.IterCount = iterCount;
        s.JPrev = s.JCur;
        s.SkipReevaluation = 0;
        s.Step = 1;
    }
    // The steepest-descent call: GradJ is both the direction and the gradient.
    void SteepestSearch(Real h) { WolfeSearch(s, s.FunctionCode, s.GradJ, s.U, s.GradJ, h); }
    void ExpectError(const MyArray1& d, Real h, const char* message) {
        const MyArray1 u = s.U, g = s.GradJ;
        const Real j = s.JCur;
        EXPECT_EQ(testing::ErrorOf<EBadError>([&] { WolfeSearch(s, s.FunctionCode, d, s.U, s.GradJ, h); }), message);
        EXPECT_EQ(s.U, u);
        EXPECT_EQ(s.GradJ, g);
        EXPECT_EQ(s.JCur, j);
    }
};

TEST_F(WolfeSearchTest, QuadraticInterpolationOutsideTheIntervalFallsBackToMidpoint) {
    // Cubic 2 u1^3 + 4 u1^2 from u1 = -1.2 (g1 = -0.96) with alpha = 1.6:
    // u1 = 0.336 lies past the minimum (slope > 0) and J there is below the
    // tangent line, so the interpolating parabola opens downwards and its
    // vertex is at a negative alpha. The midpoint 0.8 (u1 = -0.432) is
    // tried instead; with c2 = 3 its slope is accepted.
    Setup(5, testing::V({-1.2L, 0}), 2, 0);
    s.Params.WolfeC2 = 3;
    SteepestSearch(8);
    EXPECT_EQ(s.EvalCount, 4);
    EXPECT_NEAR(double(s.U[1]), -1.2 + 0.8 * 0.96, 1e-15);
    EXPECT_EQ(s.U[2], 0);
}

// Himmelblau 28 may be searched along an ascent direction. With dphi0 > 0
// no trial can be flat enough, so the quadratic zoom runs its ten rounds and
// accepts the last one; the cubic through the two ends has no real extremum.
TEST_F(WolfeSearchTest, HimmelblauAscentZoomsTenRoundsOrFailsTheCubic) {
    for (const uint8_t interpolation : {uint8_t{0}, uint8_t{1}}) {
        Setup(3, testing::V({-5, 0}), 8, 0);
        s.Params.WolfeInterpolation = interpolation;
        const MyArray1 ascent{0, -s.GradJ[1], -s.GradJ[2]}, start = s.U;
        if (interpolation == 1) {
            ExpectError(ascent, 0.5L / s.GradNorm,
                        "Error in Wolfe line search for cubic interpolation! You may try a quadratic interpolation.");
            continue;
        }
        WolfeSearch(s, s.FunctionCode, ascent, s.U, s.GradJ, 0.5L / s.GradNorm);
        EXPECT_EQ(s.EvalCount, 2 + 10 * 2);
        EXPECT_NE(s.U, start);
        EXPECT_EQ(s.SkipReevaluation, 1);
    }
}

TEST_F(WolfeSearchTest, NonDescentDirectionIsRejectedBeforeAnyEvaluation) {
    const char* message = "Minimization direction is not a descent direction (Wolfe line search).";
    Setup(6, testing::V({1, 0}), 2, 0);
    ExpectError(MyArray1{0, -2, 0}, 1, message);
    EXPECT_EQ(s.Step, 0);
    ExpectError(MyArray1{0, 0, 1}, 1, message);  // orthogonal: slope exactly 0
    EXPECT_EQ(s.EvalCount, 0);
    EXPECT_EQ(s.SkipReevaluation, 1);
}

TEST_F(WolfeSearchTest, ZeroFirstTrialReturnsQuietlyWithZeroStep) {
    // After the first iteration with J unchanged since the previous one.
    Setup(6, testing::V({1, 0}), 4, 3);
    s.JPrev = s.JCur;
    SteepestSearch(1);
    EXPECT_EQ(s.Step, 0);
    EXPECT_EQ(s.EvalCount, 0);
    EXPECT_EQ(s.U, (MyArray1{0, 1, 0}));
    EXPECT_EQ(s.GradJ, (MyArray1{0, 2, 0}));
    EXPECT_EQ(s.JPrev, 1);
}

} // namespace
} // namespace tarvik
