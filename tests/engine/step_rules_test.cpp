#include "app/step_rules.h"

#include <gtest/gtest.h>

#include <functional>

#include "core/errors.h"
#include "run_state_fixture.h"

namespace tarvik {
namespace {

using testing::V;
using StepRulesTest = testing::RunStateTest;

// A step rule that cannot move ends the run: the kernel's ending must come
// out as the run's zero Step and the message the user has always read.
TEST_F(StepRulesTest, FailuresZeroTheStepAndKeepTheirMessages) {
    struct Case {
        const char* message;
        std::function<void(RunState&)> step;
    };
    const Case cases[] = {
        {"Minimization step-size is 0 or infinity (constant step-size).",
         [](RunState& run) { run.GradJ = V({0, 7, 0}); RunConstantStep(run); }},
        {"Minimization step-size is 0 or infinity (Golden sections line search).",
         [](RunState& run) { RunGoldenSearch(run, V({0, 0, 1}), 1); }},
        {"Minimization direction is not a descent direction (Wolfe line search).",
         [](RunState& run) { RunWolfeSearch(run, V({0, 0, 1}), 1); }},
    };
    for (const Case& c : cases) {
        Prepare(FunctionId::AxisEllipsoid, 3);
        At(V({1, 0, 0}));
        s.Step = 1;
        EXPECT_EQ(testing::ErrorOf<EBadError>([&] { c.step(s); }), c.message);
        EXPECT_EQ(s.Step, 0) << c.message;
        EXPECT_EQ(s.U, V({1, 0, 0})) << c.message;
    }
}

} // namespace
} // namespace tarvik
