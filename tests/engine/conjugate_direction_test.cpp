#include "core/conjugate_direction.h"

#include <cmath>

#include "run_state_fixture.h"

namespace tarvik {
namespace {

using testing::V;

// One direction rule over a run of gradients in the plane.
struct Conjugate {
    ConjugateOptions options{ConjugateFormula::PolakRibiere, false, 0};
    ConjugateState state;
    MyArray1 g = V({0, 0}), gPrev = V({0, 0}), d = V({0, 0});
    Real dNorm = 0;
    Real Step(int k, Real g1, Real g2) {
        gPrev = g;
        g = V({g1, g2});
        options.iteration = k;
        ConjugateDirection(options, 2, g, gPrev, state, d, dNorm);
        return state.beta;
    }
};

TEST(ConjugateDirection, FirstIterationIsSteepestDescentForBothFormulas) {
    for (ConjugateFormula formula : {ConjugateFormula::PolakRibiere, ConjugateFormula::FletcherReeves}) {
        Conjugate c;
        c.options.formula = formula;
        c.d = V({7, -9});  // left over from an earlier run
        c.state.prevGradNorm2 = 123;
        EXPECT_EQ(c.Step(0, 3, 4), 0);
        EXPECT_EQ(c.d, c.g);
        EXPECT_EQ(c.dNorm, 5);
        EXPECT_EQ(c.state.prevGradNorm2, 25);
    }
}

TEST(ConjugateDirection, OrthogonalityRenewalWhenGradientsAreNotOrthogonal) {
    // |g.g_prev| / ||g_prev||^2 against 0.1, with g_prev = (1, 0).
    for (Real first : {0.1L, -0.1L, 0.0999L}) {
        Conjugate c;
        c.options = {ConjugateFormula::FletcherReeves, true, 0};
        c.Step(0, 1, 0);
        const Real beta = c.Step(1, first, 5);
        const bool renewed = fabsl(first) >= 0.1L;
        EXPECT_EQ(c.state.restart, renewed ? 0 : 1) << double(first);
        EXPECT_EQ(beta, renewed ? 0 : first * first + 25);
    }
    // The 3n rule does not apply with this renewal: k = 6 keeps beta for n = 2.
    Conjugate c;
    c.options = {ConjugateFormula::PolakRibiere, true, 0};
    c.Step(0, 1, 0);
    EXPECT_EQ(c.Step(6, 0, 1), 1);
    // Without it, k = 6 = 3n renews; Polak-Ribiere's numerator is g.(g - g_prev).
    c.options.orthogonalityRenewal = false;
    EXPECT_EQ(c.Step(6, 0, 2), 0);
    EXPECT_EQ(c.Step(7, 0, 4), 2);
}

TEST(ConjugateDirection, FallsBackToGradientWhenDirectionDoesNotDescend) {
    Conjugate c;
    c.options.formula = ConjugateFormula::FletcherReeves;
    c.Step(0, 1, 0);
    c.d[1] = -100;  // as if the previous direction pointed the other way
    // beta = 1, so d = (-100 + 1, 0) and g.d < 0.
    c.Step(1, 1, 0);
    EXPECT_EQ(c.d, V({1, 0}));
    EXPECT_EQ(c.dNorm, 1);
}

} // namespace
} // namespace tarvik
