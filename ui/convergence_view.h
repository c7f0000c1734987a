#pragma once
// The convergence view beside the level lines: the chart of chart/ for the
// ended run or every compared run (in their paths' colours), the quantity
// and the axis to choose, a hover that names the nearest point, and the
// plot's export as PNG or SVG.
#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "app/convergence_data.h"
#include "app/run_trace.h"

class QComboBox;
class QPushButton;
QT_BEGIN_NAMESPACE
class QChartView;
QT_END_NAMESPACE

namespace tarvik::ui {

class ConvergenceView : public QWidget {
    Q_OBJECT
public:
    explicit ConvergenceView(QWidget* parent);

    struct Run {
        std::string label;
        int colourIndex = -1;       // -1: the single run's trajectory colour
        std::vector<TraceRow> rows;
    };
    // What the view plots from now on; accuracyMode as ConvergencePlotBuilder takes it.
    void SetRuns(std::vector<Run> runs, std::optional<Real> jStar, int accuracyMode, std::string title);
    bool Empty() const { return runs_.empty(); }
    // The plot as the view shows it now.
    ConvergencePlot Plot() const;

    QComboBox* CmbQuantity = nullptr;
    QComboBox* CmbAxis = nullptr;
    QPushButton* BtnSavePlot = nullptr;
    QChartView* ChartView = nullptr;

signals:
    // The values of the point nearest the mouse, for the status bar.
    void hovered(const QString& text);
    void saveClicked();

private:
    void Rebuild();

    std::vector<Run> runs_;
    std::optional<Real> jStar_;
    int accuracyMode_ = 1;
    std::string title_;
};

} // namespace tarvik::ui
