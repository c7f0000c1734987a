#pragma once
// Numeric types shared by the whole engine. All numerical work is done in
// 80-bit extended precision so that runs agree digit for digit with other
// implementations of the same rules.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace tarvik {

using Real = long double;

// The two parts an x87 extended value is stored in: the significand
// (bytes 0-7, the integer bit on top) and the sign with the biased
// exponent (bytes 8-9). Read as integers, the parts are served from the
// x87 unit's store of them, which an 80-bit load or a wide copy is not.
struct RealParts {
    uint64_t significand = 0;
    uint16_t signAndExponent = 0;
    int BiasedExponent() const { return signAndExponent & 0x7FFF; }
    bool Negative() const { return (signAndExponent & 0x8000) != 0; }
};
inline RealParts PartsOf(const void* stored) {
    RealParts parts;
    std::memcpy(&parts.significand, stored, sizeof parts.significand);
    std::memcpy(&parts.signAndExponent, static_cast<const unsigned char*>(stored) + 8, sizeof parts.signAndExponent);
    return parts;
}
// Writes the ten bytes; the rest of a 16-byte slot is left as it is.
inline void PutParts(void* stored, const RealParts& parts) {
    std::memcpy(stored, &parts.significand, sizeof parts.significand);
    std::memcpy(static_cast<unsigned char*>(stored) + 8, &parts.signAndExponent, sizeof parts.signAndExponent);
}

// A vector of n components stored at indices 1..n; index 0 is never used.
// Kernels run over 1..size()-1, so a vector of any length works with them.
using MyArray1 = std::vector<Real>;
using ArrayInt = std::vector<int32_t>;

// A long double takes 16 bytes in memory, of which the x87 extended format
// uses 10. Matrices are kept at those 10 bytes: loading and storing an
// 80-bit value is exact and raises no flag (not even for a signalling NaN),
// so arithmetic on the stored values is bit for bit what it would be on
// 16-byte elements, while an n x n matrix takes 37.5 % less memory and
// memory traffic.
#if defined(__x86_64__) || defined(__i386__)
inline constexpr std::size_t kStoredRealBytes = 10;
struct __attribute__((may_alias)) StoredRealBytes { unsigned char b[kStoredRealBytes]; };
inline Real LoadStoredReal(const unsigned char* p) {
    Real v;
    asm("fldt %1" : "=t"(v) : "m"(*reinterpret_cast<const StoredRealBytes*>(p)));
    return v;
}
inline void StoreStoredReal(unsigned char* p, Real v) {
    asm("fstpt %0" : "=m"(*reinterpret_cast<StoredRealBytes*>(p)) : "t"(v) : "st");
}
#else
inline constexpr std::size_t kStoredRealBytes = sizeof(Real);
inline Real LoadStoredReal(const unsigned char* p) { Real v; std::memcpy(&v, p, sizeof v); return v; }
inline void StoreStoredReal(unsigned char* p, Real v) { std::memcpy(p, &v, sizeof v); }
#endif

// One element of a matrix, read and written as a Real.
class StoredReal {
public:
    explicit StoredReal(unsigned char* p) : p_(p) {}
    operator Real() const { return LoadStoredReal(p_); }
    StoredReal& operator=(Real v) { StoreStoredReal(p_, v); return *this; }
    StoredReal& operator=(const StoredReal& other) { return *this = Real(other); }
    StoredReal(const StoredReal&) = default;
    StoredReal& operator+=(Real v) { return *this = Real(*this) + v; }
    StoredReal& operator-=(Real v) { return *this = Real(*this) - v; }

private:
    unsigned char* p_;
};

// Row i of a matrix: row[j] reads (and, for a row of a matrix that may be
// changed, writes) element j; Get and Set say the same without a proxy.
class ConstMatrixRow {
public:
    ConstMatrixRow() = default;
    explicit ConstMatrixRow(const unsigned char* p) : p_(p) {}
    Real Get(std::size_t j) const { return LoadStoredReal(p_ + j * kStoredRealBytes); }
    Real operator[](std::size_t j) const { return Get(j); }
    // Where element j is stored.
    const unsigned char* Address(std::size_t j) const { return p_ + j * kStoredRealBytes; }

private:
    const unsigned char* p_ = nullptr;
};

