#include "figure/plane_levels.h"

#include <cmath>
#include <string>

#include "core/formula_ranges.h"
#include "core/function_catalogue.h"

namespace tarvik {

// The figure's evaluations show in the status bar as the run's do, and
// touch nothing else of the run.
class PlaneLevels::Events final : public ObjectiveEvents {
public:
    explicit Events(EngineHost& host) : ObjectiveEvents(host.ShowsStatus()), host_(host) {}
    void Status(const std::string& text) override { host_.SetStatus(text); }
    void StopPoint() override {}
    void ZeroGradient() override {}

private:
    EngineHost& host_;
};

PlaneLevels::PlaneLevels(const RunState& s, FigureSize area)
    : events_(std::make_unique<Events>(*s.Host)),
      plane_(Traits(s.FunctionCode), 2, s.Params, &s.Quad, &s.Typed),
      quadC_(0),
      area_(area),
      values_(area.width, area.height),
      u_(NewVector(2)) {
    plane_.SetName(s.FunctionName);
    plane_.SetEvents(events_.get());
    if (plane_.Function().fromFiles) quadC_ = s.Quad.QuadC;
}

PlaneLevels::~PlaneLevels() = default;

Real PlaneLevels::Step(const PlaneFrame& frame) {
    // The half taken in integers.
    u_[1] = static_cast<Real>((-frame.range) / 2);
    u_[2] = 0;
    return LevelStepFor(plane_.Value(u_), quadC_, Function());
}

void PlaneLevels::Scan(CrossingTable& table, const PlaneFrame& frame, double level) {
    const double h = static_cast<double>(static_cast<Real>(2 * frame.range) / static_cast<Real>(frame.side));
    const Real hReal = h;
    // The plane's half-extent along each side of the area the square is
    // centred in: R where the square spans it (exactly, as R * side / side).
    const Real range = frame.range;
    const Real halfX = range * static_cast<Real>(area_.width) / static_cast<Real>(frame.side);
    const Real halfY = range * static_cast<Real>(area_.height) / static_cast<Real>(frame.side);
    const Real levelReal = level;
    ScanCrossings(table, [&](int c, int r) -> Real {
        return values_.At(c, r, [&] {
            u_[1] = static_cast<Real>(c) * hReal - halfX;
            u_[2] = halfY - static_cast<Real>(r) * hReal;
            return plane_.Value(u_);
        }) - levelReal;
    });
}

bool PlaneLevels::OnThePlane(const RunState& s) {
    if (!Traits(s.FunctionCode).typed) return true;
    return s.Typed.Given() && !CheckFormulaRanges(s.Typed.formula, 2);
}

void PlaneLevels::ScanAll(const RunState& s, FigureSize area, const PlaneFrame& frame) {
    if (!OnThePlane(s)) return;
    PlaneLevels levels(s, area);
    const Real step = levels.Step(frame);
    CrossingTable table(area.width, area.height);
    for (int k = 1; k <= LevelCount; ++k) levels.Scan(table, frame, LevelValue(levels.QuadC(), step, k));
}

} // namespace tarvik
