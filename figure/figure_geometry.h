#pragma once
// How plane points of (u1, u2) become pixels of the figure and back; the
// rule that decides whether a run's point can be painted is app/figure_frame.h.
#include <cstdint>

#include "app/figure_frame.h"
#include "core/numeric.h"

namespace tarvik {

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
