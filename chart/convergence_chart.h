#pragma once
// The convergence plot (app/convergence_data.h) as a Qt Charts chart: one
// line per run in the colour of its path in the compare figure (the single
// run's in the trajectory's green), a log scale with its decades and the
// steps between them, a legend and the axes' titles. The window shows the
// chart in a view of its own; the batch mode saves it as PNG or SVG.
// Qt Charts needs a QApplication, not only a QGuiApplication.
#include <QSize>
#include <memory>
#include <string>

#include "app/batch_mode.h"
#include "app/convergence_data.h"

QT_BEGIN_NAMESPACE
class QChart;
QT_END_NAMESPACE

namespace tarvik {

inline constexpr QSize ConvergencePlotSize{960, 560};

// A new chart of the plot, owned by the caller (a QChartView takes it).
QChart* BuildConvergenceChart(const ConvergencePlot& plot);

// Writes the plot at `size` as PNG ('p') or SVG ('s'), replacing the file as
// a whole ("-": the standard output); throws std::runtime_error naming the
// file and the reason when it cannot.
void SaveConvergencePlot(const ConvergencePlot& plot, const std::string& path, char type,
                         QSize size = ConvergencePlotSize);

// The batch mode's plotter: SaveConvergencePlot at the default size.
std::unique_ptr<BatchPlotter> MakeChartPlotter();

} // namespace tarvik
