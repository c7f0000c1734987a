#include "figure/compare_overlay.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <array>

#include "figure/figure_canvas.h"
#include "figure/figure_colours.h"
#include "figure/figure_geometry.h"

namespace tarvik {

namespace {

// Dark, saturated and far from one another, the background's pale green, the
// black level lines, the red, blue and white markers and the trajectory green.
constexpr std::array<QRgb, 9> kPalette = {
    0xFFB8002E,   // crimson
    0xFF7B1FA2,   // purple
    0xFFE07000,   // orange
    0xFF00838F,   // teal
    0xFF8D6E00,   // ochre
    0xFFC2187A,   // magenta
    0xFF3949AB,   // indigo
    0xFF6D4C41,   // brown
    0xFF2E7D32,   // forest green
};

// Methods often share a path (Newton and collinear gradients on a
// two-dimensional function, the first step of every gradient method): each
// path is drawn wider than the ones drawn after it, so that one on top of
// another still shows as its border.
int PathWidth(std::size_t index, std::size_t count) {
    return static_cast<int>(std::min<std::size_t>(6, 2 + (count - 1 - index)));
}

} // namespace

int ComparePaletteSize() { return static_cast<int>(kPalette.size()); }

QRgb ComparePathColour(int index) { return kPalette[static_cast<std::size_t>(index) % kPalette.size()]; }

void DrawComparePaths(ContourFigure& figure, const std::vector<ComparePath>& paths) {
    QPainter painter(&figure.Image());
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        QPen pen{QColor(ComparePathColour(static_cast<int>(i)))};
        pen.setWidth(PathWidth(i, paths.size()));
        if (static_cast<int>(i) >= ComparePaletteSize()) pen.setStyle(Qt::DashLine);
        painter.setPen(pen);
        bool havePrevious = false;
        PixelPos previous;
        for (const auto& [u1, u2] : paths[i].points) {
            PixelPos p;
            if (!PointFormPixel(u1, u2, figure.PlaneScale, figure.FigCentreX, figure.FigCentreY, p)) {
                havePrevious = false;
                continue;
            }
            if (havePrevious) painter.drawLine(previous.x, previous.y, p.x, p.y);
            else painter.drawPoint(p.x, p.y);
            previous = p;
            havePrevious = true;
        }
        if (havePrevious) {
            painter.setPen(QColor(ComparePathColour(static_cast<int>(i))));
            painter.setBrush(QColor(ComparePathColour(static_cast<int>(i))));
            painter.drawEllipse(previous.x - 3, previous.y - 3, 6, 6);
            painter.setBrush(Qt::NoBrush);
        }
    }

    // The legend, top left, on an opaque box so that it reads over lines.
    const QFont font = FigureFont(QString());
    painter.setFont(font);
    const QFontMetrics metrics(font);
    const int line = metrics.height();
    int width = 0;
    for (const ComparePath& path : paths)
        width = std::max(width, metrics.horizontalAdvance(QString::fromStdString(path.label)));
    const int boxWidth = std::min(width + 26, figure.Width() - 4);
    const int boxHeight = line * static_cast<int>(paths.size()) + 4;
    painter.setPen(QColor(clLevelLine));
    painter.setBrush(QColor(ToQRgb(clFigBack)).lighter(112));
    painter.drawRect(2, 2, boxWidth, boxHeight);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const int y = 4 + line * static_cast<int>(i);
        QPen pen{QColor(ComparePathColour(static_cast<int>(i)))};
        pen.setWidth(std::min(PathWidth(i, paths.size()), line / 2));
        if (static_cast<int>(i) >= ComparePaletteSize()) pen.setStyle(Qt::DashLine);
        painter.setPen(pen);
        painter.drawLine(6, y + line / 2, 22, y + line / 2);
        painter.setPen(QColor(clLevelLine));
        painter.drawText(QRect(26, y, boxWidth - 26, line), Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(QString::fromStdString(paths[i].label), Qt::ElideRight, boxWidth - 28));
    }
}

} // namespace tarvik
