// The convergence chart: a line per run in its path's colour over a log
// (or, for J below zero, linear) scale, saved as a PNG and an SVG that open.
#include <QSvgRenderer>
#include <QtCharts/QChart>
#include <QtCharts/QLineSeries>
#include <QtCharts/QLogValueAxis>
#include <gtest/gtest.h>

#include <memory>

#include "chart/convergence_chart.h"
#include "figure/compare_overlay.h"
#include "figure/figure_colours.h"
#include "temp_folder.h"

namespace tarvik {
namespace {

class ConvergenceChart : public testing::TempFolderTest {};

TEST_F(ConvergenceChart, DrawsEveryRunInItsPathsColourAndSavesPngAndSvg) {
    for (const bool logarithmic : {true, false}) {
        const ConvergencePlot plot{"Rosenbrock (n=2)", "iteration", "J \u2212 J*", logarithmic,
                                   {{"single", -1, {{0, 24.2}, {1, 4.3}, {2, 1e-9}}},
                                    {"first", 0, {{0, 24.2}, {1, 0.5}}},
                                    {"tenth", 9, {{0, 24.2}, {30, 1e-30}}}}};
        const std::unique_ptr<QChart> chart(BuildConvergenceChart(plot));
        const auto series = chart->series();
        ASSERT_EQ(series.size(), 3);
        const QColor colours[] = {QColor(ToQRgb(clTrajectory)), QColor(ComparePathColour(0)), QColor(ComparePathColour(9))};
        for (int i = 0; i < 3; ++i) {
            const QPen pen = qobject_cast<QLineSeries*>(series[i])->pen();
            EXPECT_EQ(pen.color(), colours[i]);
            // Past the palette a path is dashed, and so is its line.
            EXPECT_EQ(pen.style(), i == 2 ? Qt::DashLine : Qt::SolidLine);
        }
        const auto vertical = chart->axes(Qt::Vertical);
        ASSERT_EQ(vertical.size(), 1);
        EXPECT_EQ(vertical[0]->titleText(), QString::fromStdString(plot.yTitle));
        auto* log = qobject_cast<QLogValueAxis*>(vertical[0]);
        ASSERT_EQ(log != nullptr, logarithmic);
        // 1e-30 .. 1e2: 32 decades, a label at every fourth.
        EXPECT_EQ(log ? log->base() : 1e4, 1e4);

        const std::string png = (dir_ / "plot.png").string(), svg = (dir_ / "plot.svg").string();
        SaveConvergencePlot(plot, png, 'p');
        SaveConvergencePlot(plot, svg, 's');
        const QImage image(QString::fromStdString(png));
        EXPECT_EQ(image.size(), ConvergencePlotSize);
        int first = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) first += image.pixel(x, y) == ComparePathColour(0);
        EXPECT_GT(first, 20) << "the first run's line in its colour";
        const QSvgRenderer renderer(QString::fromStdString(svg));
        EXPECT_TRUE(renderer.isValid());
        EXPECT_EQ(renderer.viewBox(), QRect(QPoint(0, 0), ConvergencePlotSize));
    }
}

} // namespace
} // namespace tarvik
