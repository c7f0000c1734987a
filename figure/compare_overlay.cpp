#include "figure/compare_overlay.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <array>
#include <tuple>

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


// The legend's rows: a swatch of the path's pen, then the method's name.
constexpr int kSwatchLeft = 4, kSwatchRight = 20, kTextLeft = 24, kPadding = 4;
// From the picture's edges, and kept free around the box when measuring.
constexpr int kEdge = 2, kClearance = 3;

QPen PathPen(std::size_t index, std::size_t count) {
    QPen pen{QColor(ComparePathColour(static_cast<int>(index)))};
    pen.setWidth(PathWidth(index, count));
    if (static_cast<int>(index) >= ComparePaletteSize()) pen.setStyle(Qt::DashLine);
    return pen;
}

// Draws the path's first points up to `upTo`; returns where it ends, if it
// has a drawn point. A repeated point draws the same zero-length line as
// the one before, which changes nothing and is skipped: a converged run
// has thousands of them.
bool DrawPath(QPainter& painter, const PlaneFrame& frame, const ComparePath& path, std::size_t upTo, PixelPos& end) {
    bool havePrevious = false, lastWasDot = false;
    PixelPos previous;
    std::size_t count = path.points.size();
    if (!path.iterations.empty())
        count = static_cast<std::size_t>(std::upper_bound(path.iterations.begin(), path.iterations.end(), upTo) -
                                         path.iterations.begin());
    else if (upTo < count)
        count = upTo + 1;
    for (std::size_t k = 0; k < count; ++k) {
        const auto& [u1, u2] = path.points[k];
        PixelPos p;
        if (!PointFormPixel(u1, u2, frame.scale, frame.centreX, frame.centreY, p)) {
            havePrevious = false;
            continue;
        }
        const bool dot = havePrevious && p == previous;
        if (havePrevious && !(dot && lastWasDot)) painter.drawLine(previous.x, previous.y, p.x, p.y);
        else if (!havePrevious) painter.drawPoint(p.x, p.y);
        lastWasDot = dot;
        previous = p;
        havePrevious = true;
    }
    end = previous;
    return havePrevious;
}

QSize LegendSize(const std::vector<ComparePath>& paths, int textWidth, int line) {
    return {kTextLeft + textWidth + kPadding, line * static_cast<int>(paths.size()) + 4};
}

void DrawLegend(QPainter& painter, const CompareLayout& layout, const std::vector<ComparePath>& paths) {
    const QFont font = FigureFont(QString());
    painter.setFont(font);
    const QFontMetrics metrics(font);
    const int line = metrics.height();
    const QRect box = layout.box;
    // Beside the plot nothing lies under the box; in a corner the level
    // lines show through it.
    QColor fill = QColor(ToQRgb(clFigBack)).lighter(112);
    if (layout.place != LegendPlace::Beside) fill.setAlpha(200);
    painter.setPen(QColor(ToQRgb(clDeltaVicinity)));
    painter.setBrush(fill);
    painter.drawRect(box.x(), box.y(), box.width(), box.height());
    painter.setBrush(Qt::NoBrush);
    const int textWidth = box.width() - kTextLeft - kPadding;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const int y = box.y() + 2 + line * static_cast<int>(i);
        QPen pen = PathPen(i, paths.size());
        pen.setWidth(std::min(pen.width(), line / 2));
        painter.setPen(pen);
        painter.drawLine(box.x() + kSwatchLeft, y + line / 2, box.x() + kSwatchRight, y + line / 2);
        painter.setPen(QColor(ToQRgb(clLevelLine)));
        painter.drawText(QRect(box.x() + kTextLeft, y, textWidth, line), Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(QString::fromStdString(paths[i].label), Qt::ElideRight, textWidth));
    }
}

} // namespace

int ComparePaletteSize() { return static_cast<int>(kPalette.size()); }

QRgb ComparePathColour(int index) { return kPalette[static_cast<std::size_t>(index) % kPalette.size()]; }

