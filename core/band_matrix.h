#pragma once
// A symmetric-pattern band matrix: row i holds columns i-band..i+band, every
// other entry is +0. The Newton methods keep a banded Hessian this way, so
// that n = 10000 takes a few hundred kilobytes instead of a gigabyte.
#include <algorithm>
#include <cstddef>
#include <vector>

#include "core/numeric.h"

namespace tarvik {

class BandMatrix {
public:
    // Row i of the band; m[i][j] reads and writes element j, which must lie
    // within the band.
    class Row {
    public:
        Row(Real* origin, int offset) : origin_(origin), offset_(offset) {}
        Real& operator[](int j) const { return origin_[j - offset_]; }

    private:
        Real* origin_;
        int offset_;
    };

    BandMatrix() = default;

    // An n x n band of half-width band, all +0.
    void Resize(int n, int band) {
        n_ = n;
        band_ = band;
        values_.assign(static_cast<std::size_t>(n + 1) * static_cast<std::size_t>(Width()), 0.0L);
    }
    void release() {
        n_ = 0;
        band_ = 0;
        std::vector<Real>().swap(values_);
    }
    bool empty() const { return values_.empty(); }
    int Size() const { return n_; }
    int Band() const { return band_; }
    // The first and last column row i holds within 1..n.
    int First(int i) const { return std::max(1, i - band_); }
    int Last(int i) const { return std::min(n_, i + band_); }

    Row operator[](int i) { return Row(values_.data() + static_cast<std::size_t>(i) * Width(), i - band_); }
    // Element (i, j) anywhere in 1..n, +0 outside the band.
    Real Get(int i, int j) const {
        if (j < i - band_ || j > i + band_) return 0.0L;
        return values_[static_cast<std::size_t>(i) * Width() + static_cast<std::size_t>(j - i + band_)];
    }
    // Every element of the band back to +0.
    void Clear() { std::fill(values_.begin(), values_.end(), 0.0L); }

private:
    std::size_t Width() const { return static_cast<std::size_t>(2 * band_ + 1); }

    int n_ = 0;
    int band_ = 0;
    std::vector<Real> values_;
};

} // namespace tarvik
