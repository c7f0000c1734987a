#pragma once
// Where the figure puts the plane of (u1, u2) in pixels. A point of the run
// whose pixel does not fit ends the run, painted or not: a run that paints
// nothing (a compared one) applies the same rule, with the geometry its
// single run would have drawn on, so that it goes exactly as that run.
#include <cstdint>

#include "core/catalogue_ids.h"
#include "core/numeric.h"

namespace tarvik {

struct RunState;

struct PixelPos { int x = 0; int y = 0; };
inline bool operator==(PixelPos a, PixelPos b) { return a.x == b.x && a.y == b.y; }

// The half-width R of the square window [-R, R]^2, from the starting point:
// the larger truncated coordinate, at least 3, otherwise one more; doubled
// for "Himmelblau 28 (n=2)" when it is at most 5. Capped so that 2R still
// fits a 32-bit integer.
int32_t PlaneRangeFor(Real u01, Real u02, FunctionId function);

// The point form, used for u*, u° and the trajectory:
// x = cx + trunc(u1 * scale), y = cy - trunc(u2 * scale).
// Returns false when a coordinate does not fit a 32-bit integer.
bool PointFormPixel(Real u1, Real u2, Real scale, int cx, int cy, PixelPos& out);

// The figure panel of the batch mode: the window's at its first start.
inline constexpr int BatchFigurePanelWidth = 438;

// The width of the image in a figure panel `panelWidth` wide: the panel less
// its margins, and never so narrow that the picture is not valid.
int FigureImageWidth(int panelWidth);

struct PlaneFrame {
    int32_t range = 0;
    Real scale = 0;
    int centreX = 0;
    int centreY = 0;
    int side = 0;          // the square [-R, R]^2 in pixels
};

// The area in which a figure centres the square [-R, R]^2, filling the
// area's shorter side. The window's figure (and the batch mode's at its
// default size) centres it in a square as wide as the picture, whose
// bottom the picture cuts off by 7 pixels; a figure of a size given in
// the batch mode (--figure-size) centres it in the picture itself.
struct FigureSize {
    int width = 0;
    int height = 0;
};
inline bool operator==(FigureSize a, FigureSize b) { return a.width == b.width && a.height == b.height; }

// The frame of a figure whose square is centred in `area` for a run that
// starts at (u01, u02): the figure fixes it when it draws the level lines.
PlaneFrame PlaneFrameFor(FigureSize area, Real u01, Real u02, FunctionId function);
// The window's figure `width` pixels wide.
inline PlaneFrame PlaneFrameFor(int width, Real u01, Real u02, FunctionId function) {
    return PlaneFrameFor(FigureSize{width, width}, u01, u02, function);
}

// The pixel of a point of the trajectory; one that does not fit clears
// s.RedrawTrajectory and raises EBadError "Error in painting. Too large the
// coordinates. (Iteration=k)".
PixelPos TrajectoryPixel(RunState& s, const PlaneFrame& frame, Real u1, Real u2);

// What a trajectory step of the figure does to the run, without painting:
// the points it maps, in the same cases (so the same failure), and the
// segment colour back to the plain trajectory's.
void CheckTrajectoryStep(RunState& s, const PlaneFrame& frame);

} // namespace tarvik
