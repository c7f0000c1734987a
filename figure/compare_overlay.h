#pragma once
// The paths of several methods over one set of level lines, each in its own
// colour, with a legend naming the methods. The legend hides no path: it
// goes into the corner of the plot that the paths leave free, or beside
// the plot where no corner is free and the picture may grow.
#include <QImage>
#include <QRect>
#include <QSize>
#include <cstddef>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "core/numeric.h"
#include "figure/contour_figure.h"

namespace tarvik {

struct ComparePath {
    std::string label;
    std::vector<std::pair<Real, Real>> points;   // (u1, u2), the starting point first
    // The iteration of each point, where points were left out (see
    // figure/descent_frames.h); empty: point k is iteration k.
    std::vector<std::size_t> iterations = {};
};

// Colour of the index-th path: apart from the background, the level lines,
// the markers and the single-run trajectory colours; repeats after the
// palette's end (later paths are then dashed).
QRgb ComparePathColour(int index);
int ComparePaletteSize();

enum class LegendPlace { TopLeft, TopRight, BottomLeft, BottomRight, Beside };

struct CompareLayout {
    LegendPlace place = LegendPlace::TopLeft;
    QRect box;         // the legend in the picture
    QSize picture;     // the level lines' size, or wider with the legend beside
};

// Where the legend goes: the corner whose box (with a small margin) covers
// the fewest pixels of the paths and of the u* marker, and of those the
// emptiest (fewest pixels of level lines, numbers and axes). When every
// corner would cover a path, the legend goes beside the plot if
// `besideAllowed`, otherwise into that least covered corner.
CompareLayout LayOutCompareFigure(const QImage& levelLines, const PlaneFrame& frame,
                                  const std::vector<ComparePath>& paths, bool besideAllowed);

// The level lines with every path drawn up to its point `upTo` (a shorter
// path stays at its end), a disc at each path's last drawn point, and the
// legend as laid out. Points too far to map to a pixel break the path
// instead of failing.
QImage ComposeCompareFigure(const QImage& levelLines, const PlaneFrame& frame, const std::vector<ComparePath>& paths,
                            const CompareLayout& layout,
                            std::size_t upTo = std::numeric_limits<std::size_t>::max());

// The window's figure, in place on a figure whose level lines are drawn:
// the picture keeps its size, so the legend stays in a corner.
void DrawComparePaths(ContourFigure& figure, const std::vector<ComparePath>& paths);

} // namespace tarvik
