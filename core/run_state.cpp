#include "core/run_state.h"

#include <stdexcept>

#include "core/function_catalogue.h"
#include "core/progress.h"

namespace tarvik {

RunObjectiveEvents::RunObjectiveEvents(RunState& s) : ObjectiveEvents(s.Host->ShowsStatus()), s_(s) {}

void RunObjectiveEvents::Status(const std::string& text) { s_.SetStatus(text); }

void RunObjectiveEvents::StopPoint() { tarvik::StopPoint(s_); }

void RunObjectiveEvents::ZeroGradient() { s_.ContinueRun = 0; }

void BuildRunObjective(RunState& s) {
    s.Problem.emplace(Traits(s.FunctionCode), s.N, s.Params, &s.Quad, &s.Typed);
    s.Problem->SetName(s.FunctionName);
    s.Problem->SetEvents(&s.Events);
}

Objective& RunObjective(RunState& s) {
    if (!s.Problem) throw std::logic_error("RunObjective: the run has no objective before preparation");
    return *s.Problem;
}

bool UStarKnown(const RunState& s) {
    const FunctionTraits& f = Traits(s.FunctionCode);
    if (f.minimum == KnownMinimum::Several || f.minimum == KnownMinimum::Unbounded) return false;
    if (f.minimum == KnownMinimum::Typed) return s.Typed.UStarKnown();
    return !(f.fromFiles && s.Choices.UStarUnknown());
}

} // namespace tarvik
