#include "core/golden_section.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/constant_step.h"
#include "core/errors.h"
#include "core/function_catalogue.h"
#include "core/objective.h"
#include "core/run_state.h"
#include "core/vector_kernels.h"
#include "recording_host.h"

namespace tarvik {
namespace {

class GoldenSectionTest : public ::testing::Test {
protected:
    testing::RecordingHost host;
    RunState s{host};

    // A problem at point u with J and gradJ there already known, as the
    // driver keeps them; the evaluation counter starts from 0.
    void Setup(FunctionId code, MyArray1 u) {
        s.N = Components(u);
        s.FunctionCode = code;
        s.FunctionName = std::string(Traits(code).name);
        s.U = u;
        s.GradJ = NewVector(s.N);
        s.JCur = EvalJ(s, code, s.U);
        EvalGrad(s, code, s.U, s.GradJ, s.GradNorm);
        s.EvalCount = 0;
        s.Dist0 = 1;
        s.J0 = 1;
        s.Choices.RbtnPrec1Checked = true;
        s.Choices.RbtnPrec2Checked = false;
    }
    void Search(Real h) { GoldenSectionSearch(s, s.FunctionCode, s.U, s.GradJ, h); }
    void ExpectFailure(Real h, const MyArray1& d) {
        const MyArray1 before = s.U;
        try {
            GoldenSectionSearch(s, s.FunctionCode, s.U, d, h);
            ADD_FAILURE() << "the search did not fail";
        } catch (const EBadError& e) {
            EXPECT_STREQ(e.what(), "Minimization step-size is 0 or infinity (Golden sections line search).");
        }
        EXPECT_EQ(s.Step, 0);
        EXPECT_EQ(s.U, before);
    }
};

TEST(GoldenFraction, IsThreeMinusRootFiveOverTwo) {
    EXPECT_NEAR(double(GoldenFraction()), 0.3819660112501051, 1e-16);
    // The defining property: (1 - G)^2 = G.
    EXPECT_NEAR(double((1 - GoldenFraction()) * (1 - GoldenFraction()) - GoldenFraction()), 0.0, 1e-18);
}

// J = u1^2 + 2 u2^2 from (1, 0) along -g = (-2, 0): a one-dimensional
// parabola (1 - L)^2 in the length L of the move.

TEST_F(GoldenSectionTest, FirstTrialNotLowerSkipsBracketing) {
    Setup(FunctionId::AxisEllipsoid, {0, 1, 0});
    s.Eps = 0.01L;
    // L = 3 lands at u1 = -2 with J = 4 > 1: the bracket is [u, u - 3 e1].
    // Its length 3 * 0.618^c first drops below 0.01 at c = 12.
    Search(3);
    EXPECT_EQ(s.Step, 1);
    EXPECT_EQ(s.EvalCount, 1 + 2 + 11);
    EXPECT_NEAR(double(s.U[1]), 0.0, 0.01);
    EXPECT_EQ(s.U[2], 0);
}

TEST_F(GoldenSectionTest, ReductionStopsAfterHundredRounds) {
    Setup(FunctionId::AxisEllipsoid, {0, 1, 0});
    s.Eps = 0;  // never reached
    Search(3);
    EXPECT_EQ(s.EvalCount, 1 + 2 + 99);
    EXPECT_NEAR(double(s.U[1]), 0.0, 1e-15);
}

TEST_F(GoldenSectionTest, BracketingWalksOutwardsByOnePointTwo) {
    Setup(FunctionId::AxisEllipsoid, {0, 1, 0});
    s.Eps = 0;
    // Move lengths 0.1, 0.22, 0.364, 0.537, 0.744, 0.993, 1.292: J keeps
    // falling until the seventh point, so six bracketing rounds.
    Search(0.1L);
    EXPECT_EQ(s.EvalCount, 1 + 6 + 101);
    EXPECT_NEAR(double(s.U[1]), 0.0, 1e-15);
}

TEST_F(GoldenSectionTest, RelativeChangeOfJStopsTheReduction) {
    Setup(FunctionId::AxisEllipsoid, {0, 1, 0});
    s.Choices.RbtnPrec1Checked = false;
    s.Choices.RbtnPrec2Checked = true;
    s.J0 = 1;
    s.Eps = 0.5L;
    // Bracket [u1 = 1, u1 = -2]: after round 1 it is [1, -0.854] with
    // J = 1 and 0.729 at its ends, a change 0.27 < 0.5.
    Search(3);
    EXPECT_EQ(s.EvalCount, 1 + 2);
    // With J(u°) = 0 the value is never below Eps: all 100 rounds run.
    Setup(FunctionId::AxisEllipsoid, {0, 1, 0});
    s.Choices.RbtnPrec1Checked = false;
    s.J0 = 0;
    s.Eps = 0.5L;
    Search(3);
    EXPECT_EQ(s.EvalCount, 1 + 2 + 99);
}

TEST_F(GoldenSectionTest, ZeroOrUndefinedSlopeFailsWithoutEvaluating) {
    Setup(FunctionId::AxisEllipsoid, {0, 1, 0});
    ExpectFailure(1, MyArray1{0, 0, 1});  // gradJ.d = 0
    EXPECT_EQ(s.EvalCount, 0);
    ExpectFailure(1, MyArray1{0, -1, 0});  // -d is an ascent direction
    ExpectFailure(1, MyArray1{0, std::nanl(""), 0});
    EXPECT_EQ(s.EvalCount, 0);
}

TEST_F(GoldenSectionTest, UnboundedDirectionFailsAfterThousandRounds) {
    // Saddle 5 u1^2 - u2^2 + 1 from (0, 1): along -g = (0, 2) J falls forever.
    Setup(FunctionId::Saddle, {0, 0, 1});
    ExpectFailure(1, s.GradJ);
    EXPECT_EQ(s.EvalCount, 1 + 1000);
}

TEST_F(GoldenSectionTest, MovesAgainstTheGivenDirectionOnly) {
    // Along -d with d = (1, 0) from (1, 1): only u1 changes; the 1-D minimum
    // of u1^2 + 2 u2^2 in u1 is at 0.
    Setup(FunctionId::AxisEllipsoid, {0, 1, 1});
    s.Eps = 1e-6L;
    const MyArray1 d{0, 1, 0};
    GoldenSectionSearch(s, s.FunctionCode, s.U, d, 0.5L);
    EXPECT_NEAR(double(s.U[1]), 0.0, 1e-5);
    EXPECT_EQ(s.U[2], 1);
    EXPECT_EQ(s.JCur, 3);  // the search does not evaluate at its result
}

// ---------------------------------------------------------------------------
// Constant step

TEST_F(GoldenSectionTest, ConstantStepScalesByFirstAndLastGradientComponent) {
    s.N = 3;
    s.U = {0, 1, 1, 1};
    s.GradJ = {0, 3, 100, 4};
    s.IterCount = 0;
    s.Params.ConstStepSize = 0.3L;
    ConstantStep(s);
    EXPECT_EQ(s.Step, 0.3L / 5);
    EXPECT_EQ(s.U[1], 1 - (0.3L / 5) * 3);
    EXPECT_EQ(s.U[2], 1 - (0.3L / 5) * 100);
    EXPECT_EQ(s.U[3], 1 - (0.3L / 5) * 4);

    // Later iterations keep the step and use the current gradient.
    s.IterCount = 1;
    s.GradJ = {0, 1, 1, 1};
    const Real u1 = s.U[1];
    ConstantStep(s);
    EXPECT_EQ(s.Step, 0.3L / 5);
    EXPECT_EQ(s.U[1], u1 - 0.3L / 5);
}

TEST_F(GoldenSectionTest, ConstantStepRefusesAnInfiniteStep) {
    s.N = 3;
    s.U = {0, 1, 1, 1};
    s.GradJ = {0, 0, 7, 0};
    s.IterCount = 0;
    EXPECT_THROW(ConstantStep(s), EBadError);
    EXPECT_EQ(s.U, (MyArray1{0, 1, 1, 1}));
    EXPECT_EQ(s.Step, 0);
}

} // namespace
} // namespace tarvik
