#include "core/golden_section.h"

#include <cmath>

#include "core/errors.h"
#include "run_state_fixture.h"

namespace tarvik {
namespace {

using testing::ErrorOf;
using testing::V;

// J = u1^2 + 2 u2^2 from (1, 0) along -g = (-2, 0): a one-dimensional
// parabola (1 - L)^2 in the length L of the move.
struct GoldenSectionTest : testing::RunStateTest {
    void Setup(uint8_t code, const MyArray1& u) {
        Prepare(Fn(code), Components(u));
        At(u);
        s.Dist0 = 1;
        s.J0 = 1;
        s.Choices.RbtnPrec1Checked = true;
        s.Choices.RbtnPrec2Checked = false;
    }
    void Search(Real h) { GoldenSectionSearch(s, s.FunctionCode, s.U, s.GradJ, h); }
    void ExpectFailure(Real h, const MyArray1& d) {
        const MyArray1 before = s.U;
        EXPECT_EQ(ErrorOf<EBadError>([&] { GoldenSectionSearch(s, s.FunctionCode, s.U, d, h); }),
                  "Minimization step-size is 0 or infinity (Golden sections line search).");
        EXPECT_EQ(s.Step, 0);
        EXPECT_EQ(s.U, before);
    }
};

TEST_F(GoldenSectionTest, ReductionStopsAfterHundredRounds) {
    Setup(6, V({1, 0}));
    s.Eps = 0;  // never reached
    // L = 3 lands at J = 4 > 1: no bracketing round.
    Search(3);
    EXPECT_EQ(s.EvalCount, 1 + 2 + 99);
    EXPECT_NEAR(double(s.U[1]), 0.0, 1e-15);
}

TEST_F(GoldenSectionTest, RelativeChangeOfJStopsTheReduction) {
    Setup(6, V({1, 0}));
    s.Choices.RbtnPrec1Checked = false;
    s.Choices.RbtnPrec2Checked = true;
    s.Eps = 0.5L;
    // Bracket [u1 = 1, u1 = -2]: after round 1 it is [1, -0.854] with
    // J = 1 and 0.729 at its ends, a change 0.27 < 0.5.
    Search(3);
    EXPECT_EQ(s.EvalCount, 1 + 2);
    // With J(u°) = 0 the value is never below Eps: all 100 rounds run.
    Setup(6, V({1, 0}));
    s.Choices.RbtnPrec1Checked = false;
    s.J0 = 0;
    s.Eps = 0.5L;
    Search(3);
    EXPECT_EQ(s.EvalCount, 1 + 2 + 99);
}

TEST_F(GoldenSectionTest, ZeroOrUndefinedSlopeFailsWithoutEvaluating) {
    Setup(6, V({1, 0}));
    ExpectFailure(1, V({0, 1}));  // gradJ.d = 0
    ExpectFailure(1, V({-1, 0}));  // -d is an ascent direction
    ExpectFailure(1, V({std::nanl(""), 0}));
    EXPECT_EQ(s.EvalCount, 0);
}

TEST_F(GoldenSectionTest, UnboundedDirectionFailsAfterThousandRounds) {
    // Saddle 5 u1^2 - u2^2 + 1 from (0, 1): along -g = (0, 2) J falls forever.
    Setup(4, V({0, 1}));
    ExpectFailure(1, s.GradJ);
    EXPECT_EQ(s.EvalCount, 1 + 1000);
}

TEST_F(GoldenSectionTest, MovesAgainstTheGivenDirectionOnlyAndLeavesJ) {
    Setup(6, V({1, 1}));
    s.Eps = 1e-6L;
    GoldenSectionSearch(s, s.FunctionCode, s.U, V({1, 0}), 0.5L);
    EXPECT_NEAR(double(s.U[1]), 0.0, 1e-5);
    EXPECT_EQ(s.U[2], 1);
    EXPECT_EQ(s.JCur, 3);  // the search does not evaluate at its result
}

} // namespace
} // namespace tarvik
