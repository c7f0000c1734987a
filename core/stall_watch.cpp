#include "core/stall_watch.h"

#include <algorithm>
#include <utility>

namespace tarvik {

namespace {

bool SamePoint(const MyArray1& a, const MyArray1& b) {
    return a.size() == b.size() && std::equal(a.begin() + 1, a.end(), b.begin() + 1);
}

} // namespace

void StallWatch::Reset() {
    last_.seen = beforeLast_.seen = false;
    last_.pointKept = beforeLast_.pointKept = false;
    repeated_ = 0;
}

int32_t StallWatch::Observe(Real j, const MyArray1& u) {
    auto repeats = [&](const Past& p) { return p.seen && p.j == j && p.pointKept && SamePoint(p.u, u); };
    const bool jRepeats = (last_.seen && last_.j == j) || (beforeLast_.seen && beforeLast_.j == j);
    const bool repeated = jRepeats && (repeats(last_) || repeats(beforeLast_));
    repeated_ = repeated ? (repeated_ < INT32_MAX ? repeated_ + 1 : repeated_) : 0;

    std::swap(last_, beforeLast_);
    last_.seen = true;
    last_.j = j;
    last_.pointKept = jRepeats;
    if (jRepeats) last_.u.assign(u.begin(), u.end());
    return repeated_;
}

} // namespace tarvik
