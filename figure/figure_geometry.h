#pragma once
// How plane points of (u1, u2) become pixels of the figure and back.
#include <cstdint>

#include "core/function_catalogue.h"
#include "core/numeric.h"

namespace tarvik {

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
// The same, saturating instead of failing: the result is only drawn, and
// drawing clips.
PixelPos PointFormPixelClamped(Real u1, Real u2, Real scale, int cx, int cy);
// The offset form, used for the saddle markers only:
// x = trunc(u1 * scale + cx), y = trunc(cy - u2 * scale).
PixelPos OffsetFormPixel(Real u1, Real u2, Real scale, int cx, int cy);

// The bounding box of a disc or ring of radius r around centre, as the
// canvas's Ellipse takes it. A centre that was clamped to the edge of the
// 32-bit range would overflow in int arithmetic: the edges are computed in
// 64 bits and clipped, which leaves every box near the figure unchanged.
struct PixelBox { int left = 0; int top = 0; int right = 0; int bottom = 0; };
PixelBox BoxAround(PixelPos centre, int64_t r);

// trunc toward zero into the 32-bit range; NaN gives 0. Used where an
// out-of-range value can only come from a degenerate input and clipping is
// the sound reaction.
int32_t TruncClamped(Real v);

} // namespace tarvik
