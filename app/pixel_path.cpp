#include "app/pixel_path.h"

namespace tarvik {

bool PixelPathThinner::Needed(Real u1, Real u2) {
    PixelPos p;
    const bool mapped = PointFormPixel(u1, u2, frame_.scale, frame_.centreX, frame_.centreY, p);
    const bool same = mapped && previousMapped_ && p == previous_;
    const bool needed = first_ || (mapped ? !(same && repeated_) : previousMapped_);
    first_ = false;
    repeated_ = same;
    previousMapped_ = mapped;
    previous_ = p;
    return needed;
}

} // namespace tarvik
