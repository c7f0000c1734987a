#pragma once
// The paths of several methods over one set of level lines, each in its own
// colour, with a legend naming the methods.
#include <QImage>
#include <string>
#include <utility>
#include <vector>

#include "core/numeric.h"
#include "figure/contour_figure.h"

namespace tarvik {

struct ComparePath {
    std::string label;
    std::vector<std::pair<Real, Real>> points;   // (u1, u2), the starting point first
};

// Colour of the index-th path: apart from the background, the level lines,
// the markers and the single-run trajectory colours; repeats after the
// palette's end (later paths are then dashed).
QRgb ComparePathColour(int index);
int ComparePaletteSize();

// Draws on a figure whose level lines are drawn (its geometry is used).
// Points too far to map to a pixel break the path instead of failing.
void DrawComparePaths(ContourFigure& figure, const std::vector<ComparePath>& paths);

} // namespace tarvik