CompareLayout LayOutCompareFigure(const QImage& levelLines, const PlaneFrame& frame,
                                  const std::vector<ComparePath>& paths, bool besideAllowed) {
    const QFontMetrics metrics(FigureFont(QString()));
    int textWidth = 0;
    for (const ComparePath& path : paths)
        textWidth = std::max(textWidth, metrics.horizontalAdvance(QString::fromStdString(path.label)));
    const int width = levelLines.width(), height = levelLines.height();
    QSize size = LegendSize(paths, textWidth, metrics.height());
    // A corner box never grows past the picture; beside the plot it need not.
    const QSize inside(std::min(size.width(), width - 2 * kEdge), std::min(size.height(), height - 2 * kEdge));

    // The paths alone, to tell their pixels from the level lines'.
    QImage drawn = levelLines.convertToFormat(QImage::Format_RGB32);
    {
        QPainter painter(&drawn);
        painter.setRenderHint(QPainter::Antialiasing, false);
        for (std::size_t i = 0; i < paths.size(); ++i) {
            painter.setPen(PathPen(i, paths.size()));
            PixelPos end;
            DrawPath(painter, frame, paths[i], std::numeric_limits<std::size_t>::max(), end);
        }
    }
    const std::array<std::pair<LegendPlace, QPoint>, 4> corners = {{
        {LegendPlace::TopLeft, {kEdge, kEdge}},
        {LegendPlace::TopRight, {width - kEdge - inside.width(), kEdge}},
        {LegendPlace::BottomLeft, {kEdge, height - kEdge - inside.height()}},
        {LegendPlace::BottomRight, {width - kEdge - inside.width(), height - kEdge - inside.height()}},
    }};
    CompareLayout best;
    std::tuple<long, long> bestScore{-1, -1};
    for (const auto& [place, at] : corners) {
        const QRect box(at, inside);
        const QRect measured = box.adjusted(-kClearance, -kClearance, kClearance, kClearance) & levelLines.rect();
        long hidden = 0, ink = 0;
        for (int y = measured.top(); y <= measured.bottom(); ++y)
            for (int x = measured.left(); x <= measured.right(); ++x) {
                const Colour under = FromQRgb(levelLines.pixel(x, y));
                if (drawn.pixel(x, y) != levelLines.pixel(x, y) || under == clOptimalPoint) ++hidden;
                else if (under != clFigBack) ++ink;
            }
        const std::tuple<long, long> score{hidden, ink};
        if (std::get<0>(bestScore) < 0 || score < bestScore) {
            bestScore = score;
            best.place = place;
            best.box = box;
        }
    }
    best.picture = levelLines.size();
    if (std::get<0>(bestScore) > 0 && besideAllowed) {
        best.place = LegendPlace::Beside;
        best.box = QRect(QPoint(width + kEdge, kEdge), size);
        best.picture = QSize(width + size.width() + 2 * kEdge + 1, std::max(height, size.height() + 2 * kEdge + 1));
    }
    return best;
}

QImage ComposeCompareFigure(const QImage& levelLines, const PlaneFrame& frame, const std::vector<ComparePath>& paths,
                            const CompareLayout& layout, std::size_t upTo) {
    QImage picture(layout.picture, QImage::Format_RGB32);
    picture.fill(QColor(ToQRgb(clFigBack)).lighter(112));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.drawImage(0, 0, levelLines);
    // The plot's own area: a path that leaves it is cut at its edge rather
    // than drawn over the legend beside it.
    painter.setClipRect(levelLines.rect());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        painter.setPen(PathPen(i, paths.size()));
        PixelPos end;
        if (!DrawPath(painter, frame, paths[i], upTo, end)) continue;
        const QColor colour(ComparePathColour(static_cast<int>(i)));
        painter.setPen(colour);
        painter.setBrush(colour);
        painter.drawEllipse(end.x - 3, end.y - 3, 6, 6);
        painter.setBrush(Qt::NoBrush);
    }
    painter.setClipping(false);
    DrawLegend(painter, layout, paths);
    return picture;
}

void DrawComparePaths(ContourFigure& figure, const std::vector<ComparePath>& paths) {
    const PlaneFrame frame = figure.Frame();
    const CompareLayout layout = LayOutCompareFigure(figure.Image(), frame, paths, false);
    figure.Image() = ComposeCompareFigure(figure.Image(), frame, paths, layout);
}

} // namespace tarvik
