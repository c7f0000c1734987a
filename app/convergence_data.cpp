#include "app/convergence_data.h"

#include <cmath>
#include <exception>

#include "core/function_catalogue.h"
#include "core/objective.h"
#include "core/run_state.h"

namespace tarvik {

std::optional<Real> KnownMinimumValue(const RunState& s) {
    if (!UStarKnown(s) || s.UStar.size() != static_cast<std::size_t>(s.N) + 1) return std::nullopt;
    try {
        Objective objective(Traits(s.FunctionCode), s.N, s.Params, &s.Quad, &s.Typed);
        const Real value = objective.Value(s.UStar);
        if (std::isfinite(value)) return value;
    } catch (const std::exception&) {
        // J failing at u* leaves the plot with J itself.
    }
    return std::nullopt;
}

namespace {

// Thins a stream of points of known length to about `limit`: each stretch
// gives its lowest and its highest point, in their order; the last point
// always stays.
class Thinner {
public:
    Thinner(int64_t count, std::size_t limit, std::vector<std::pair<double, double>>& out)
        : stretch_(count > static_cast<int64_t>(limit) ? (count + static_cast<int64_t>(limit / 2) - 1) /
                                                              static_cast<int64_t>(limit / 2)
                                                        : 1),
          out_(out) {}
    void Push(std::pair<double, double> p) {
        if (stretch_ == 1) {
            out_.push_back(p);
            return;
        }
        if (taken_ == 0 || Less(p, low_)) low_ = p;
        if (taken_ == 0 || Less(high_, p)) high_ = p;
        last_ = p;
        if (++taken_ == stretch_) Flush();
    }
    void Finish() {
        if (taken_ > 0) Flush();
        if (stretch_ > 1 && (out_.empty() || out_.back() != last_)) out_.push_back(last_);
    }

private:
    // NaN sorts below everything, so that a stretch keeps a real value.
    static bool Less(std::pair<double, double> a, std::pair<double, double> b) {
        return std::isnan(a.second) ? !std::isnan(b.second) : a.second < b.second;
    }
    void Flush() {
        const bool lowFirst = low_.first <= high_.first;
        out_.push_back(lowFirst ? low_ : high_);
        if (low_ != high_) out_.push_back(lowFirst ? high_ : low_);
        taken_ = 0;
    }

    int64_t stretch_;
    int64_t taken_ = 0;
    std::pair<double, double> low_{}, high_{}, last_{};
    std::vector<std::pair<double, double>>& out_;
};

} // namespace

ConvergencePlotBuilder::ConvergencePlotBuilder(PlotQuantity quantity, PlotAxis axis, std::optional<Real> jStar,
                                               int accuracyMode, std::string title)
    : quantity_(quantity), axis_(axis), jStar_(jStar), accuracyMode_(accuracyMode), title_(std::move(title)) {}

std::pair<double, double> ConvergencePlotBuilder::PointOf(const TraceRow& row) const {
    const double x = axis_ == PlotAxis::Iterations ? static_cast<double>(row.iteration) : static_cast<double>(row.evaluations);
    Real y = 0;
    switch (quantity_) {
    case PlotQuantity::J: y = jStar_ ? row.j - *jStar_ : row.j; break;
    case PlotQuantity::GradNorm: y = row.gradNorm; break;
    case PlotQuantity::Accuracy: y = row.accuracy; break;
    }
    return {x, static_cast<double>(y)};
}

void ConvergencePlotBuilder::Add(std::string label, int colourIndex, const std::vector<TraceRow>& rows) {
    RawSeries series{std::move(label), colourIndex, {}};
    Thinner thinner(static_cast<int64_t>(rows.size()), MaxPoints, series.points);
    for (const TraceRow& row : rows) thinner.Push(PointOf(row));
    thinner.Finish();
    series_.push_back(std::move(series));
}

void ConvergencePlotBuilder::Add(std::string label, int colourIndex, const RunTrace& trace) {
    RawSeries series{std::move(label), colourIndex, {}};
    Thinner thinner(trace.RowCount(), MaxPoints, series.points);
    trace.ForEachRow([&](const TraceRow& row) { thinner.Push(PointOf(row)); });
    thinner.Finish();
    series_.push_back(std::move(series));
}

ConvergencePlot ConvergencePlotBuilder::Plot() const {
    ConvergencePlot plot;
    plot.title = title_;
    plot.xTitle = axis_ == PlotAxis::Iterations ? "iteration" : "evaluations of J and gradJ";
    switch (quantity_) {
    case PlotQuantity::J: plot.yTitle = jStar_ ? "J \u2212 J*" : "J (J* not known)"; break;
    case PlotQuantity::GradNorm: plot.yTitle = "||gradJ||"; break;
    case PlotQuantity::Accuracy:
        plot.yTitle = accuracyMode_ == 1 ? "accuracy ||u\u2212u*|| / ||u\u00B0\u2212u*||"
                                         : "accuracy |J(u') \u2212 J(u'')| / J(u\u00B0)";
        break;
    }
    // Only J without J* may rightly fall to zero or below; elsewhere such a
    // value is the minimum reached to the last digit, which a log scale
    // leaves out.
    if (quantity_ == PlotQuantity::J && !jStar_)
        for (const RawSeries& s : series_)
            for (const auto& p : s.points)
                if (std::isfinite(p.second) && p.second <= 0) plot.logarithmic = false;
    if (!plot.logarithmic) plot.yTitle += ", linear scale: J is not positive everywhere";
    for (const RawSeries& s : series_) {
        ConvergenceSeries out{s.label, s.colourIndex, {}};
        for (const auto& p : s.points)
            if (std::isfinite(p.second) && (!plot.logarithmic || p.second > 0)) out.points.push_back(p);
        plot.series.push_back(std::move(out));
    }
    return plot;
}

} // namespace tarvik
