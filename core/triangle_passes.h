#pragma once
// H times a vector over a symmetric matrix kept as its lower triangle, split
// over the cores, with the same bits as the square's row-by-row product.
#include "core/kernel_progress.h"
#include "core/numeric.h"
#include "core/packed_symmetric.h"

namespace tarvik {

// The rank-two change H_ij += w_i t_j + t_i w_j. Its value is the same to
// the last bit for (i, j) and (j, i), so it keeps H exactly symmetric.
struct SymmetricRankTwo {
    const Real* w;
    const Real* t;
};

// out_i = sum over j = 1..n of H_ij x_j, accumulated from zero in the order
// of j, as the square matrix's row i (or column i) would give it. With an
// update, every element is first changed by it and stored, and the sums use
// the changed values. progress ticks `ticks` times along the way; a pressed
// Stop raises there, leaving H partly updated.
void SymmetricTimes(PackedSymmetric& h, const Real* x, const SymmetricRankTwo* update, Real* out,
                    KernelProgress& progress, int ticks);

} // namespace tarvik
