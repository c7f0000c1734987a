#include "app/figure_frame.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "core/errors.h"
#include "core/function_catalogue.h"
#include "core/method_catalogue.h"
#include "core/run_state.h"

namespace tarvik {

namespace {

constexpr Real Int32MinReal = static_cast<Real>(std::numeric_limits<int32_t>::min());
constexpr Real Int32MaxReal = static_cast<Real>(std::numeric_limits<int32_t>::max());
// Half of the 32-bit range, so that 2R and the centre sums stay in range.
constexpr int64_t MaxPlaneRange = std::numeric_limits<int32_t>::max() / 2;

// |trunc(v)| as a 64-bit integer, saturated (a start point that far out
// only makes the window as large as it can be).
int64_t AbsTrunc64(Real v) {
    if (!std::isfinite(v)) return MaxPlaneRange;
    const Real t = std::fabs(std::trunc(v));
    if (t >= static_cast<Real>(MaxPlaneRange)) return MaxPlaneRange;
    return static_cast<int64_t>(t);
}

bool FitsInt32(int64_t v) { return v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max(); }

// trunc(v) when it fits a 32-bit integer. Every iteration maps its point
// to a pixel, and the x87 truncations (a change of the rounding mode for
// trunc, another for the conversion) stall the unit for longer than the
// rest of an iteration of a cheap method: so it is read from the bits.
bool TruncToInt32(Real v, int64_t& out) {
#if defined(__x86_64__) || defined(__i386__)
    const RealParts parts = PartsOf(&v);
    const uint64_t significand = parts.significand;
    const int exponent = parts.BiasedExponent() - 16383;
    const bool negative = parts.Negative();
    if (exponent < 0) {  // |v| < 1, zeros and denormals included
        out = 0;
        return true;
    }
    // Infinities, NaNs and everything from 2^32 on are beyond any int32.
    if (exponent > 31) return false;
    const int64_t magnitude = static_cast<int64_t>(significand >> (63 - exponent));
    const int64_t t = negative ? -magnitude : magnitude;
    if (t < std::numeric_limits<int32_t>::min() || t > std::numeric_limits<int32_t>::max()) return false;
    out = t;
    return true;
#else
    if (std::isnan(v)) return false;
    const Real t = std::trunc(v);
    if (t < Int32MinReal || t > Int32MaxReal) return false;
    out = static_cast<int64_t>(t);
    return true;
#endif
}

Real ComponentOf(const MyArray1& v, std::size_t i) { return i < v.size() ? v[i] : 0.0L; }

} // namespace

int32_t PlaneRangeFor(Real u01, Real u02, FunctionId function) {
    const int64_t a = AbsTrunc64(u01);
    const int64_t b = AbsTrunc64(u02);
    int64_t r = a > b ? a : b;
    if (r < 3)
        r = 3;
    else
        r = r + 1;
    if (r <= 5 && Traits(function).widePlane) r = 2 * r;
    if (r > MaxPlaneRange) r = MaxPlaneRange;
    return static_cast<int32_t>(r);
}

bool PointFormPixel(Real u1, Real u2, Real scale, int cx, int cy, PixelPos& out) {
    int64_t tx, ty;
    if (!TruncToInt32(u1 * scale, tx) || !TruncToInt32(u2 * scale, ty)) return false;
    const int64_t x = cx + tx;
    const int64_t y = cy - ty;
    if (!FitsInt32(x) || !FitsInt32(y)) return false;
    out.x = static_cast<int>(x);
    out.y = static_cast<int>(y);
    return true;
}

int FigureImageWidth(int panelWidth) { return std::max(panelWidth - 7, 16); }

PlaneFrame PlaneFrameFor(FigureSize area, Real u01, Real u02, FunctionId function) {
    PlaneFrame f;
    f.range = PlaneRangeFor(u01, u02, function);
    f.side = std::min(area.width, area.height);
    f.scale = static_cast<Real>(f.side) / static_cast<Real>(2 * f.range);
    f.centreX = area.width / 2;
    f.centreY = area.height / 2;
    return f;
}

PixelPos TrajectoryPixel(RunState& s, const PlaneFrame& frame, Real u1, Real u2) {
    PixelPos p;
    if (!PointFormPixel(u1, u2, frame.scale, frame.centreX, frame.centreY, p)) {
        s.RedrawTrajectory = 0;
        throw EBadError("Error in painting. Too large the coordinates. (Iteration=" + std::to_string(s.IterCount) + ")");
    }
    return p;
}

void CheckTrajectoryStep(RunState& s, const PlaneFrame& frame) {
    // The points ContourFigure::DrawTrajectoryStep maps: the base point
    // where a collinear search starts and where its iteration completes, and u.
    const bool collinear = IsCollinear(Traits(s.MethodCode));
    const bool mapsStart = collinear && (s.SubIterCount == 1 || s.IterationComplete);
    if (mapsStart) TrajectoryPixel(s, frame, ComponentOf(s.Collinear.ub, 1), ComponentOf(s.Collinear.ub, 2));
    TrajectoryPixel(s, frame, ComponentOf(s.U, 1), ComponentOf(s.U, 2));
    s.SegmentColour = clTrajectory;
}

} // namespace tarvik
