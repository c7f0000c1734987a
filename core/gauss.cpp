#include "core/gauss.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/errors.h"
#include "core/row_pool.h"
#include "core/split_panel.h"

namespace tarvik {

namespace {

constexpr int kPanel = 16;

// About this many updates of an element pass between two looks at Stop
// while the rows below a panel are updated: a millisecond or so.
constexpr int kStopPointUpdates = 1 << 20;

// The work matrix is the caller's, so that its storage shows up where the
// rest of the run's storage lives, but it must never outlive one solve, not
// even when Stop or a zero pivot ends the elimination half-way.
class GaussWorkScope {
public:
    explicit GaussWorkScope(MyArray2& work) : work_(work) {}
    ~GaussWorkScope() { work_.release(); }
    GaussWorkScope(const GaussWorkScope&) = delete;
    GaussWorkScope& operator=(const GaussWorkScope&) = delete;

private:
    MyArray2& work_;
};

inline bool IsNegativeZero(Real v) { return v == 0 && std::signbit(v); }
inline bool IsPositiveZero(Real v) { return v == 0 && !std::signbit(v); }

// Which entries of the work matrix can still be anything but +0.
//
// Most Newton matrices are banded, and elimination with them mostly
// multiplies by exact zeros. Such an update is skipped only where it cannot
// change a bit: v - f*x leaves v as it is when f*x is a zero and v is not
// -0 (-0 - (-0) is +0), and f*x is a zero when f or x is one and the other
// is finite. Rows below the pivot never gain a -0 (a difference is -0 only
// when its left side is), so a matrix that starts without -0 and without
// infinities or NaNs is eliminated sparsely; as soon as anything not finite
// turns up, every later update is done in full, as is everything for a
// matrix that starts with a -0. The right-hand side is always updated where
// its entry is -0, since r[i] - r[k]*0 can turn that into +0.
//
// Entries of a pivot row beyond its extent are left undivided (+0 instead
// of +0 or -0): they only ever meet finite multipliers or, in the back
// substitution, add a zero to a sum that starts at +0 and can never be -0,
// so their sign cannot show.
struct Extents {
    bool full = false;
    std::vector<int> rowLast;   // last column of row i that may not be +0
    std::vector<int> colLast;   // last row of column j that may not be +0
    void MakeFull(int n) {
        full = true;
        std::fill(rowLast.begin(), rowLast.end(), n);
        std::fill(colLast.begin(), colLast.end(), n);
    }
};

// Rows below a panel that take the updates of all its pivot rows over the
// same columns are updated in pairs, two columns at a time: the two
// multipliers and the two pivot-row elements loaded for a pivot row serve
// four updates, and the four running values stay on the register stack.
// Each element still goes through v = v - f[t] * pivot[t][j] for
// t = 0, 1, ... in that order, as alone.
constexpr int kRowBlock = 2;

void UpdateTwoRows(const MatrixRow* rows, const Real* const* fs, const ConstMatrixRow* pivotRow, int width,
                   int j0, int j1) {
    Real f[kPanel][2];
    for (int t = 0; t < width; ++t)
        for (int b = 0; b < 2; ++b) f[t][b] = fs[b][t];
    const MatrixRow r0 = rows[0], r1 = rows[1];
    int j = j0;
    for (; j + 1 <= j1; j += 2) {
        Real v00 = r0.Get(j), v01 = r0.Get(j + 1), v10 = r1.Get(j), v11 = r1.Get(j + 1);
        for (int t = 0; t < width; ++t) {
            const Real f0 = f[t][0], f1 = f[t][1];
            const Real x0 = pivotRow[t].Get(j), x1 = pivotRow[t].Get(j + 1);
            v00 = v00 - f0 * x0;
            v10 = v10 - f1 * x0;
            v01 = v01 - f0 * x1;
            v11 = v11 - f1 * x1;
        }
        r0.Set(j, v00);
        r0.Set(j + 1, v01);
        r1.Set(j, v10);
        r1.Set(j + 1, v11);
    }
    if (j == j1) {
        Real v0 = r0.Get(j), v1 = r1.Get(j);
        for (int t = 0; t < width; ++t) {
            const Real x = pivotRow[t].Get(j);
            v0 = v0 - f[t][0] * x;
            v1 = v1 - f[t][1] * x;
        }
        r0.Set(j, v0);
        r1.Set(j, v1);
    }
}

void UpdateOneRow(const MatrixRow& row, const Real* f, const ConstMatrixRow* pivotRow, int width, int j0, int j1) {
    for (int j = j0; j <= j1; ++j) {
        Real v = row.Get(j);
        for (int t = 0; t < width; ++t) v = v - f[t] * pivotRow[t].Get(j);
        row.Set(j, v);
    }
}

void UpdatePanelRows(int count, const MatrixRow* rows, const Real* const* fs, const ConstMatrixRow* pivotRow,
                     int width, int j0, int j1) {
    if (count == 2)
        UpdateTwoRows(rows, fs, pivotRow, width, j0, j1);
    else if (count == 1)
        UpdateOneRow(rows[0], fs[0], pivotRow, width, j0, j1);
}

// One elimination: the matrix it works in, which entries may still be
// anything but +0, the right side, the column permutation and the steps.
class Elimination {
public:
    Elimination(const GaussOptions& options, MyArray2& w, KernelProgress& progress)
        : options_(options), n_(options.n), w_(w), progress_(progress) {}

