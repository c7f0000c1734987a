#include "core/band_gauss.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tarvik {

namespace {

// Why leaving out what lies outside the held stretches changes no bit, with
// W the full matrix of the plain elimination (pivot k, multiplier f = W_ik):
//
// - Left of a row's stretch every entry from the pivot column on is +0, and
//   right of it every entry is the row's background b: +0 for a row below
//   the pivot, +0 / pivot once the row has been a pivot row (the plain
//   elimination divides its whole row, zeros included).
// - The update v - f*x of an entry where x is a background zero and f is
//   finite subtracts a signed zero. That leaves every v but -0 as it is, and
//   v = -0 only where a row holds a -0. In round-to-nearest a difference is
//   -0 only when its left side is -0 and its right side +0, so no row gains a
//   -0 it did not start with: the rows that held one when loaded are the
//   only ones such updates can change, and they are updated in full whenever
//   the pivot row's background is -0.
// - A row below the pivot whose stretch holds neither the pivot column nor
//   any column of the pivot row's stretch has f = +0, and meets the pivot
//   row only in zeros of its own or of the pivot row's background; by the
//   rule above only its -0s, or a -0 on its right side, can notice.
// - A column exchange moves values within rows; where both columns lie
//   outside a row's stretch on the same side, both hold the same background.
// - Pivot search: a zero never beats the best so far (strictly greater).
// - Back substitution: a sum that starts at +0 never becomes -0, so adding
//   b * x_j = a zero changes nothing while x_j is finite.
// Infinities and NaNs turn the background's zeros into NaNs (0 * inf), so a
// matrix with one is eliminated in full from the start.
struct NeedsFullMatrix {};

inline bool IsNegativeZero(Real v) { return v == 0 && std::signbit(v); }
inline bool IsPositiveZero(Real v) { return v == 0 && !std::signbit(v); }

// Columns lo..hi of a row; +0 left of them, background right of them.
struct HeldRow {
    int lo = 1;
    int hi = 0;
    Real background = 0;
    std::vector<Real> v;
    Real Get(int j) const { return j < lo ? 0.0L : j > hi ? background : v[static_cast<std::size_t>(j - lo)]; }
};

class BandElimination {
public:
    BandElimination(const GaussOptions& options, KernelProgress& progress)
        : options_(options), n_(options.n), progress_(progress) {}

    void Load(const BandMatrix& m, const MyArray1& rhs);
    void Eliminate(const MyArray1& rhs, bool& zeroPivot, MyArray1& x);
    void BackSubstitute(MyArray1& x) const;
    void Unpermute(MyArray1& x);

private:
    void Set(int i, int j, Real v);
    // Rows i's stretch now also covers columns a..b.
    void Cover(int i, int a, int b);
    int SearchPivot(int k) const;
    void ExchangeColumns(int k, int q);
    void DividePivotRow(int k);
    void EliminateBelow(int k);
    void UpdateRow(int i, int k);
    bool HoldsNegativeZero(int i) const;

