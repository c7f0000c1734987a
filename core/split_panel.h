#pragma once
// The pivot rows of an elimination panel, each value held as a pair of
// doubles whose sum is the value exactly.
//
// The x87 unit loads an 80-bit value through a slow multi-step path (about
// five cycles a load on the machines measured), and the elimination's
// updates are bound by those loads; a double loads in one quick step and
// the second one adds in another. Rebuilt in a register, the value is the
// same bits as the stored one, so every product and difference computed
// from it is too. Values that do not split exactly (beyond double's range,
// too small for their low part, infinities, NaNs) leave the whole panel on
// the 80-bit loads: Load says so and the caller keeps its own path.
#include <vector>

#include "core/numeric.h"

namespace tarvik {

// The value a pair stands for, added exactly as when the pair was checked.
inline Real Rebuilt(const double* pair) { return Real(pair[0]) + Real(pair[1]); }

class SplitPanel {
public:
    // Copies columns first..last of the pivot rows; false (and nothing to
    // use) when a value does not split exactly or there is nothing to copy.
    bool Load(const ConstMatrixRow* rows, int count, int first, int last);
    bool Usable() const { return usable_; }
    int First() const { return first_; }
    int Last() const { return last_; }
    // Columns come in groups of four, and a group's pairs for all the pivot
    // rows lie together, in the order the update reads them.
    static constexpr int kGroup = 4;
    // The pair of column j of pivot row t.
    const double* Pair(int t, int j) const { return pairs_.data() + Offset(t, j); }

private:
    std::size_t Offset(int t, int j) const {
        const std::size_t column = static_cast<std::size_t>(j - first_);
        const std::size_t group = column / kGroup, lane = column % kGroup;
        return ((group * count_ + static_cast<std::size_t>(t)) * kGroup + lane) * 2;
    }

    std::vector<double> pairs_;
    std::size_t count_ = 0;
    int first_ = 1;
    int last_ = 0;
    bool usable_ = false;
};

// row[j] = row[j] - f[t] * x[t][j] for t = 0..count-1 in that order, for
// each column j from the panel's first one to last (not beyond the
// panel's): what the 80-bit update does to each element, operation for
// operation.
void UpdateRowFromSplitPanel(const MatrixRow& row, const Real* f, const SplitPanel& panel, int count, int last);

} // namespace tarvik
