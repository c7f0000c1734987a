#pragma once
// The control that shows the level-line figure on PanelContours. It owns the
// figure, paints its image unscaled from the top-left corner and reports
// mouse moves (in image pixels) and double clicks to the window.
#include <QColor>
#include <QPoint>
#include <QWidget>
#include <memory>
#include <vector>

#include "figure/contour_figure.h"

namespace tarvik::ui {

class FigureWidget : public QWidget {
    Q_OBJECT
public:
    FigureWidget(int panelWidth, const QString& buttonFontFamily, QWidget* parent);
    ~FigureWidget() override;

    // A path the replay draws over the level lines, point by point.
    struct ReplayPath {
        std::vector<QPoint> pixels;
        QColor colour;
    };
    // Shows the level lines with each path up to its point `position` (a
    // path that has ended stays at its end), painted over the figure, not
    // into it: the figure itself and its export stay as the run left them.
    void ShowReplay(const std::vector<ReplayPath>& paths, int position);
    void EndReplay();
    bool Replaying() const { return replaying_; }

    ContourFigure& Figure() { return *figure_; }
    const ContourFigure& Figure() const { return *figure_; }

signals:
    void MouseMovedOnImage(int x, int y);
    void DoubleClicked();
    // A right click (or the menu key) at image pixel (x, y).
    void ContextMenuAt(int x, int y, const QPoint& globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    std::unique_ptr<ContourFigure> figure_;
    std::vector<ReplayPath> replay_;
    int replayPosition_ = 0;
    bool replaying_ = false;
};

} // namespace tarvik::ui
