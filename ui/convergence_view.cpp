#include "ui/convergence_view.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <cmath>
#include <limits>

#include "chart/convergence_chart.h"
#include "ui/hint_text.h"

namespace tarvik::ui {

ConvergenceView::ConvergenceView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ConvergenceView"));
    setAutoFillBackground(true);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    ChartView = new QChartView(this);
    ChartView->setObjectName(QStringLiteral("ConvergenceChart"));
    ChartView->setRenderHint(QPainter::Antialiasing, true);
    column->addWidget(ChartView, 1);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(4, 0, 4, 0);
    CmbQuantity = new QComboBox(this);
    CmbQuantity->setObjectName(QStringLiteral("CmbPlotQuantity"));
    CmbQuantity->addItems({QStringLiteral("J"), QStringLiteral("||gradJ||"), QStringLiteral("accuracy")});
    SetHint(CmbQuantity, QStringLiteral("| What the plot shows (J - J* where J* is known)"));
    CmbAxis = new QComboBox(this);
    CmbAxis->setObjectName(QStringLiteral("CmbPlotAxis"));
    CmbAxis->addItems({QStringLiteral("iterations"), QStringLiteral("evaluations")});
    SetHint(CmbAxis, QStringLiteral("| Against iterations or evaluations of J and gradJ"));
    BtnSavePlot = new QPushButton(QStringLiteral("Save the plot..."), this);
    BtnSavePlot->setObjectName(QStringLiteral("BtnSavePlot"));
    BtnSavePlot->setAutoDefault(false);
    SetHint(BtnSavePlot, QStringLiteral("| Save the plot as PNG or SVG"));
    row->addWidget(CmbQuantity);
    row->addWidget(CmbAxis);
    row->addStretch(1);
    row->addWidget(BtnSavePlot);
    column->addLayout(row);
    connect(CmbQuantity, qOverload<int>(&QComboBox::activated), this, [this] { Rebuild(); });
    connect(CmbAxis, qOverload<int>(&QComboBox::activated), this, [this] { Rebuild(); });
    connect(BtnSavePlot, &QPushButton::clicked, this, &ConvergenceView::saveClicked);
}

void ConvergenceView::SetRuns(std::vector<Run> runs, std::optional<Real> jStar, int accuracyMode, std::string title) {
    runs_ = std::move(runs);
    jStar_ = jStar;
    accuracyMode_ = accuracyMode;
    title_ = std::move(title);
    Rebuild();
}

ConvergencePlot ConvergenceView::Plot() const {
    const PlotQuantity quantity = CmbQuantity->currentIndex() == 1   ? PlotQuantity::GradNorm
                                  : CmbQuantity->currentIndex() == 2 ? PlotQuantity::Accuracy
                                                                     : PlotQuantity::J;
    const PlotAxis axis = CmbAxis->currentIndex() == 1 ? PlotAxis::Evaluations : PlotAxis::Iterations;
    ConvergencePlotBuilder builder(quantity, axis, jStar_, accuracyMode_, title_);
    for (const Run& r : runs_) builder.Add(r.label, r.colourIndex, r.rows);
    return builder.Plot();
}

void ConvergenceView::Rebuild() {
    const ConvergencePlot plot = Plot();
    QChart* chart = BuildConvergenceChart(plot);
    // The panel is narrower than the exported plot: the methods' names get
    // a smaller font and the chart the panel's whole width.
    chart->setMargins(QMargins(2, 2, 2, 2));
    QFont small = chart->legend()->font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    chart->legend()->setFont(small);
    const QString xTitle = QString::fromStdString(plot.xTitle);
    const QString yTitle = QString::fromStdString(plot.yTitle);
    for (QAbstractSeries* abstract : chart->series()) {
        auto* series = qobject_cast<QXYSeries*>(abstract);
        if (series == nullptr) continue;
        connect(series, &QXYSeries::hovered, this, [this, series, xTitle, yTitle](const QPointF& at, bool inside) {
            if (!inside) return;
            // The nearest of the series' own points, not the place on the line.
            const QList<QPointF> points = series->points();
            double best = std::numeric_limits<double>::infinity();
            QPointF nearest = at;
            for (const QPointF& p : points) {
                const double d = std::abs(p.x() - at.x());
                if (d < best) {
                    best = d;
                    nearest = p;
                }
            }
            emit hovered(QStringLiteral(" %1: %2 %3, %4 %5")
                             .arg(series->name(), xTitle, QString::number(nearest.x(), 'g', 8), yTitle,
                                  QString::number(nearest.y(), 'g', 6)));
        });
    }
    QChart* old = ChartView->chart();
    ChartView->setChart(chart);
    delete old;
}

} // namespace tarvik::ui
