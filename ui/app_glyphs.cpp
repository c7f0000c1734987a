#include "ui/app_glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tarvik::ui {

namespace {

QPixmap Blank(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void DrawSpeaker(QPainter& p) {
    QPainterPath body;
    body.moveTo(2, 6);
    body.lineTo(5, 6);
    body.lineTo(9, 2);
    body.lineTo(9, 14);
    body.lineTo(5, 10);
    body.lineTo(2, 10);
    body.closeSubpath();
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.setBrush(QColor(90, 90, 90));
    p.drawPath(body);
}

} // namespace

QIcon MakeApplicationIcon() {
    // Nested level lines around a minimum with a descent path into it.
    QPixmap pixmap = Blank(32);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(192, 220, 192));
    p.setPen(QPen(QColor(0, 100, 0), 1.5));
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 5, 5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, 1.2));
    p.drawEllipse(QRectF(4, 8, 24, 16));
    p.drawEllipse(QRectF(9, 11.5, 14, 9));
    p.drawEllipse(QRectF(13.5, 14.5, 5, 3));
    p.setPen(QPen(QColor(0, 128, 0), 1.6));
    p.drawPolyline(QPolygonF({QPointF(5, 4), QPointF(10, 9), QPointF(13, 13), QPointF(16, 16)}));
    p.setBrush(QColor(255, 0, 0));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(16, 16), 2, 2);
    return QIcon(pixmap);
}

QIcon MakeSoundOnGlyph() {
    QPixmap pixmap = Blank(16);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    DrawSpeaker(p);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 110, 0), 1.2));
    p.drawArc(QRectF(7, 4, 6, 8), -60 * 16, 120 * 16);
    p.drawArc(QRectF(6, 1.5, 9, 13), -60 * 16, 120 * 16);
    return QIcon(pixmap);
}

QIcon MakeSoundOffGlyph() {
    QPixmap pixmap = Blank(16);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    DrawSpeaker(p);
    p.setPen(QPen(QColor(200, 0, 0), 1.6));
    p.drawLine(QPointF(11, 5), QPointF(15, 11));
    p.drawLine(QPointF(15, 5), QPointF(11, 11));
    return QIcon(pixmap);
}

QIcon MakeHelpGlyph() {
    QPixmap pixmap = Blank(16);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 0, 160), 1));
    p.setBrush(QColor(220, 230, 255));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    QFont font = p.font();
    font.setPixelSize(11);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter, QStringLiteral("?"));
    return QIcon(pixmap);
}

} // namespace tarvik::ui
