#pragma once
// A path on the figure's plane, thinned to the points that its drawing
// needs (figure/compare_overlay.cpp draws it): a point that maps to no pixel
// breaks the path, and one such in a row is enough; a point on the pixel of
// the point before draws a dot there once, and the repeats after it draw
// nothing. A run that settles somewhere keeps a few points however long it
// goes on; a path keeps one point for every move to another pixel.
#include "app/figure_frame.h"
#include "core/numeric.h"

namespace tarvik {

class PixelPathThinner {
public:
    explicit PixelPathThinner(const PlaneFrame& frame) : frame_(frame) {}
    // Whether the next point of the path must be kept for its drawing.
    bool Needed(Real u1, Real u2);

private:
    PlaneFrame frame_;
    bool first_ = true, previousMapped_ = false, repeated_ = false;
    PixelPos previous_;
};

} // namespace tarvik
