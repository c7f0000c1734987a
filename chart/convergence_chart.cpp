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

// A run this short shows its points as well, so that one or two iterations
// are not an invisible line.
constexpr std::size_t kShowPointsUpTo = 30;

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
    chart->legend()->setAlignment(Qt::AlignBottom);

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
        // Whole decades around the values, each decade with its steps.
        auto* log = new QLogValueAxis;
        log->setBase(10);
        log->setLabelFormat(QStringLiteral("%.0e"));
        double low = std::pow(10.0, std::floor(std::log10(yMin)));
        double high = std::pow(10.0, std::ceil(std::log10(yMax)));
        if (!(low > 0) || !std::isfinite(low)) low = std::numeric_limits<double>::min();
        if (!std::isfinite(high)) high = std::numeric_limits<double>::max();
        if (low >= high) high = low * 10;
        log->setRange(low, high);
        log->setMinorTickCount(8);
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
        series->setPointsVisible(s.points.size() <= kShowPointsUpTo);
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
