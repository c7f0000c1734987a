#include "app/figure_point.h"

#include <cmath>
#include <cstdio>

namespace tarvik {

namespace {

std::string Fixed(Real v, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*Lf", decimals, v);
    // A point just left of an axis rounds to zero, which reads as 0, not -0.
    std::string s = text;
    if (s.front() == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
    return s;
}

} // namespace

FigurePoint FigurePointAt(const PlaneFrame& frame, int x, int y) {
    FigurePoint p;
    if (!(frame.scale > 0)) return p;
    const Real u1 = static_cast<Real>(x - frame.centreX) / frame.scale;
    const Real u2 = static_cast<Real>(frame.centreY - y) / frame.scale;
    const int exponent = static_cast<int>(std::ceil(std::log10(2 / frame.scale)));
    const Real unit = std::pow(10.0L, static_cast<Real>(exponent));
    p.u1 = std::round(u1 / unit) * unit;
    p.u2 = std::round(u2 / unit) * unit;
    p.decimals = exponent < 0 ? -exponent : 0;
    return p;
}

std::string FigurePointCaption(const FigurePoint& p) { return Fixed(p.u1, p.decimals) + "; " + Fixed(p.u2, p.decimals); }

std::string FigurePointCoordinates(const FigurePoint& p) { return Fixed(p.u1, p.decimals) + "," + Fixed(p.u2, p.decimals); }

} // namespace tarvik
