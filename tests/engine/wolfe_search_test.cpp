#include "core/wolfe_search.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/errors.h"
#include "core/function_catalogue.h"
#include "core/objective.h"
#include "core/run_state.h"
#include "core/vector_kernels.h"
#include "recording_host.h"

namespace tarvik {
namespace {

class WolfeSearchTest : public ::testing::Test {
protected:
    testing::RecordingHost host;
    RunState s{host};

    // A problem at point u with J and gradJ known, as the driver keeps them;
    // the evaluation counter starts from 0.
    void Setup(FunctionId code, MyArray1 u, MethodId methodCode, int iterCount) {
        s.N = Components(u);
        s.FunctionCode = code;
        s.FunctionName = std::string(Traits(code).name);
        s.MethodCode = methodCode;
        s.IterCount = iterCount;
        s.U = u;
        s.GradJ = NewVector(s.N);
        s.GradJPrev = NewVector(s.N);
        s.JCur = EvalJ(s, code, s.U);
        s.JPrev = s.JCur;
        EvalGrad(s, code, s.U, s.GradJ, s.GradNorm);
        s.EvalCount = 0;
        s.SkipReevaluation = 0;
        s.Step = 1;
        s.StopRequested = 0;  // as during a run
    }
    // The steepest-descent call: GradJ is both the direction and the gradient.
    void SteepestSearch(Real h) { WolfeSearch(s, s.FunctionCode, s.GradJ, s.U, s.GradJ, h); }
    void ExpectError(const MyArray1& d, Real h, const char* message) {
        const MyArray1 u = s.U, g = s.GradJ;
        const Real j = s.JCur;
        try {
            WolfeSearch(s, s.FunctionCode, d, s.U, s.GradJ, h);
            ADD_FAILURE() << "no error";
        } catch (const EBadError& e) {
            EXPECT_STREQ(e.what(), message);
        }
        EXPECT_EQ(s.U, u);
        EXPECT_EQ(s.GradJ, g);
        EXPECT_EQ(s.JCur, j);
    }
};

// Most cases use J = u1^2 + 2 u2^2 from (1, 0) along -g = (-2, 0): along
// the ray J = (1 - 2 alpha)^2, slope dphi0 = -4, minimum at alpha = 0.5.

TEST_F(WolfeSearchTest, FirstTrialMeetingBothConditionsCostsOneJAndOneGradient) {
    // Quasi-Newton at the first iteration tries min(1, h) = 0.48: J = 0.0016
    // and the slope -0.16 is within c2 = 0.1 of |dphi0| = 4.
    Setup(FunctionId::AxisEllipsoid, {0, 1, 0}, MethodId::BfgsWolfe, 0);
    s.Step = 0.75L;
    SteepestSearch(0.48L);
    EXPECT_EQ(s.EvalCount, 2);
    EXPECT_EQ(s.SkipReevaluation, 1);
    EXPECT_EQ(s.Step, 0.75L);  // the Wolfe search leaves Step alone
    const Real x1 = 1 - 0.48L * 2;
    EXPECT_EQ(s.U, (MyArray1{0, x1, 0}));
    EXPECT_EQ(s.JPrev, 1);
    EXPECT_EQ(s.JCur, x1 * x1);
    EXPECT_EQ(s.GradJPrev, (MyArray1{0, 2, 0}));
    EXPECT_EQ(s.GradJ, (MyArray1{0, 2 * x1, 0}));
    EXPECT_EQ(s.GradNormPrev, 2);
    EXPECT_EQ(s.GradNorm, 2 * x1);
}

TEST_F(WolfeSearchTest, FirstTrialOfGradientMethodsIsAFifthOfH) {
    // Steepest descent at the first iteration: 0.2 * 2.4 = 0.48 as above.
    Setup(FunctionId::AxisEllipsoid, {0, 1, 0}, MethodId::SteepestWolfe, 0);
    SteepestSearch(2.4L);
    EXPECT_EQ(s.EvalCount, 2);
    EXPECT_EQ(s.U[1], 1 - (0.2L * 2.4L) * 2);
}

TEST_F(WolfeSearchTest, StepAtAlphaMaxIsAcceptedWithoutExtrapolation) {
    // alpha = h = 0.2: J = 0.36 decreases enough, but the slope -2.4 is
    // still steep; at alpha_max the search stops there.
    Setup(FunctionId::AxisEllipsoid, {0, 1, 0}, MethodId::BfgsWolfe, 0);
    SteepestSearch(0.2L);
    EXPECT_EQ(s.EvalCount, 2);
    EXPECT_EQ(s.U[1], 1 - 0.2L * 2);
    EXPECT_EQ(s.JCur, (1 - 0.2L * 2) * (1 - 0.2L * 2));
}

TEST_F(WolfeSearchTest, LaterIterationsStartFromTheLastDecreaseAndExtrapolate) {
    // alpha0 = 1.01 * 2 * (1 - 1.198) / -4 = 0.09999: J = 0.64, slope -3.2.
    // The extrapolation tries alpha_max = 0.46 first, where J = 0.0064 and
    // the slope -0.32 is flat enough.
    Setup(FunctionId::AxisEllipsoid, {0, 1, 0}, MethodId::FletcherReevesWolfe, 1);
    s.JPrev = 1.198L;
    SteepestSearch(0.46L);
    EXPECT_EQ(s.EvalCount, 4);
    EXPECT_NEAR(double(s.U[1]), 0.08, 1e-15);
    EXPECT_EQ(s.JPrev, 1);
}

TEST_F(WolfeSearchTest, ExtrapolationBacksOffThenZoomFindsTheParabolaMinimum) {
    // From alpha = 0.09999 the extrapolation tries 2 (J = 9, rejected) and
    // 0.67 (J = 0.1156, slope +1.36 > 0): the zoom interpolates the
    // parabola exactly and accepts alpha = 0.5.
    // Evaluations: J, g at 0.1; J at 2; J, g at 0.67; J, g at 0.5.
    for (uint8_t interpolation : {0, 1}) {
        Setup(FunctionId::AxisEllipsoid, {0, 1, 0}, MethodId::FletcherReevesWolfe, 1);
        s.JPrev = 1.198L;
        s.Params.WolfeInterpolation = interpolation;
        SteepestSearch(2);
        EXPECT_EQ(s.EvalCount, 7) << int(interpolation);
        EXPECT_NEAR(double(s.U[1]), 0.0, 1e-15);
        EXPECT_NEAR(double(s.JCur), 0.0, 1e-30);
    }
}

TEST_F(WolfeSearchTest, DirectionAliasingTheGradientBehavesAsASeparateDirection) {
    Setup(FunctionId::GeneralizedRosenbrock, {0, -1.2L, 1, -0.5L, 0.8L}, MethodId::PolakRibiereWolfe, 1);
    s.JPrev = s.JCur + 3;
    RunState copy = s;
    const MyArray1 d = s.GradJ;
    WolfeSearch(copy, copy.FunctionCode, d, copy.U, copy.GradJ, 0.9L);
    SteepestSearch(0.9L);
    EXPECT_GT(s.EvalCount, 2);
    EXPECT_EQ(s.EvalCount, copy.EvalCount);
    EXPECT_EQ(s.U, copy.U);
    EXPECT_EQ(s.GradJ, copy.GradJ);
    EXPECT_EQ(s.GradJPrev, copy.GradJPrev);
    EXPECT_EQ(s.JCur, copy.JCur);
    EXPECT_EQ(s.GradNorm, copy.GradNorm);
}

TEST_F(WolfeSearchTest, QuadraticInterpolationOutsideTheIntervalFallsBackToMidpoint) {
    // Cubic 2 u1^3 + 4 u1^2 from u1 = -1.2 (g1 = -0.96) with alpha = 1.6:
    // u1 = 0.336 lies past the minimum (slope > 0) and J there is below the
    // tangent line, so the interpolating parabola opens downwards and its
    // vertex is at a negative alpha. The midpoint 0.8 (u1 = -0.432) is
    // tried instead; with c2 = 3 its slope is accepted.
    Setup(FunctionId::CubicVarnel, {0, -1.2L, 0}, MethodId::SteepestWolfe, 0);
    s.Params.WolfeC2 = 3;
    SteepestSearch(8);
    EXPECT_EQ(s.EvalCount, 4);
    EXPECT_NEAR(double(s.U[1]), -1.2 + 0.8 * 0.96, 1e-15);
    EXPECT_EQ(s.U[2], 0);
}

TEST_F(WolfeSearchTest, CubicInterpolationFaultEndsTheSearch) {
    // Himmelblau 28 may be searched along an ascent direction; there the
    // cubic through the two ends has no real extremum.
    Setup(FunctionId::Himmelblau28, {0, -5, 0}, MethodId::BfgsWolfe, 0);
    s.Params.WolfeInterpolation = 1;
    const MyArray1 ascent{0, -s.GradJ[1], -s.GradJ[2]};
    ExpectError(ascent, 0.5L / s.GradNorm,
                "Error in Wolfe line search for cubic interpolation! You may try a quadratic interpolation.");
}

TEST_F(WolfeSearchTest, HimmelblauAscentIsNotRejectedAndZoomStopsAfterTenRounds) {
    // With dphi0 > 0 no trial can be flat enough, so the zoom runs its ten
    // rounds and accepts the last one.
    Setup(FunctionId::Himmelblau28, {0, -5, 0}, MethodId::BfgsWolfe, 0);
    const MyArray1 ascent{0, -s.GradJ[1], -s.GradJ[2]};
    const MyArray1 start = s.U;
    WolfeSearch(s, s.FunctionCode, ascent, s.U, s.GradJ, 0.5L / s.GradNorm);
    EXPECT_EQ(s.EvalCount, 2 + 10 * 2);
    EXPECT_NE(s.U, start);
    EXPECT_EQ(s.SkipReevaluation, 1);
}

TEST_F(WolfeSearchTest, NonDescentDirectionIsRejectedBeforeAnyEvaluation) {
    const char* message = "Minimization direction is not a descent direction (Wolfe line search).";
    Setup(FunctionId::AxisEllipsoid, {0, 1, 0}, MethodId::SteepestWolfe, 0);
    ExpectError(MyArray1{0, -2, 0}, 1, message);
    EXPECT_EQ(s.Step, 0);
    ExpectError(MyArray1{0, 0, 1}, 1, message);  // orthogonal: slope exactly 0
    EXPECT_EQ(s.EvalCount, 0);
    EXPECT_EQ(s.SkipReevaluation, 1);
}

TEST_F(WolfeSearchTest, ZeroFirstTrialReturnsQuietlyWithZeroStep) {
    // After the first iteration with J unchanged since the previous one.
    Setup(FunctionId::AxisEllipsoid, {0, 1, 0}, MethodId::FletcherReevesWolfe, 3);
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
