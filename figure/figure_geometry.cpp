#include "figure/figure_geometry.h"

#include <cmath>
#include <limits>

namespace tarvik {

namespace {

constexpr Real Int32MinReal = static_cast<Real>(std::numeric_limits<int32_t>::min());
constexpr Real Int32MaxReal = static_cast<Real>(std::numeric_limits<int32_t>::max());

int32_t ClampToInt32(int64_t v) {
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(v);
}

} // namespace

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
