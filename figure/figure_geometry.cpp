#include "figure/figure_geometry.h"

#include <cmath>
#include <limits>

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

int32_t ClampToInt32(int64_t v) {
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(v);
}

bool FitsInt32(int64_t v) { return v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max(); }

// trunc(v) when it fits a 32-bit integer.
bool TruncToInt32(Real v, int64_t& out) {
    if (std::isnan(v)) return false;
    const Real t = std::trunc(v);
    if (t < Int32MinReal || t > Int32MaxReal) return false;
    out = static_cast<int64_t>(t);
    return true;
}

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

int32_t TruncClamped(Real v) {
    if (std::isnan(v)) return 0;
    const Real t = std::trunc(v);
    if (t <= Int32MinReal) return std::numeric_limits<int32_t>::min();
    if (t >= Int32MaxReal) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(t);
}

PixelBox BoxAround(PixelPos centre, int64_t r) {
    return PixelBox{ClampToInt32(centre.x - r), ClampToInt32(centre.y - r), ClampToInt32(centre.x + r),
                    ClampToInt32(centre.y + r)};
}

PixelPos PointFormPixelClamped(Real u1, Real u2, Real scale, int cx, int cy) {
    PixelPos p;
    if (PointFormPixel(u1, u2, scale, cx, cy, p)) return p;
    const int64_t x = static_cast<int64_t>(cx) + TruncClamped(u1 * scale);
    const int64_t y = static_cast<int64_t>(cy) - TruncClamped(u2 * scale);
    return PixelPos{ClampToInt32(x), ClampToInt32(y)};
}

PixelPos OffsetFormPixel(Real u1, Real u2, Real scale, int cx, int cy) {
    return PixelPos{TruncClamped(u1 * scale + static_cast<Real>(cx)), TruncClamped(static_cast<Real>(cy) - u2 * scale)};
}

} // namespace tarvik
