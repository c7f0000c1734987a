#include "core/golden_section.h"

#include <cmath>

#include "run_state_fixture.h"

namespace tarvik {
namespace {

using testing::V;

// J = u1^2 + 2 u2^2 from (1, 0) along -g = (-2, 0): a one-dimensional
// parabola (1 - L)^2 in the length L of the move.
struct GoldenSectionTest : testing::RunStateTest {
    GoldenOptions o{0, true, 0.01L, 1, 1};

    void Setup(FunctionId function, const MyArray1& u) {
        Prepare(function, Components(u));
        At(u);
    }
    StepResult Search(Real h, const MyArray1& d) {
        o.firstMove = h;
        return GoldenSectionSearch(*s.Problem, o, s.GradJ, d, s.U, s.JCur);
    }
    StepResult Search(Real h) { return Search(h, s.GradJ); }
    void ExpectFailure(Real h, const MyArray1& d, StepEnd end) {
        const MyArray1 before = s.U;
        EXPECT_EQ(Search(h, d).end, end);
        EXPECT_EQ(s.U, before);
    }
};

TEST_F(GoldenSectionTest, ReductionStopsAfterHundredRounds) {
    Setup(FunctionId::AxisEllipsoid, V({1, 0}));
    o.eps = 0;  // never reached
    // L = 3 lands at J = 4 > 1: no bracketing round.
    EXPECT_EQ(Search(3).end, StepEnd::Moved);
    EXPECT_EQ(Evaluations(), 1 + 2 + 99);
    EXPECT_NEAR(double(s.U[1]), 0.0, 1e-15);
}

TEST_F(GoldenSectionTest, RelativeChangeOfJStopsTheReduction) {
    Setup(FunctionId::AxisEllipsoid, V({1, 0}));
    o.relativeDistance = false;
    o.eps = 0.5L;
    // Bracket [u1 = 1, u1 = -2]: after round 1 it is [1, -0.854] with
    // J = 1 and 0.729 at its ends, a change 0.27 < 0.5.
    Search(3);
    EXPECT_EQ(Evaluations(), 1 + 2);
    // With J(u°) = 0 the value is never below Eps: all 100 rounds run.
    Setup(FunctionId::AxisEllipsoid, V({1, 0}));
    o.j0 = 0;
    Search(3);
    EXPECT_EQ(Evaluations(), 1 + 2 + 99);
}

TEST_F(GoldenSectionTest, ZeroOrUndefinedSlopeFailsWithoutEvaluating) {
    Setup(FunctionId::AxisEllipsoid, V({1, 0}));
    ExpectFailure(1, V({0, 1}), StepEnd::NotDescent);  // gradJ.d = 0
    ExpectFailure(1, V({-1, 0}), StepEnd::NotDescent);  // -d is an ascent direction
    ExpectFailure(1, V({std::nanl(""), 0}), StepEnd::NotDescent);
    EXPECT_EQ(Evaluations(), 0);
}

TEST_F(GoldenSectionTest, UnboundedDirectionFailsAfterThousandRounds) {
    // Saddle 5 u1^2 - u2^2 + 1 from (0, 1): along -g = (0, 2) J falls forever.
    Setup(FunctionId::Saddle, V({0, 1}));
    ExpectFailure(1, s.GradJ, StepEnd::NoBracket);
    EXPECT_EQ(Evaluations(), 1 + 1000);
}

TEST_F(GoldenSectionTest, MovesAgainstTheGivenDirectionOnlyAndLeavesJ) {
    Setup(FunctionId::AxisEllipsoid, V({1, 1}));
    o.eps = 1e-6L;
    Search(0.5L, V({1, 0}));
    EXPECT_NEAR(double(s.U[1]), 0.0, 1e-5);
    EXPECT_EQ(s.U[2], 1);
    EXPECT_EQ(s.JCur, 3);  // the search does not evaluate at its result
}

} // namespace
} // namespace tarvik
