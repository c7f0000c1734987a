#pragma once
// Gauss elimination of a banded Newton matrix, with the pivoting, the
// operations and so the bits of GaussSolve on the full matrix.
#include "core/band_matrix.h"
#include "core/gauss.h"

namespace tarvik {

// Solves m x = rhs over rows and columns 1..n as GaussSolve does the full
// matrix that is +0 outside the band: the same x, the same failures, the
// same progress and Stop points, the same floating-point flags. Neither m
// nor rhs is changed (options.use does not matter). The elimination holds
// each row as the stretch of columns that can be anything but the row's
// background (+0, or after its division +0 over its pivot), so it costs the
// band's fill-in instead of n^2; should a value that is not finite turn up,
// where the background's zeros would stop being neutral, it starts again on
// a full copy.
void BandGaussSolve(const GaussOptions& options, const BandMatrix& m, const MyArray1& rhs, KernelProgress& progress,
                    bool& zeroPivot, MyArray1& x);

} // namespace tarvik
