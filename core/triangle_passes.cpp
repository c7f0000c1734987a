#include "core/triangle_passes.h"

#include <algorithm>
#include <cmath>

#include "core/row_pool.h"

namespace tarvik {

namespace {

// Element (i, k), k <= i, of the triangle serves two sums: row i's, where
// it is the k-th term, and row k's, where it is the i-th. Walking the rows
// downwards, row i adds its own terms 1..i and then hands each earlier sum
// k < i its i-th term: every sum still takes its terms in the order of j.
//
// For two cores the indices are cut at c = n/2 into A = 1..c and B = c+1..n.
// The triangle's blocks AA, BA (rows B, columns A) and BB are walked in two
// phases of two equal parts each, so that no element is written by one core
// while the other reads it:
//   first:  AA whole (rows' own terms and their terms for earlier rows)  |  the sums of rows B over columns A
//   second: BA's terms for the sums of A, in row order                    |  BB whole, each row's sum going on from the first phase
// The sums of A take AA's terms before BA's and those of B BA's before BB's,
// as the order of j asks. With an update, BA's elements are computed in both
// phases and stored only in the second.
template <bool Update>
class Pass {
public:
    Pass(PackedSymmetric& h, const Real* x, const SymmetricRankTwo* update, Real* out, Real* prefix)
        : h_(h), x_(x), w_(Update ? update->w : nullptr), t_(Update ? update->t : nullptr), out_(out),
          prefix_(prefix) {}

    // Rows first..last of the diagonal block whose columns start at from:
    // each row's own terms (after those of the columns before from) and its
    // terms for the earlier rows of the block.
    void Diagonal(int from, int first, int last) const {
        for (int i = first; i <= last; ++i) {
            const MatrixRow row = h_.Row(i);
            const Real xi = x_[i], wi = W(i), ti = T(i);
            Real own = from == 1 ? Real(0) : prefix_[i];
            for (int k = from; k < i; ++k) {
                const Real v = Value(row, wi, ti, k, true);
                own += v * x_[k];
                out_[k] += v * xi;
            }
            own += Value(row, wi, ti, i, true) * xi;
            out_[i] = own;
        }
    }

    // The sums of rows first..last over columns 1..c.
    void Prefix(int c, int first, int last) const {
        for (int i = first; i <= last; ++i) {
            const MatrixRow row = h_.Row(i);
            const Real wi = W(i), ti = T(i);
            Real own = 0;
            for (int k = 1; k <= c; ++k) own += Value(row, wi, ti, k, false) * x_[k];
            prefix_[i] = own;
        }
    }

    // The terms of rows first..last in columns 1..c for those columns' sums,
    // two rows at a time (row i's term before row i+1's, as the order asks).
    void Scatter(int c, int first, int last) const {
        int i = first;
        for (; i + 1 <= last; i += 2) {
            const MatrixRow row0 = h_.Row(i);
            const MatrixRow row1 = h_.Row(i + 1);
            const Real x0 = x_[i], x1 = x_[i + 1];
            const Real w0 = W(i), t0 = T(i), w1 = W(i + 1), t1 = T(i + 1);
            for (int k = 1; k <= c; ++k) {
                const Real v0 = Value(row0, w0, t0, k, true);
                const Real v1 = Value(row1, w1, t1, k, true);
                Real sum = out_[k];
                sum += v0 * x0;
                sum += v1 * x1;
                out_[k] = sum;
            }
        }
        for (; i <= last; ++i) {
            const MatrixRow row = h_.Row(i);
            const Real xi = x_[i], wi = W(i), ti = T(i);
            for (int k = 1; k <= c; ++k) out_[k] += Value(row, wi, ti, k, true) * xi;
        }
    }

private:
    // Element (i, k) as the sums use it: changed by the update (and then
    // stored when store is set), or as it is.
    Real Value(const MatrixRow& row, Real wi, Real ti, int k, bool store) const {
        if constexpr (Update) {
            const Real v = row.Get(static_cast<std::size_t>(k)) + (wi * t_[k] + ti * w_[k]);
            if (store) row.Set(static_cast<std::size_t>(k), v);
            return v;
        } else {
            (void)wi;
            (void)ti;
            (void)store;
            return row.Get(static_cast<std::size_t>(k));
        }
    }
    Real W(int i) const { return Update ? w_[i] : Real(0); }
    Real T(int i) const { return Update ? t_[i] : Real(0); }

    PackedSymmetric& h_;
    const Real* x_;
    const Real* w_;
    const Real* t_;
    Real* out_;
    Real* prefix_;
};

// Chunks per phase: one row in about 128 per chunk, so that the progress
// and Stop are looked at every millisecond or so even at n = 10000.
constexpr int kRowsPerChunk = 128;

template <bool Update>
void RunPass(PackedSymmetric& h, const Real* x, const SymmetricRankTwo* update, Real* out, KernelProgress& progress,
             int ticks) {
    const int n = h.Dimension();
    const int c = n / 2;
    MyArray1 prefix = NewVector(n);
    const Pass<Update> pass(h, x, update, out, prefix.data());
    const int chunks = std::max(1, n / kRowsPerChunk);
    // Bounds of chunk q of B's rows taken evenly, and of a diagonal block's
    // rows (from + the block's size), whose costs grow with the row, by work.
    const auto even = [&](int q) { return c + 1 + static_cast<int>(int64_t(n - c) * q / chunks); };
    const auto byWork = [&](int from, int size, int q) {
        return from + static_cast<int>(std::lround(size * std::sqrt(double(q) / chunks)));
    };
    const double work = double(n) * n / (2.0 * chunks);
    int ticked = 0;
    double sinceStopPoint = 0;
    for (int phase = 0; phase < 2; ++phase) {
        for (int q = 0; q < chunks; ++q) {
            SplitRows(0, 1, work, [&](int first, int last) {
                for (int task = first; task <= last; ++task) {
                    if (phase == 0 && task == 0) pass.Diagonal(1, byWork(1, c, q), byWork(1, c, q + 1) - 1);
                    if (phase == 0 && task == 1) pass.Prefix(c, even(q), even(q + 1) - 1);
                    if (phase == 1 && task == 0) pass.Scatter(c, even(q), even(q + 1) - 1);
                    if (phase == 1 && task == 1)
                        pass.Diagonal(c + 1, byWork(c + 1, n - c, q), byWork(c + 1, n - c, q + 1) - 1);
                }
            });
            const int64_t due = int64_t(ticks) * (phase * chunks + q + 1) / (2 * chunks);
            for (; ticked < due; ++ticked) progress.Tick();
            // A pass without a bar (the first direction's) still lets Stop
            // act once about 2^16 elements have passed, as row loops do.
            sinceStopPoint += work;
            if (ticks == 0 && sinceStopPoint >= 65536) {
                progress.StopPoint();
                sinceStopPoint = 0;
            }
        }
    }
}

} // namespace

void SymmetricTimes(PackedSymmetric& h, const Real* x, const SymmetricRankTwo* update, Real* out,
                    KernelProgress& progress, int ticks) {
    if (update != nullptr)
        RunPass<true>(h, x, update, out, progress, ticks);
    else
        RunPass<false>(h, x, update, out, progress, ticks);
}

} // namespace tarvik
