#include "core/wolfe_search.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "core/parameters.h"
#include "run_state_fixture.h"

namespace tarvik {
namespace {

struct WolfeSearchTest : testing::RunStateTest {
    WolfeOptions o{WolfeC1, 0.9L, 1, WolfeFirstTrial::UnitOrMax, 0, WolfeInterpolation::Quadratic, false};
    MyArray1 gPrev;

    void Setup(FunctionId function, const MyArray1& u) {
        Prepare(function, Components(u));
        At(u);
    }
    StepResult Search(const MyArray1& d, Real h) {
        o.alphaMax = h;
        return WolfeSearch(*s.Problem, o, d, s.U, s.GradJ, s.JCur, s.GradNorm, gPrev);
    }
    // Nothing of the entry point may change when the search does not move.
    void ExpectStays(const MyArray1& d, Real h, StepEnd end) {
        const MyArray1 u = s.U, g = s.GradJ;
        const Real j = s.JCur;
        EXPECT_EQ(Search(d, h).end, end);
        EXPECT_EQ(s.U, u);
        EXPECT_EQ(s.GradJ, g);
        EXPECT_EQ(s.JCur, j);
        EXPECT_EQ(Evaluations(), 0);
    }
};

TEST_F(WolfeSearchTest, QuadraticInterpolationOutsideTheIntervalFallsBackToMidpoint) {
    // Cubic 2 u1^3 + 4 u1^2 from u1 = -1.2 (g1 = -0.96) with alpha = 1.6:
    // u1 = 0.336 lies past the minimum (slope > 0) and J there is below the
    // tangent line, so the interpolating parabola opens downwards and its
    // vertex is at a negative alpha. The midpoint 0.8 (u1 = -0.432) is
    // tried instead; with c2 = 3 its slope is accepted. The steepest
    // descent passes the gradient as the direction too.
    Setup(FunctionId::CubicVarnel, testing::V({-1.2L, 0}));
    o.c2 = 3;
    o.firstTrial = WolfeFirstTrial::FifthOfMax;
    const MyArray1 entryGradient = s.GradJ;
    const StepResult r = Search(s.GradJ, 8);
    EXPECT_EQ(r.end, StepEnd::Moved);
    EXPECT_EQ(r.step, 0.8L);
    EXPECT_EQ(Evaluations(), 4);
    EXPECT_NEAR(double(s.U[1]), -1.2 + 0.8 * 0.96, 1e-15);
    EXPECT_EQ(s.U[2], 0);
    EXPECT_EQ(gPrev, entryGradient);
}

TEST_F(WolfeSearchTest, CubicInterpolationFaultEndsTheSearch) {
    // Himmelblau 28 may be searched along an ascent direction; there the
    // cubic through the two ends has no real extremum.
    Setup(FunctionId::Himmelblau28, testing::V({-5, 0}));
    o.descentCheckWaived = true;
    o.interpolation = WolfeInterpolation::Cubic;
    const MyArray1 ascent{0, -s.GradJ[1], -s.GradJ[2]};
    const MyArray1 u = s.U;
    EXPECT_EQ(testing::ErrorOf<EBadError>([&] { Search(ascent, 0.5L / s.GradNorm); }),
              "Error in Wolfe line search for cubic interpolation! You may try a quadratic interpolation.");
    EXPECT_EQ(s.U, u);
}

TEST_F(WolfeSearchTest, WaivedAscentIsSearchedAndZoomStopsAfterTenRounds) {
    // With dphi0 > 0 no trial can be flat enough, so the zoom runs its ten
    // rounds and accepts the last one.
    Setup(FunctionId::Himmelblau28, testing::V({-5, 0}));
    const MyArray1 ascent{0, -s.GradJ[1], -s.GradJ[2]};
    ExpectStays(ascent, 0.5L / s.GradNorm, StepEnd::NotDescent);
    o.descentCheckWaived = true;
    EXPECT_EQ(Search(ascent, 0.5L / s.GradNorm).end, StepEnd::Moved);
    EXPECT_EQ(Evaluations(), 2 + 10 * 2);
}

TEST_F(WolfeSearchTest, OrthogonalDirectionIsNotADescent) {
    Setup(FunctionId::AxisEllipsoid, testing::V({1, 0}));
    ExpectStays(MyArray1{0, 0, 1}, 1, StepEnd::NotDescent);  // slope exactly 0
}

TEST_F(WolfeSearchTest, ZeroFirstTrialSpendsNothing) {
    // After the first iteration with J unchanged since the previous one.
    Setup(FunctionId::AxisEllipsoid, testing::V({1, 0}));
    o.firstTrial = WolfeFirstTrial::FromLastDecrease;
    o.previousJ = s.JCur;
    ExpectStays(s.GradJ, 1, StepEnd::ZeroStep);
}

} // namespace
} // namespace tarvik
