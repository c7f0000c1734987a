#include "ui/figure_widget.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>

namespace tarvik::ui {

FigureWidget::FigureWidget(int panelWidth, const QString& buttonFontFamily, QWidget* parent)
    : QWidget(parent), figure_(std::make_unique<ContourFigure>(panelWidth, buttonFontFamily)) {
    setObjectName(QStringLiteral("ImageContours"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

FigureWidget::~FigureWidget() = default;

void FigureWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // Outside the bitmap the panel's own colour shows, as it does around an
    // image control that is larger than its picture.
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.drawImage(0, 0, figure_->Image());
}

void FigureWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    emit MouseMovedOnImage(p.x(), p.y());
    QWidget::mouseMoveEvent(event);
}

void FigureWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit DoubleClicked();
}

void FigureWidget::contextMenuEvent(QContextMenuEvent* event) {
    emit ContextMenuAt(event->pos().x(), event->pos().y(), event->globalPos());
    event->accept();
}

} // namespace tarvik::ui