    const GaussOptions& options_;
    const int n_;
    KernelProgress& progress_;
    std::vector<HeldRow> rows_;
    // The rows whose stretch may cover column j lie in colFirst_[j]..colLast_[j].
    std::vector<int> colFirst_, colLast_;
    std::vector<int> negativeZeroRows_;  // rows loaded with a -0, ascending
    std::vector<int> negativeZeroRights_;  // rows whose right side is -0, ascending
    std::vector<int> updatedAt_;  // the pivot that last updated row i in full
    MyArray1 r_;
    std::vector<int> p_;
};

void BandElimination::Load(const BandMatrix& m, const MyArray1& rhs) {
    const auto size = static_cast<std::size_t>(n_) + 1;
    rows_.assign(size, HeldRow{});
    colFirst_.assign(size, n_ + 1);
    colLast_.assign(size, 0);
    updatedAt_.assign(size, 0);
    for (int i = 1; i <= n_; ++i) {
        HeldRow& row = rows_[i];
        row.lo = m.First(i);
        row.hi = m.Last(i);
        row.v.resize(static_cast<std::size_t>(row.hi - row.lo + 1));
        bool negativeZero = false;
        for (int j = row.lo; j <= row.hi; ++j) {
            const Real v = m.Get(i, j);
            if (!std::isfinite(v)) throw NeedsFullMatrix{};
            negativeZero = negativeZero || IsNegativeZero(v);
            row.v[static_cast<std::size_t>(j - row.lo)] = v;
        }
        if (negativeZero) negativeZeroRows_.push_back(i);
        Cover(i, row.lo, row.hi);
    }
    r_ = NewVector(n_);
    for (int i = 1; i <= n_; ++i) {
        r_[i] = rhs[i];
        if (IsNegativeZero(r_[i])) negativeZeroRights_.push_back(i);
    }
    p_.resize(size);
    for (int i = 1; i <= n_; ++i) p_[i] = i;
}

void BandElimination::Cover(int i, int a, int b) {
    for (int j = a; j <= b; ++j) {
        colFirst_[j] = std::min(colFirst_[j], i);
        colLast_[j] = std::max(colLast_[j], i);
    }
}

void BandElimination::Set(int i, int j, Real v) {
    HeldRow& row = rows_[i];
    if (j >= row.lo && j <= row.hi) {
        row.v[static_cast<std::size_t>(j - row.lo)] = v;
        return;
    }
    if (j > row.hi) {
        if (v == 0 && std::signbit(v) == std::signbit(row.background)) return;
        const int oldHi = row.hi;
        row.v.resize(static_cast<std::size_t>(j - row.lo + 1), row.background);
        row.hi = j;
        Cover(i, oldHi + 1, j);
    } else {
        if (IsPositiveZero(v)) return;
        const int oldLo = row.lo;
        row.v.insert(row.v.begin(), static_cast<std::size_t>(oldLo - j), 0.0L);
        row.lo = j;
        Cover(i, j, oldLo - 1);
    }
    row.v[static_cast<std::size_t>(j - row.lo)] = v;
}

int BandElimination::SearchPivot(int k) const {
    const HeldRow& row = rows_[k];
    Real best = 0;
    int q = k;
    for (int j = std::max(k, row.lo); j <= row.hi; ++j) {
        const Real v = row.v[static_cast<std::size_t>(j - row.lo)];
        if (std::fabs(v) > std::fabs(best)) {
            best = v;
            q = j;
        }
    }
    return best == 0 ? 0 : q;
}

void BandElimination::ExchangeColumns(int k, int q) {
    const int first = std::min(colFirst_[k], colFirst_[q]);
    const int last = std::max(colLast_[k], colLast_[q]);
    for (int i = first; i <= last; ++i) {
        const Real a = rows_[i].Get(k);
        const Real b = rows_[i].Get(q);
        Set(i, k, b);
        Set(i, q, a);
    }
    std::swap(p_[k], p_[q]);
}

void BandElimination::DividePivotRow(int k) {
    HeldRow& row = rows_[k];
    // The pivot is not +0, so the stretch holds it.
    const Real pivot = row.v[static_cast<std::size_t>(k - row.lo)];
    for (int j = k; j <= row.hi; ++j) {
        Real& v = row.v[static_cast<std::size_t>(j - row.lo)];
        v = v / pivot;
        if (!std::isfinite(v)) throw NeedsFullMatrix{};
    }
    row.background = row.background / pivot;
    r_[k] = r_[k] / pivot;
}

void BandElimination::UpdateRow(int i, int k) {
    HeldRow& row = rows_[i];
    const HeldRow& pivotRow = rows_[k];
    const Real f = row.Get(k);
    if (!std::isfinite(f)) throw NeedsFullMatrix{};
    // Left of the row's stretch a zero multiplier leaves +0 - 0 * x = +0.
    const int start = f == 0 ? std::max(k, row.lo) : k;
    const int end = std::max(pivotRow.hi, row.hi);
    for (int j = start; j <= end; ++j) Set(i, j, row.Get(j) - f * pivotRow.Get(j));
    r_[i] = r_[i] - r_[k] * f;
    updatedAt_[i] = k;
}

bool BandElimination::HoldsNegativeZero(int i) const {
    for (const Real v : rows_[i].v)
        if (IsNegativeZero(v)) return true;
    return false;
}

void BandElimination::EliminateBelow(int k) {
    const HeldRow& pivotRow = rows_[k];
    // Below this row no stretch covers the pivot column or a column of the
    // pivot row's stretch.
    int reach = k;
    for (int j = k; j <= pivotRow.hi; ++j) reach = std::max(reach, colLast_[j]);
    reach = std::min(reach, n_);
    for (int i = k + 1; i <= reach; ++i) UpdateRow(i, k);

    // (+0) * (+0 / pivot) is -0 only for a negative pivot, and only then can
    // the rows below notice the pivot row's background.
    if (!negativeZeroRows_.empty() && std::signbit(pivotRow.background)) {
        std::size_t kept = 0;
        for (const int i : negativeZeroRows_) {
            if (i <= k) continue;
            if (i > reach) UpdateRow(i, k);
            if (HoldsNegativeZero(i)) negativeZeroRows_[kept++] = i;
        }
        negativeZeroRows_.resize(kept);
    }

    // The rows left out have the multiplier +0: r_i - r_k * 0.
    const Real rk = r_[k];
    if (!std::isfinite(rk)) {
        for (int i = reach + 1; i <= n_; ++i)
            if (updatedAt_[i] != k) r_[i] = r_[i] - rk * 0.0L;
    } else if (!negativeZeroRights_.empty()) {
        std::size_t kept = 0;
        for (const int i : negativeZeroRights_) {
            if (i <= k) continue;
            if (i > reach && updatedAt_[i] != k) r_[i] = r_[i] - rk * 0.0L;
            if (IsNegativeZero(r_[i])) negativeZeroRights_[kept++] = i;
        }
        negativeZeroRights_.resize(kept);
    }
}

void BandElimination::Eliminate(const MyArray1& rhs, bool& zeroPivot, MyArray1& x) {
    for (int k = 1; k <= n_; ++k) {
        progress_.Tick();
        const int q = SearchPivot(k);
        if (q == 0) RaiseZeroPivot(options_, rhs, progress_, zeroPivot, x);
        if (k < n_ && q != k) ExchangeColumns(k, q);
        DividePivotRow(k);
        if (k < n_) EliminateBelow(k);
    }
}

void BandElimination::BackSubstitute(MyArray1& x) const {
    x[n_] = r_[n_];
    bool xFinite = std::isfinite(x[n_]);
    for (int i = n_ - 1; i >= 1; --i) {
        const HeldRow& row = rows_[i];
        const int end = xFinite ? std::min(row.hi, n_) : n_;
        Real sum = 0;
        for (int j = i + 1; j <= end; ++j) sum += row.Get(j) * x[j];
        x[i] = r_[i] - sum;
        xFinite = xFinite && std::isfinite(x[i]);
    }
}

void BandElimination::Unpermute(MyArray1& x) { UnpermuteSolution(n_, p_, x); }

} // namespace

