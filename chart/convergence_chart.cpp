#include "chart/convergence_chart.h"

#include <QBuffer>
#include <QByteArray>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <QtCharts/QChart>
#include <QtCharts/QLegend>
#include <QtCharts/QLineSeries>
#include <QtCharts/QLogValueAxis>
#include <QtCharts/QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "figure/compare_overlay.h"
#include "figure/figure_colours.h"
#include "figure/image_export.h"

namespace tarvik {

namespace {

// Points stand apart on an axis this short: they show, so that a run of one
// or two iterations is not an invisible line.
constexpr double kShowPointsUpTo = 60;
constexpr std::size_t kLegendBelowUpTo = 3;
// Labels the log scale has room for: beyond this many decades, a label
// marks every second, third, ... decade.
constexpr int kMostLabels = 10;

QPen SeriesPen(int colourIndex) {
    QPen pen(colourIndex < 0 ? QColor(ToQRgb(clTrajectory)) : QColor(ComparePathColour(colourIndex)));
    pen.setWidth(2);
    if (colourIndex >= ComparePaletteSize()) pen.setStyle(Qt::DashLine);
    return pen;
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

} // namespace

QChart* BuildConvergenceChart(const ConvergencePlot& plot) {
    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setTitle(Q(plot.title));
    // A few runs fit under the plot; more need a column each their own line.
    chart->legend()->setAlignment(plot.series.size() > kLegendBelowUpTo ? Qt::AlignRight : Qt::AlignBottom);

    double xMin = std::numeric_limits<double>::infinity(), xMax = -xMin, yMin = xMin, yMax = -xMin;
    for (const ConvergenceSeries& s : plot.series)
        for (const auto& [x, y] : s.points) {
            xMin = std::min(xMin, x);
            xMax = std::max(xMax, x);
            yMin = std::min(yMin, y);
            yMax = std::max(yMax, y);
        }
    if (!(xMin <= xMax)) xMin = 0, xMax = 1;
    if (!(yMin <= yMax)) yMin = plot.logarithmic ? 1e-3 : 0, yMax = 1;
    if (xMin == xMax) xMax = xMin + 1;

    auto* xAxis = new QValueAxis;
    xAxis->setTitleText(Q(plot.xTitle));
    xAxis->setLabelFormat(QStringLiteral("%.0f"));
    xAxis->setRange(xMin, xMax);
    xAxis->applyNiceNumbers();
    chart->addAxis(xAxis, Qt::AlignBottom);

    QAbstractAxis* yAxis = nullptr;
    if (plot.logarithmic) {
        // Whole decades around the values; a label every `step` decades, a
        // minor line at every decade between (or at 2..9 when step is 1).
        auto* log = new QLogValueAxis;
        int lowDecade = static_cast<int>(std::floor(std::log10(yMin)));
        int highDecade = static_cast<int>(std::ceil(std::log10(yMax)));
        // Within double's normal range, where powers of ten are exact enough.
        lowDecade = std::max(lowDecade, -300);
        highDecade = std::min(highDecade, 300);
        if (highDecade <= lowDecade) highDecade = lowDecade + 1;
        const int step = (highDecade - lowDecade + kMostLabels - 1) / kMostLabels;
        lowDecade = static_cast<int>(std::floor(static_cast<double>(lowDecade) / step)) * step;
        highDecade = static_cast<int>(std::ceil(static_cast<double>(highDecade) / step)) * step;
        if (lowDecade < -300) lowDecade += step;
        if (highDecade > 300) highDecade -= step;
        log->setBase(std::pow(10.0, step));
        log->setLabelFormat(QStringLiteral("%.0e"));
        // A hair wider, so that rounding in the axis's own logarithms never
        // drops the labels at the ends.
        log->setRange(std::pow(10.0, lowDecade) * (1 - 1e-9), std::pow(10.0, highDecade) * (1 + 1e-9));
        log->setMinorTickCount(step == 1 ? 8 : step - 1);
        yAxis = log;
    } else {
        auto* linear = new QValueAxis;
        linear->setRange(yMin, yMax == yMin ? yMin + 1 : yMax);
        linear->applyNiceNumbers();
        yAxis = linear;
    }
    yAxis->setTitleText(Q(plot.yTitle));
    chart->addAxis(yAxis, Qt::AlignLeft);

    for (const ConvergenceSeries& s : plot.series) {
        auto* series = new QLineSeries;
        series->setName(Q(s.label));
        series->setPen(SeriesPen(s.colourIndex));
        QList<QPointF> points;
        points.reserve(static_cast<qsizetype>(s.points.size()));
        for (const auto& [x, y] : s.points) points.append(QPointF(x, y));
        series->replace(points);
        series->setPointsVisible(xMax - xMin <= kShowPointsUpTo);
        chart->addSeries(series);
        series->attachAxis(xAxis);
        series->attachAxis(yAxis);
    }
    return chart;
}

void SaveConvergencePlot(const ConvergencePlot& plot, const std::string& path, char type, QSize size) {
    QGraphicsScene scene;
    QChart* chart = BuildConvergenceChart(plot);
    scene.addItem(chart);   // the scene owns it from here
    chart->setGeometry(0, 0, size.width(), size.height());
    const QRectF area(0, 0, size.width(), size.height());

    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (type == 's') {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        // A CSS pixel per pixel: a browser shows it at the PNG's size.
        svg.setResolution(96);
        svg.setViewBox(area);
        svg.setTitle(Q(plot.title));
        QPainter painter(&svg);
        painter.fillRect(area, Qt::white);
        scene.render(&painter, area, area);
        painter.end();
        WriteImageFile(path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), "SVG");
        return;
    }
    if (type != 'p') throw std::invalid_argument("unknown plot type");
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, true);
        scene.render(&painter, area, area);
    }
    if (!image.save(&buffer, "PNG"))
        throw std::runtime_error("Cannot write PNG file \"" + path + "\": the picture could not be encoded");
    WriteImageFile(path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), "PNG");
}

namespace {

class ChartPlotter : public BatchPlotter {
public:
    void Save(const ConvergencePlot& plot, const std::string& path, char type) override {
        SaveConvergencePlot(plot, path, type);
    }
};

} // namespace

std::unique_ptr<BatchPlotter> MakeChartPlotter() { return std::make_unique<ChartPlotter>(); }

} // namespace tarvik
