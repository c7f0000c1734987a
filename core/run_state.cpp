#include "core/run_state.h"

#include <stdexcept>

#include "core/progress.h"

namespace tarvik {

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

} // namespace tarvik