void BandGaussSolve(const GaussOptions& options, const BandMatrix& m, const MyArray1& rhs, KernelProgress& progress,
                    bool& zeroPivot, MyArray1& x) {
    const int n = options.n;
    if (x.size() < static_cast<std::size_t>(n) + 1) x.resize(static_cast<std::size_t>(n) + 1, 0.0L);
    if (n >= 200) {
        progress.Show(n);
        progress.Status(" Gauss method works...");
    }
    try {
        BandElimination e(options, progress);
        e.Load(m, rhs);
        e.Eliminate(rhs, zeroPivot, x);
        e.BackSubstitute(x);
        e.Unpermute(x);
        progress.Hide();
        return;
    } catch (const NeedsFullMatrix&) {
    }
    // Everything up to here was the plain elimination's own first steps, so
    // doing them again raises no flag and no failure the first time did not.
    MyArray2 full = NewMatrix(n);
    for (int i = 1; i <= n; ++i)
        for (int j = m.First(i); j <= m.Last(i); ++j) full[i][j] = m.Get(i, j);
    MyArray2 work;
    GaussOptions inPlace = options;
    inPlace.use = GaussMatrix::MayOverwrite;
    GaussSolve(inPlace, full, rhs, work, progress, zeroPivot, x);
}

} // namespace tarvik
