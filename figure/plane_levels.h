#pragma once
// J on the plane {u1, u2, 0...} as the level lines scan it, without any
// painting: the figure draws each level from the table this fills, and a
// batch run that saves no picture scans the same points all the same,
// because J failing on the plane refuses the problem either way.
#include <memory>

#include "app/figure_frame.h"
#include "core/numeric.h"
#include "core/objective.h"
#include "core/run_state.h"
#include "figure/level_line_scan.h"

namespace tarvik {

class PlaneLevels {
public:
    // The function at n = 2 with the run's function parameters and, for
    // the quadratic from files, its matrix and vector cut to their first
    // two rows and columns; `area` is where the frame's square is centred.
    PlaneLevels(const RunState& s, FigureSize area);
    ~PlaneLevels();
    PlaneLevels(const PlaneLevels&) = delete;
    PlaneLevels& operator=(const PlaneLevels&) = delete;

    FunctionId Function() const { return plane_.Function().id; }
    // Only the quadratic from files has a constant of its own.
    Real QuadC() const { return quadC_; }
    // The step of the levels, from J at ((-R) div 2, 0) of the frame.
    Real Step(const PlaneFrame& frame);
    // The crossings of `level` over the grid of the frame, each grid
    // point's J evaluated once over all levels.
    void Scan(CrossingTable& table, const PlaneFrame& frame, double level);

    // Whether J has a function on the plane at n = 2: a typed formula that
    // names a coordinate beyond u2, or has a sum that needs more, has none,
    // and its plane no level lines.
    static bool OnThePlane(const RunState& s);

    // The figure's evaluations without the figure: the step, then the
    // five levels' scans, as the drawing does them.
    static void ScanAll(const RunState& s, FigureSize area, const PlaneFrame& frame);

private:
    class Events;
    std::unique_ptr<Events> events_;
    Objective plane_;
    Real quadC_;
    FigureSize area_;
    GridValues values_;
    MyArray1 u_;
};

} // namespace tarvik
