// The convergence chart: a line per run in its path's colour over a log
// (or, for J below zero, linear) scale, saved as a PNG and an SVG that open.
#include <QSvgRenderer>
#include <QtCharts/QChart>
#include <QtCharts/QLineSeries>
#include <QtCharts/QLogValueAxis>
#include <QtCharts/QValueAxis>
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
        ConvergencePlot plot;
        plot.title = "Rosenbrock (n=2)";
        plot.xTitle = "iteration";
        plot.yTitle = "J \u2212 J*";
        plot.logarithmic = logarithmic;
        plot.series = {{"single", -1, {{0, 24.2}, {1, 4.3}, {2, 1e-9}}},
                       {"first", 0, {{0, 24.2}, {1, 0.5}}},
                       {"tenth", 9, {{0, 24.2}, {30, 1e-30}}}};
        const std::unique_ptr<QChart> chart(BuildConvergenceChart(plot));
        EXPECT_EQ(chart->title(), QString::fromStdString(plot.title));
        const auto series = chart->series();
        ASSERT_EQ(series.size(), 3);
        const QColor colours[] = {QColor(ToQRgb(clTrajectory)), QColor(ComparePathColour(0)), QColor(ComparePathColour(9))};
        for (int i = 0; i < 3; ++i) {
            auto* line = qobject_cast<QLineSeries*>(series[i]);
            ASSERT_NE(line, nullptr);
            EXPECT_EQ(line->pen().color(), colours[i]);
            EXPECT_EQ(line->count(), static_cast<int>(plot.series[static_cast<std::size_t>(i)].points.size()));
        }
        // Past the palette the path is dashed, and so is its line.
        EXPECT_EQ(qobject_cast<QLineSeries*>(series[2])->pen().style(), Qt::DashLine);
        const auto vertical = chart->axes(Qt::Vertical);
        ASSERT_EQ(vertical.size(), 1);
        EXPECT_EQ(vertical[0]->titleText(), QString::fromStdString(plot.yTitle));
        if (logarithmic) {
            auto* log = qobject_cast<QLogValueAxis*>(vertical[0]);
            ASSERT_NE(log, nullptr);
            // 1e-30 .. 1e2: 32 decades, a label every fourth.
            EXPECT_EQ(log->base(), 1e4);
            EXPECT_LE(log->min(), 1e-30);
            EXPECT_GE(log->max(), 24.2);
        } else {
            EXPECT_NE(qobject_cast<QValueAxis*>(vertical[0]), nullptr);
        }

        const std::string png = (dir_ / "plot.png").string(), svg = (dir_ / "plot.svg").string();
        SaveConvergencePlot(plot, png, 'p');
        SaveConvergencePlot(plot, svg, 's');
        const QImage image(QString::fromStdString(png));
        EXPECT_EQ(image.size(), ConvergencePlotSize);
        // The first run's line is drawn in its colour.
        int first = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) first += image.pixel(x, y) == ComparePathColour(0);
        EXPECT_GT(first, 20);
        QSvgRenderer renderer(QString::fromStdString(svg));
        EXPECT_TRUE(renderer.isValid());
        EXPECT_EQ(renderer.viewBox(), QRect(QPoint(0, 0), ConvergencePlotSize));
        EXPECT_NE(testing::ReadBytes(svg).find("Rosenbrock (n=2)"), std::string::npos);
    }
}

} // namespace
} // namespace tarvik