    // Copies m into the work matrix (unless they are one) and notes each
    // row's and column's extent.
    void Load(const MyArray2& m, bool inPlace);
    void LoadRightSide(const MyArray1& rhs);
    // Eliminates the pivots of the panel k0..kEnd within the panel's rows.
    void EliminatePanel(int k0, int kEnd, const MyArray1& rhs, bool& zeroPivot, MyArray1& x);
    // Applies the panel's pivot rows to every row below it.
    void UpdateBelowPanel(int k0, int kEnd);
    void BackSubstitute(MyArray1& x) const;
    // Undoes the column exchanges in x.
    void Unpermute(MyArray1& x);

private:
    int SearchPivot(int k) const;
    void ExchangeColumns(int k, int q);
    void DividePivotRow(int k);
    // Rows below rowLimit have zero multipliers; only a -0 on their right
    // side, or a right side of a pivot row that is not finite, can notice.
    void SettleRightSidesBelow(int k0, int kEnd, int rowLimit);

    const GaussOptions& options_;
    const int n_;
    MyArray2& w_;
    KernelProgress& progress_;
    Extents ext_;
    MyArray1 r_;
    std::vector<int> rNegativeZeros_;
    std::vector<int> p_;
    SplitPanel split_;
};

void Elimination::Load(const MyArray2& m, bool inPlace) {
    ext_.rowLast.assign(static_cast<std::size_t>(n_) + 1, 0);
    ext_.colLast.assign(static_cast<std::size_t>(n_) + 1, 0);
    RowStopPoints stopPoints(progress_, n_);
    for (int i = 1; i <= n_; ++i) {
        stopPoints.Row();
        const ConstMatrixRow from = m[i];
        const MatrixRow to = w_[i];
        int last = 0;
        for (int j = 1; j <= n_; ++j) {
            const Real v = from[j];
            if (!inPlace) to.Set(j, v);
            if (!IsPositiveZero(v)) {
                last = j;
                if (v == 0 || !std::isfinite(v)) ext_.full = true;
                ext_.colLast[j] = i;
            }
        }
        ext_.rowLast[i] = last;
    }
    if (ext_.full) ext_.MakeFull(n_);
    p_.resize(static_cast<std::size_t>(n_) + 1);
    for (int i = 1; i <= n_; ++i) p_[i] = i;
}

void Elimination::LoadRightSide(const MyArray1& rhs) {
    r_ = NewVector(n_);
    for (int i = 1; i <= n_; ++i) {
        r_[i] = rhs[i];
        if (IsNegativeZero(r_[i])) rNegativeZeros_.push_back(i);
    }
}

int Elimination::SearchPivot(int k) const {
    Real best = 0;
    int q = k;
    const MatrixRow rowK = w_[k];
    const int searchEnd = ext_.rowLast[k];
    for (int j = k; j <= searchEnd; ++j) {
        if (std::fabs(rowK.Get(j)) > std::fabs(best)) {
            best = rowK.Get(j);
            q = j;
        }
    }
    return best == 0 ? 0 : q;
}

void Elimination::ExchangeColumns(int k, int q) {
    for (int i = 1; i <= n_; ++i) w_[i].Swap(k, q);
    std::swap(p_[k], p_[q]);
    if (!ext_.full) {
        for (int i = 1; i <= n_; ++i)
            if (ext_.rowLast[i] >= k) ext_.rowLast[i] = std::max(ext_.rowLast[i], q);
        std::swap(ext_.colLast[k], ext_.colLast[q]);
    }
}

void Elimination::DividePivotRow(int k) {
    const MatrixRow rowK = w_[k];
    const Real pivot = rowK.Get(k);
    const int rowEnd = ext_.rowLast[k];
    for (int j = k; j <= rowEnd; ++j) rowK.Set(j, rowK.Get(j) / pivot);
    r_[k] = r_[k] / pivot;
    if (!ext_.full) {
        bool finite = true;
        for (int j = k; j <= rowEnd; ++j) finite = finite && std::isfinite(rowK.Get(j));
        if (!finite) {
            ext_.MakeFull(n_);
            for (int j = rowEnd + 1; j <= n_; ++j) rowK.Set(j, rowK.Get(j) / pivot);
        }
    }
}

void Elimination::EliminatePanel(int k0, int kEnd, const MyArray1& rhs, bool& zeroPivot, MyArray1& x) {
    for (int k = k0; k <= kEnd; ++k) {
        progress_.Tick();

        const int q = SearchPivot(k);
        if (q == 0) RaiseZeroPivot(options_, rhs, progress_, zeroPivot, x);
        if (k < n_ && q != k) ExchangeColumns(k, q);

        const MatrixRow rowK = w_[k];
        // The pivot before its row is divided: a row that turns out not to
        // be finite later is divided by it past its extent too.
        const Real pivot = rowK.Get(k);
        const int rowEnd = ext_.rowLast[k];
        DividePivotRow(k);

        // The panel's own rows are needed complete for their pivot search.
        if (k < n_) {
            const int last = std::min(kEnd, ext_.colLast[k]);
            for (int i = k + 1; i <= last; ++i) {
                const MatrixRow rowI = w_[i];
                const Real f = rowI.Get(k);
                if (!ext_.full && !std::isfinite(f)) {
                    ext_.MakeFull(n_);
                    for (int j = rowEnd + 1; j <= n_; ++j) rowK.Set(j, rowK.Get(j) / pivot);
                }
                const int end = ext_.rowLast[k];
                if (ext_.full || f != 0) {
                    for (int j = k; j <= end; ++j) rowI.Set(j, rowI.Get(j) - f * rowK.Get(j));
                    if (!ext_.full) {
                        ext_.rowLast[i] = std::max(ext_.rowLast[i], end);
                        for (int j = k + 1; j <= end; ++j) ext_.colLast[j] = std::max(ext_.colLast[j], i);
                    }
                }
                r_[i] = r_[i] - r_[k] * f;
            }
            for (int i = last + 1; i <= kEnd; ++i) r_[i] = r_[i] - r_[k] * 0.0L;
        }
    }
}

void Elimination::UpdateBelowPanel(int k0, int kEnd) {
    const int n = n_;
    MyArray2& w = w_;
    Extents& ext = ext_;
    MyArray1& r = r_;
    const int width = kEnd - k0 + 1;
    ConstMatrixRow pivotRow[kPanel];
    for (int t = 0; t < width; ++t) pivotRow[t] = w[k0 + t];
    int rowLimit = kEnd;
    int colLimit = kEnd;
    for (int t = 0; t < width; ++t) {
        rowLimit = std::max(rowLimit, ext.colLast[k0 + t]);
        colLimit = std::max(colLimit, ext.rowLast[k0 + t]);
    }
    rowLimit = std::min(rowLimit, n);
    const bool full = ext.full;
    // A few rows below do not repay the copy.
    const SplitPanel* split = nullptr;
    if (rowLimit - kEnd >= 4 && split_.Load(pivotRow, width, kEnd + 1, colLimit)) split = &split_;
    std::atomic<int> lastTouched{0};
    std::atomic<bool> wentFull{false};
    const double work = double(rowLimit - kEnd) * double(colLimit - kEnd + 1) * width;
    // A panel's update at n = 10000 is a second or so of work, too long to
    // leave Stop unanswered. Only the calling thread may look at Stop (it
    // owns the host); when Stop ends the elimination, the other threads
    // give up their rows too, and the error leaves only after all of them
    // have, since they work in the matrix that is released on the way out.
    const std::thread::id caller = std::this_thread::get_id();
    const int rowsPerStopPoint = std::max(1, kStopPointUpdates / std::max(1, width * (colLimit - kEnd)));
    std::atomic<bool> abandoned{false};
    std::exception_ptr stopped;
    SplitRows(kEnd + 1, rowLimit, work, [&](int first, int lastRow) {
        const bool looksAtStop = std::this_thread::get_id() == caller;
        int rowsSinceStopPoint = 0;
        int touched = 0;
        bool anyFull = false;
        // f[b][t] is the multiplier of pivot row k0 + t for row i0 + b: the
        // entry of that row in that pivot column after the updates of the
        // earlier ones.
        Real f[kRowBlock][kPanel];
        static_assert(kRowBlock == 2);
        MatrixRow block[kRowBlock] = {w[0], w[0]};
        const Real* blockF[kRowBlock];
        for (int i0 = first; i0 <= lastRow; i0 += kRowBlock) {
            if (abandoned.load(std::memory_order_relaxed)) return;
            if (looksAtStop && (rowsSinceStopPoint += kRowBlock) >= rowsPerStopPoint) {
                rowsSinceStopPoint = 0;
                try {
                    progress_.StopPoint();
                } catch (...) {
                    stopped = std::current_exception();
                    abandoned = true;
                    return;
                }
            }
            const int i1 = std::min(lastRow, i0 + kRowBlock - 1);
            int blockSize = 0;
            int blockEnd = 0;
            for (int i = i0; i <= i1; ++i) {
                const MatrixRow rowI = w[i];
                Real* fi = f[i - i0];
                for (int t = 0; t < width; ++t) {
                    const int j = k0 + t;
                    Real v = rowI.Get(j);
                    for (int u = 0; u < t; ++u) v = v - fi[u] * pivotRow[u].Get(j);
                    fi[t] = v;
                    v = v - fi[t] * pivotRow[t].Get(j);
                    rowI.Set(j, v);
                }
                bool rowFull = full;
                int active[kPanel];
                int count = 0;
                int end = kEnd;
                for (int t = 0; t < width; ++t) {
                    if (!std::isfinite(fi[t])) rowFull = true;
                    if (fi[t] != 0) {
                        active[count++] = t;
                        end = std::max(end, ext.rowLast[k0 + t]);
                    }
                }
                // Rows taking every pivot row's update join the block.
                int joinEnd = 0;
                if (rowFull) {
                    joinEnd = n;
                    anyFull = anyFull || !full;
                } else if (count == width) {
                    joinEnd = end;
                    ext.rowLast[i] = std::max(ext.rowLast[i], end);
                    touched = i;
                } else if (count > 0) {
                    for (int j = kEnd + 1; j <= end; ++j) {
                        Real v = rowI.Get(j);
                        for (int a = 0; a < count; ++a) v = v - fi[active[a]] * pivotRow[active[a]].Get(j);
                        rowI.Set(j, v);
                    }
                    ext.rowLast[i] = std::max(ext.rowLast[i], end);
                    touched = i;
                }
                if (joinEnd > 0 && split != nullptr && joinEnd <= split->Last()) {
                    UpdateRowFromSplitPanel(rowI, fi, *split, width, joinEnd);
                } else if (joinEnd > 0) {
                    if (blockSize > 0 && joinEnd != blockEnd) {
                        UpdatePanelRows(blockSize, block, blockF, pivotRow, width, kEnd + 1, blockEnd);
                        blockSize = 0;
                    }
                    block[blockSize] = rowI;
                    blockF[blockSize] = fi;
                    ++blockSize;
                    blockEnd = joinEnd;
                }
                for (int t = 0; t < width; ++t) r[i] = r[i] - r[k0 + t] * fi[t];
            }
            if (blockSize > 0) UpdatePanelRows(blockSize, block, blockF, pivotRow, width, kEnd + 1, blockEnd);
        }
        int seen = lastTouched.load();
        while (touched > seen && !lastTouched.compare_exchange_weak(seen, touched)) {
        }
        if (anyFull) wentFull = true;
    });
    if (stopped) std::rethrow_exception(stopped);
    const int touched = lastTouched.load();
    if (wentFull.load()) ext.MakeFull(n);
    if (!ext.full) {
        for (int j = kEnd + 1; j <= colLimit; ++j) ext.colLast[j] = std::max(ext.colLast[j], touched);
    }

    SettleRightSidesBelow(k0, kEnd, rowLimit);
}

void Elimination::SettleRightSidesBelow(int k0, int kEnd, int rowLimit) {
    const int width = kEnd - k0 + 1;
    bool rightFinite = true;
    for (int t = 0; t < width; ++t) rightFinite = rightFinite && std::isfinite(r_[k0 + t]);
    if (!rightFinite) {
        for (int i = rowLimit + 1; i <= n_; ++i)
            for (int t = 0; t < width; ++t) r_[i] = r_[i] - r_[k0 + t] * 0.0L;
    } else if (!rNegativeZeros_.empty()) {
        std::size_t kept = 0;
        for (const int i : rNegativeZeros_) {
            if (i <= kEnd || !IsNegativeZero(r_[i])) continue;
            if (i > rowLimit)
                for (int t = 0; t < width; ++t) r_[i] = r_[i] - r_[k0 + t] * 0.0L;
            if (IsNegativeZero(r_[i])) rNegativeZeros_[kept++] = i;
        }
        rNegativeZeros_.resize(kept);
    }
}

// Past a row's extent the terms are zeros times finite values, which leave
// the sum (never -0) as it is.
void Elimination::BackSubstitute(MyArray1& x) const {
    x[n_] = r_[n_];
    bool xFinite = std::isfinite(x[n_]);
    RowStopPoints stopPoints(progress_, n_);
    for (int i = n_ - 1; i >= 1; --i) {
        stopPoints.Row();
        const ConstMatrixRow rowI = w_[i];
        const int end = xFinite ? ext_.rowLast[i] : n_;
        Real sum = 0;
        for (int j = i + 1; j <= end; ++j) sum += rowI.Get(j) * x[j];
        x[i] = r_[i] - sum;
        xFinite = xFinite && std::isfinite(x[i]);
    }
}

void Elimination::Unpermute(MyArray1& x) { UnpermuteSolution(n_, p_, x); }

} // namespace

void UnpermuteSolution(int n, std::vector<int>& p, MyArray1& x) {
    for (int i = 1; i <= n; ++i) {
        if (p[i] != i) {
            int j = i + 1;
            while (j <= n && p[j] != i) ++j;
            std::swap(x[i], x[j]);
            std::swap(p[i], p[j]);
        }
    }
}

[[noreturn]] void RaiseZeroPivot(const GaussOptions& options, const MyArray1& rhs, KernelProgress& progress,
                                 bool& zeroPivot, MyArray1& x) {
    zeroPivot = true;
    for (int i = 1; i <= options.n; ++i) x[i] = rhs[i];
    progress.Hide();
    if (options.zeroPivotMeansBadParameters && options.iteration == 0)
        throw ERealBadError("Incorrect Function parameters.");
    throw ENotSoBadError("Hessian matrix is 0! (Iterate=" + std::to_string(options.iteration) + ").");
}

void GaussSolve(const GaussOptions& options, MyArray2& m, const MyArray1& rhs, MyArray2& work,
                KernelProgress& progress, bool& zeroPivot, MyArray1& x) {
    const int n = options.n;
    const bool inPlace = options.use == GaussMatrix::MayOverwrite;
    if (x.size() < static_cast<std::size_t>(n) + 1) x.resize(static_cast<std::size_t>(n) + 1, 0.0L);

    if (n >= 200) {
        progress.Show(n);
        progress.Status(" Gauss method works...");
    }

    GaussWorkScope scope(work);
    if (!inPlace) work = NewMatrix(n);
    Elimination e(options, inPlace ? m : work, progress);
    e.Load(m, inPlace);
    e.LoadRightSide(rhs);

    // Right-looking elimination, organised in panels of pivot rows: the rows
    // below a panel receive its updates one element at a time, with the
    // element held in a register across the panel's updates. Every element
    // still sees the same operations in the same order as with one update
    // sweep per pivot row, so the result is bit for bit the same; only the
    // memory traffic, which dominates for large n, shrinks. The rows below a
    // panel are independent of each other and are shared out over the cores.
    for (int k0 = 1; k0 <= n; k0 += kPanel) {
        const int kEnd = std::min(n, k0 + kPanel - 1);
        e.EliminatePanel(k0, kEnd, rhs, zeroPivot, x);
        if (kEnd == n) break;
        e.UpdateBelowPanel(k0, kEnd);
    }
    e.BackSubstitute(x);
    e.Unpermute(x);
    progress.Hide();
}

} // namespace tarvik
