#include "figure/figure_canvas.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cstdint>

namespace tarvik {

namespace {

// Dotted pens alternate three pixels on and three off, counted from the
// start of each line.
constexpr int DotOn = 3;
constexpr int DotPeriod = 6;

// Pixel offset along the minor axis at step i of a line with major extent
// `major` and minor extent `minor` (both >= 0): the nearest pixel to the
// ideal line, halves rounded away from the start. 128-bit because the
// coordinates may be anywhere in the 32-bit range.
int64_t MinorOffset(int64_t i, int64_t major, int64_t minor) {
    const __int128 num = static_cast<__int128>(2) * i * minor + major;
    return static_cast<int64_t>(num / (static_cast<__int128>(2) * major));
}

// The steps i in [0, count) for which start + dir * i lies in [0, limit).
bool VisibleSteps(int64_t start, int dir, int64_t count, int64_t limit, int64_t& first, int64_t& last) {
    int64_t lo, hi;
    if (dir > 0) {
        lo = -start;
        hi = limit - 1 - start;
    } else {
        lo = start - (limit - 1);
        hi = start;
    }
    first = std::max<int64_t>(lo, 0);
    last = std::min<int64_t>(hi, count - 1);
    return first <= last;
}

} // namespace

QFont FigureFont(const QString& family) {
    // The design's sans serif is set in Liberation Sans, which has its
    // metrics (those of Arial) and draws the same pixels on every machine
    // that has the program's packages; it also stands in for a family that
    // is missing.
    const QString designSans = QStringLiteral("Liberation Sans");
    QFont font;
    font.setFamilies(family.isEmpty() || family == designSans ? QStringList{designSans} : QStringList{family, designSans});
    font.setPixelSize(11);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

void FigureCanvas::PutPixel(int x, int y, Colour c) {
    if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return;
    image_.setPixel(x, y, ToQRgb(c));
}

Colour FigureCanvas::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return clNoPixel;
    return FromQRgb(image_.pixel(x, y));
}

void FigureCanvas::FillRect(int left, int top, int right, int bottom) {
    const int l = std::max(left, 0), t = std::max(top, 0);
    const int r = std::min(right, image_.width()), b = std::min(bottom, image_.height());
    if (l >= r || t >= b) return;
    const QRgb c = ToQRgb(state_.BrushColour);
    for (int y = t; y < b; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
        std::fill(row + l, row + r, c);
    }
}

void FigureCanvas::Line(int x0, int y0, int x1, int y1) {
    // Every line of the figure is one pixel wide; wide pens are used for
    // ellipses only.
    const int64_t dx = static_cast<int64_t>(x1) - x0, dy = static_cast<int64_t>(y1) - y0;
    const int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    if (adx == 0 && ady == 0) return;
    const int sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    const bool xMajor = adx >= ady;
    const int64_t count = xMajor ? adx : ady;   // pixels drawn: the end pixel is left out
    int64_t first, last;
    const bool visible = xMajor ? VisibleSteps(x0, sx, count, image_.width(), first, last)
                                : VisibleSteps(y0, sy, count, image_.height(), first, last);
    if (!visible) return;
    const bool dotted = state_.Style == PenStyle::Dot;
    for (int64_t i = first; i <= last; ++i) {
        int64_t x, y;
        if (xMajor) {
            x = x0 + sx * i;
            y = y0 + sy * MinorOffset(i, adx, ady);
        } else {
            y = y0 + sy * i;
            x = x0 + sx * MinorOffset(i, ady, adx);
        }
        if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) continue;
        if (!dotted || i % DotPeriod < DotOn) {
            PutPixel(static_cast<int>(x), static_cast<int>(y), state_.PenColour);
        } else if (state_.BrushSolid) {
            // An opaque background fills the gaps of a styled pen.
            PutPixel(static_cast<int>(x), static_cast<int>(y), state_.BrushColour);
        }
    }
}

void FigureCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    // 64 bits: a box clipped at both ends of the int range is wider than an int.
    const int64_t width = static_cast<int64_t>(x2) - x1, height = static_cast<int64_t>(y2) - y1;
    if (width <= 0 || height <= 0) return;
    QPainter p(&image_);
    p.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(QColor::fromRgb(ToQRgb(state_.PenColour)));
    pen.setWidth(state_.PenWidth <= 1 ? 0 : state_.PenWidth);
    if (state_.Style == PenStyle::Dot) pen.setDashPattern({static_cast<qreal>(DotOn), static_cast<qreal>(DotPeriod - DotOn)});
    p.setPen(pen);
    if (state_.BrushSolid) {
        p.setBrush(QColor::fromRgb(ToQRgb(state_.BrushColour)));
        // Opaque mode is set for dotted outlines only: it also changes how
        // Qt rasterises a solid outline.
        if (state_.Style == PenStyle::Dot) {
            p.setBackgroundMode(Qt::OpaqueMode);
            p.setBackground(QColor::fromRgb(ToQRgb(state_.BrushColour)));
        }
    } else {
        p.setBrush(Qt::NoBrush);
    }
    // Qt's aliased outline of a w x h rectangle covers w + 1 columns; one
    // pixel less keeps the outline inside the box, right and bottom edges
    // excluded.
    p.drawEllipse(QRectF(x1, y1, static_cast<qreal>(width - 1), static_cast<qreal>(height - 1)));
}

int FigureCanvas::TextWidth(const QString& text) const { return QFontMetrics(state_.Font).horizontalAdvance(text); }

int FigureCanvas::TextHeight(const QString&) const { return QFontMetrics(state_.Font).height(); }

int FigureCanvas::TextOut(int x, int y, const QString& text) {
    const QFontMetrics metrics(state_.Font);
    const int width = metrics.horizontalAdvance(text);
    if (state_.BrushSolid) FillRect(x, y, x + width, y + metrics.height());
    QPainter p(&image_);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setFont(state_.Font);
    p.setPen(QColor::fromRgb(ToQRgb(state_.FontColour)));
    p.drawText(QPoint(x, y + metrics.ascent()), text);
    return x + width;
}

} // namespace tarvik
