#pragma once
// Numeric types shared by the whole engine. All numerical work is done in
// 80-bit extended precision so that runs agree digit for digit with other
// implementations of the same rules.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarvik {

using Real = long double;

// A vector of n components stored at indices 1..n; index 0 is never used.
// Kernels run over 1..size()-1, so a vector of any length works with them.
using MyArray1 = std::vector<Real>;
using ArrayInt = std::vector<int32_t>;

// A matrix stored in one block, rows and columns used from index 1.
// m[i] is a pointer to row i, so m[i][j] reads like the textbook.
class MyArray2 {
public:
    MyArray2() = default;
    MyArray2(std::size_t rows, std::size_t cols) : rows_(rows), cols_(cols), data_(rows * cols, 0.0L) {}

    Real* operator[](std::size_t i) { return data_.data() + i * cols_; }
    const Real* operator[](std::size_t i) const { return data_.data() + i * cols_; }

    std::size_t rows() const { return rows_; }
    std::size_t cols() const { return cols_; }
    bool empty() const { return data_.empty(); }
    void release() { rows_ = cols_ = 0; std::vector<Real>().swap(data_); }

private:
    std::size_t rows_ = 0;
    std::size_t cols_ = 0;
    std::vector<Real> data_;
};

// A one-based vector of n components (length n + 1), all zero.
inline MyArray1 NewVector(int n) { return MyArray1(static_cast<std::size_t>(n) + 1, 0.0L); }
// An (n+1) x (n+1) matrix, all zero.
inline MyArray2 NewMatrix(int n) { return MyArray2(static_cast<std::size_t>(n) + 1, static_cast<std::size_t>(n) + 1); }
inline void ReleaseVector(MyArray1& v) { MyArray1().swap(v); }

// Number of components of a one-based vector.
inline int Components(const MyArray1& v) { return v.empty() ? 0 : static_cast<int>(v.size()) - 1; }

} // namespace tarvik
