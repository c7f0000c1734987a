#include "core/constant_step.h"

#include <gtest/gtest.h>

#include "run_state_fixture.h"

namespace tarvik {
namespace {

using testing::V;

TEST(ConstantStepTest, ScalesByFirstAndLastGradientComponentOnce) {
    MyArray1 u = V({1, 1, 1});
    StepResult r = ConstantStep({0.3L, true, 1}, 3, V({3, 100, 4}), u);
    EXPECT_EQ(r.end, StepEnd::Moved);
    EXPECT_EQ(r.step, 0.3L / 5);
    EXPECT_EQ(u, V({1 - (0.3L / 5) * 3, 1 - (0.3L / 5) * 100, 1 - (0.3L / 5) * 4}));

    // Later iterations keep the step and use the current gradient.
    const Real u1 = u[1];
    r = ConstantStep({0.3L, false, 0.25L}, 3, V({1, 1, 1}), u);
    EXPECT_EQ(r.step, 0.25L);
    EXPECT_EQ(u[1], u1 - 0.25L);
}

TEST(ConstantStepTest, RefusesAnInfiniteStep) {
    MyArray1 u = V({1, 1, 1});
    EXPECT_EQ(ConstantStep({0.3L, true, 1}, 3, V({0, 7, 0}), u).end, StepEnd::InfiniteStep);
    EXPECT_EQ(u, V({1, 1, 1}));
}

} // namespace
} // namespace tarvik