class MatrixRow {
public:
    explicit MatrixRow(unsigned char* p) : p_(p) {}
    Real Get(std::size_t j) const { return LoadStoredReal(p_ + j * kStoredRealBytes); }
    void Set(std::size_t j, Real v) const { StoreStoredReal(p_ + j * kStoredRealBytes, v); }
    StoredReal operator[](std::size_t j) const { return StoredReal(p_ + j * kStoredRealBytes); }
    operator ConstMatrixRow() const { return ConstMatrixRow(p_); }
    // Exchanges elements j and k as they are stored.
    void Swap(std::size_t j, std::size_t k) const {
        unsigned char t[kStoredRealBytes];
        std::memcpy(t, p_ + j * kStoredRealBytes, kStoredRealBytes);
        std::memcpy(p_ + j * kStoredRealBytes, p_ + k * kStoredRealBytes, kStoredRealBytes);
        std::memcpy(p_ + k * kStoredRealBytes, t, kStoredRealBytes);
    }

private:
    unsigned char* p_;
};

// A matrix stored in one block, rows and columns used from index 1.
// m[i][j] reads like the textbook.
class MyArray2 {
public:
    MyArray2() = default;
    // The block comes zeroed from calloc: a large one is fresh pages that
    // the system zeroes as they are first touched, not a gigabyte written
    // out before the run can look at Stop again.
    MyArray2(std::size_t rows, std::size_t cols) : rows_(rows), cols_(cols), data_(Allocate(rows * cols * kStoredRealBytes)) {}
    MyArray2(const MyArray2& other) : rows_(other.rows_), cols_(other.cols_), data_(Allocate(other.Size())) {
        if (other.Size() != 0) std::memcpy(data_.get(), other.data_.get(), other.Size());
    }
    MyArray2(MyArray2&& other) noexcept
        : rows_(std::exchange(other.rows_, 0)), cols_(std::exchange(other.cols_, 0)), data_(std::move(other.data_)) {}
    MyArray2& operator=(MyArray2 other) noexcept {
        std::swap(rows_, other.rows_);
        std::swap(cols_, other.cols_);
        std::swap(data_, other.data_);
        return *this;
    }

    MatrixRow operator[](std::size_t i) { return MatrixRow(data_.get() + i * cols_ * kStoredRealBytes); }
    ConstMatrixRow operator[](std::size_t i) const { return ConstMatrixRow(data_.get() + i * cols_ * kStoredRealBytes); }

    std::size_t rows() const { return rows_; }
    std::size_t cols() const { return cols_; }
    bool empty() const { return Size() == 0; }
    void release() {
        rows_ = cols_ = 0;
        data_.reset();
    }
    // Bytes an (n+1) x (n+1) matrix really takes.
    static constexpr __int128 Bytes(int64_t n) { return __int128(n + 1) * (n + 1) * kStoredRealBytes; }

private:
    struct Free {
        void operator()(unsigned char* p) const { std::free(p); }
    };
    using Block = std::unique_ptr<unsigned char[], Free>;
    std::size_t Size() const { return rows_ * cols_ * kStoredRealBytes; }
    static Block Allocate(std::size_t bytes) {
        if (bytes == 0) return Block();
        auto* p = static_cast<unsigned char*>(std::calloc(bytes, 1));
        if (p == nullptr) throw std::bad_alloc();
        return Block(p);
    }

    std::size_t rows_ = 0;
    std::size_t cols_ = 0;
    Block data_;  // all bytes zero is +0
};

// A one-based vector of n components (length n + 1), all zero.
inline MyArray1 NewVector(int n) { return MyArray1(static_cast<std::size_t>(n) + 1, 0.0L); }
// An (n+1) x (n+1) matrix, all zero.
inline MyArray2 NewMatrix(int n) { return MyArray2(static_cast<std::size_t>(n) + 1, static_cast<std::size_t>(n) + 1); }
inline void ReleaseVector(MyArray1& v) { MyArray1().swap(v); }

// Number of components of a one-based vector.
inline int Components(const MyArray1& v) { return v.empty() ? 0 : static_cast<int>(v.size()) - 1; }

} // namespace tarvik
