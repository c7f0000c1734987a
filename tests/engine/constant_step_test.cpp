#include "core/constant_step.h"

#include "core/errors.h"
#include "run_state_fixture.h"

namespace tarvik {
namespace {

using testing::V;
using ConstantStepTest = testing::RunStateTest;

TEST_F(ConstantStepTest, ScalesByFirstAndLastGradientComponentOnce) {
    s.N = 3;
    s.U = V({1, 1, 1});
    s.GradJ = V({3, 100, 4});
    s.IterCount = 0;
    s.Params.ConstStepSize = 0.3L;
    ConstantStep(s);
    EXPECT_EQ(s.Step, 0.3L / 5);
    EXPECT_EQ(s.U, V({1 - (0.3L / 5) * 3, 1 - (0.3L / 5) * 100, 1 - (0.3L / 5) * 4}));

    // Later iterations keep the step and use the current gradient.
    s.IterCount = 1;
    s.GradJ = V({1, 1, 1});
    const Real u1 = s.U[1];
    ConstantStep(s);
    EXPECT_EQ(s.Step, 0.3L / 5);
    EXPECT_EQ(s.U[1], u1 - 0.3L / 5);
}

TEST_F(ConstantStepTest, RefusesAnInfiniteStep) {
    s.N = 3;
    s.U = V({1, 1, 1});
    s.GradJ = V({0, 7, 0});
    s.IterCount = 0;
    EXPECT_THROW(ConstantStep(s), EBadError);
    EXPECT_EQ(s.U, V({1, 1, 1}));
    EXPECT_EQ(s.Step, 0);
}

} // namespace
} // namespace tarvik
