#include "app/step_rules.h"

#include <stdexcept>
#include <string>

#include "core/constant_step.h"
#include "core/errors.h"
#include "core/function_catalogue.h"
#include "core/golden_section.h"
#include "core/method_catalogue.h"
#include "core/objective.h"
#include "core/parameters.h"
#include "core/wolfe_search.h"

namespace tarvik {

namespace {

[[noreturn]] void UnexpectedEnd(const char* rule) {
    throw std::logic_error(std::string(rule) + ": an ending this step rule does not give");
}

} // namespace

Real RunConstantStep(RunState& s) {
    const ConstantStepOptions options{s.Params.ConstStepSize, s.IterCount == 0, s.Step};
    const StepResult result = ConstantStep(options, s.N, s.GradJ, s.U);
    switch (result.end) {
    case StepEnd::Moved:
        s.Step = result.step;
        return result.step;
    case StepEnd::InfiniteStep:
        s.Step = 0;
        throw EBadError(kConstantStepFailureText);
    case StepEnd::ZeroStep:
    case StepEnd::NotDescent:
    case StepEnd::NoBracket:
        break;
    }
    UnexpectedEnd("RunConstantStep");
}

Real RunGoldenSearch(RunState& s, const MyArray1& d, Real firstMove) {
    // A search that faults in an evaluation leaves the unit step behind.
    s.Step = 1;
    const GoldenOptions options{firstMove, s.Choices.ByDistance, s.Eps, s.Dist0, s.J0};
    const StepResult result = GoldenSectionSearch(RunObjective(s), options, s.GradJ, d, s.U, s.JCur);
    switch (result.end) {
    case StepEnd::Moved:
        return result.step;
    case StepEnd::NotDescent:
    case StepEnd::NoBracket:
        s.Step = 0;
        throw EBadError(kGoldenFailureText);
    case StepEnd::ZeroStep:
    case StepEnd::InfiniteStep:
        break;
    }
    UnexpectedEnd("RunGoldenSearch");
}

Real RunWolfeSearch(RunState& s, const MyArray1& d, Real alphaMax) {
    // The search hands J and the gradient of its new point over, so the
    // end of the iteration evaluates nothing again, also after a failure.
    s.SkipReevaluation = 1;
    WolfeOptions options{};
    options.c1 = WolfeC1;
    options.c2 = s.Params.WolfeC2;
    options.alphaMax = alphaMax;
    options.firstTrial = s.IterCount != 0                               ? WolfeFirstTrial::FromLastDecrease
                         : Traits(s.MethodCode).wolfeFirstTrialFifth ? WolfeFirstTrial::FifthOfMax
                                                                      : WolfeFirstTrial::UnitOrMax;
    options.previousJ = s.JPrev;
    options.interpolation = s.Params.WolfeInterpolation == 0   ? WolfeInterpolation::Quadratic
                            : s.Params.WolfeInterpolation == 1 ? WolfeInterpolation::Cubic
                                                               : WolfeInterpolation::Midpoint;
    options.descentCheckWaived = Traits(s.FunctionCode).descentCheckWaived;

    Objective& objective = RunObjective(s);
    const Real jBefore = s.JCur;
    const Real gradNormBefore = s.GradNorm;
    const StepResult result = WolfeSearch(objective, options, d, s.U, s.GradJ, s.JCur, s.GradNorm, s.GradJPrev);
    switch (result.end) {
    case StepEnd::Moved:
        // The run's Step is not the length of this move; it keeps its value.
        s.JPrev = jBefore;
        s.GradNormPrev = gradNormBefore;
        return result.step;
    case StepEnd::ZeroStep:
        s.Step = 0;
        return 0;
    case StepEnd::NotDescent:
        s.Step = 0;
        throw EBadError(kWolfeNotDescentText);
    case StepEnd::NoBracket:
    case StepEnd::InfiniteStep:
        break;
    }
    UnexpectedEnd("RunWolfeSearch");
}

} // namespace tarvik
