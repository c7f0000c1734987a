#pragma once
// What a convergence plot shows of one run or of several compared runs,
// taken from their trace rows: J - J* (or J), ||gradJ|| or the accuracy
// against iterations or evaluations. The chart itself is drawn with Qt
// Charts (chart/), which this needs nothing of.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/run_trace.h"
#include "core/numeric.h"

namespace tarvik {

struct RunState;

enum class PlotQuantity { J, GradNorm, Accuracy };
enum class PlotAxis { Iterations, Evaluations };

struct ConvergenceSeries {
    std::string label;
    // The colour of the run's path in the compare figure
    // (figure/compare_overlay.h); -1 for the single run's trajectory colour.
    int colourIndex = -1;
    std::vector<std::pair<double, double>> points;   // (x, y)
};

struct ConvergencePlot {
    std::string title, xTitle, yTitle;
    // False where the values are not all positive (J of a function without
    // a known minimum may fall below zero): the scale is then linear.
    bool logarithmic = true;
    std::vector<ConvergenceSeries> series;
};

// J*, the value at the known minimum u*, where the problem has one: J at
// u* evaluated once by an objective of its own (so the run's counts stay as
// they are). Nothing where u* is not known or J cannot be evaluated there.
// Reads s.UStar, which a run keeps from its preparation to its end.
std::optional<Real> KnownMinimumValue(const RunState& s);

// Builds a plot series by series. Rows are thinned to at most MaxPoints per
// series, keeping in every stretch its lowest and its highest value (a log
// scale shows spikes), and the last row always.
class ConvergencePlotBuilder {
public:
    static constexpr std::size_t MaxPoints = 4000;

    // accuracyMode: the runs' criterion (1 distance to u*, 2 change of J),
    // which the accuracy's axis title names.
    ConvergencePlotBuilder(PlotQuantity quantity, PlotAxis axis, std::optional<Real> jStar, int accuracyMode,
                           std::string title);
    void Add(std::string label, int colourIndex, const std::vector<TraceRow>& rows);
    void Add(std::string label, int colourIndex, const RunTrace& trace);
    // The plot: values a log scale cannot show (zero, below zero, beyond
    // double's range) are left out of it, unless the scale is linear.
    ConvergencePlot Plot() const;

private:
    struct RawSeries {
        std::string label;
        int colourIndex;
        std::vector<std::pair<double, double>> points;
    };
    std::pair<double, double> PointOf(const TraceRow& row) const;

    PlotQuantity quantity_;
    PlotAxis axis_;
    std::optional<Real> jStar_;
    int accuracyMode_;
    std::string title_;
    std::vector<RawSeries> series_;
};

} // namespace tarvik
