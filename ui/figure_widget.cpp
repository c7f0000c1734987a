#include "ui/figure_widget.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

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
    if (!replaying_ || figure_->LevelLines().isNull()) {
        painter.drawImage(0, 0, figure_->Image());
        return;
    }
    painter.drawImage(0, 0, figure_->LevelLines());
    painter.setRenderHint(QPainter::Antialiasing, true);
    for (const ReplayPath& path : replay_) {
        if (path.pixels.empty()) continue;
        const std::size_t shown = std::min<std::size_t>(static_cast<std::size_t>(std::max(replayPosition_, 0)) + 1,
                                                        path.pixels.size());
        painter.setPen(QPen(path.colour, 2));
        painter.drawPolyline(path.pixels.data(), static_cast<int>(shown));
        painter.setPen(QPen(Qt::blue, 1));
        painter.setBrush(Qt::blue);
        painter.drawEllipse(path.pixels.front(), 4, 4);
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(path.colour);
        painter.drawEllipse(path.pixels[shown - 1], 5, 5);
        painter.setBrush(Qt::NoBrush);
    }
}

void FigureWidget::ShowReplay(const std::vector<ReplayPath>& paths, int position) {
    replay_ = paths;
    replayPosition_ = position;
    replaying_ = true;
    update();
}

void FigureWidget::EndReplay() {
    if (!replaying_) return;
    replaying_ = false;
    replay_.clear();
    update();
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
