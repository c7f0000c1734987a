#pragma once
// The control that shows the level-line figure on PanelContours. It owns the
// figure, paints its image unscaled from the top-left corner and reports
// mouse moves (in image pixels) and double clicks to the window.
#include <QWidget>
#include <memory>

#include "figure/contour_figure.h"

namespace tarvik::ui {

class FigureWidget : public QWidget {
    Q_OBJECT
public:
    FigureWidget(int panelWidth, const QString& buttonFontFamily, QWidget* parent);
    ~FigureWidget() override;

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
};

} // namespace tarvik::ui
