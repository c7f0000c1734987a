#pragma once
// A symmetric n x n matrix kept as its lower triangle: row i holds columns
// 1..i, one row after another, at the matrix's 10 bytes an element. Half
// the memory of the square, and every element exists once, so the two
// halves cannot drift apart.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/numeric.h"

namespace tarvik {

class PackedSymmetric {
public:
    PackedSymmetric() = default;
    explicit PackedSymmetric(int n)
        : n_(n), data_(static_cast<std::size_t>(Elements(n)) * kStoredRealBytes, 0) {}

    int Dimension() const { return n_; }
    bool empty() const { return data_.empty(); }
    void release() {
        n_ = 0;
        std::vector<unsigned char>().swap(data_);
    }

    // Row i of the triangle: Get(j) and Set(j, v) for j = 1..i.
    MatrixRow Row(int i) { return MatrixRow(data_.data() + RowBase(i) * kStoredRealBytes); }
    ConstMatrixRow Row(int i) const { return ConstMatrixRow(data_.data() + RowBase(i) * kStoredRealBytes); }

    // Element (i, j) in either order.
    Real Get(int i, int j) const {
        if (j > i) std::swap(i, j);
        return Row(i).Get(static_cast<std::size_t>(j));
    }
    void Set(int i, int j, Real v) {
        if (j > i) std::swap(i, j);
        Row(i).Set(static_cast<std::size_t>(j), v);
    }

    // Bytes a triangle of dimension n really takes.
    static constexpr __int128 Bytes(int64_t n) { return __int128(Elements(n)) * kStoredRealBytes; }

private:
    // Element (i, j) lies at i(i-1)/2 + j, so index 0 stays unused as in
    // every other one-based array, and row i starts one before its first.
    static constexpr int64_t Elements(int64_t n) { return n * (n + 1) / 2 + 1; }
    static std::size_t RowBase(int i) { return static_cast<std::size_t>(i) * (static_cast<std::size_t>(i) - 1) / 2; }

    int n_ = 0;
    std::vector<unsigned char> data_;  // all bytes zero is +0
};

} // namespace tarvik
