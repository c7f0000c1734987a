#pragma once
// The plane point under a pixel of the figure, as a starting point the user
// picks with the mouse: rounded to the power of ten that is at least two
// pixels of the figure, so that the point reads as the teacher would type it.
#include <string>

#include "app/figure_frame.h"
#include "core/numeric.h"

namespace tarvik {

struct FigurePoint {
    Real u1 = 0;
    Real u2 = 0;
    int decimals = 0;  // digits after the point that the rounding kept
};

// The inverse of the point form: u1 = (x - cx) / scale, u2 = (cy - y) / scale.
FigurePoint FigurePointAt(const PlaneFrame& frame, int x, int y);

// "-1.2; 1.0", as the starting-point list names the point.
std::string FigurePointCaption(const FigurePoint& p);
// "-1.2,1.0", as --start-point and data.ini take it.
std::string FigurePointCoordinates(const FigurePoint& p);

} // namespace tarvik
