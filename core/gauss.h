#pragma once
// Gauss elimination with column pivoting for the Newton systems and the
// TRIDIA test point.
#include <cstdint>
#include <vector>

#include "core/kernel_progress.h"
#include "core/numeric.h"

namespace tarvik {

// Whether the solve may eliminate in the matrix itself: only where it is
// formed afresh before it is read again, as the plain Newton steps do. A
// work copy of an n x n matrix at n = 10000 is 1.6 GB.
enum class GaussMatrix { Keep, MayOverwrite };

struct GaussOptions {
    int n;
    int64_t iteration;                 // k, for the failure texts
    // A zero pivot at k = 0 means the function's parameters admit no
    // solution rather than a singular Newton system.
    bool zeroPivotMeansBadParameters;
    GaussMatrix use;
};

// Solves m x = rhs over rows and columns 1..n; rhs is never changed, m only
// with MayOverwrite. Otherwise the elimination works on a copy held in
// work, which is released on every exit. For n >= 200 it shows progress
// and honours Stop.
// A zero pivot sets zeroPivot, leaves rhs in x and raises ERealBadError
// "Incorrect Function parameters." or ENotSoBadError
// "Hessian matrix is 0! (Iterate=k).".
void GaussSolve(const GaussOptions& options, MyArray2& m, const MyArray1& rhs, MyArray2& work,
                KernelProgress& progress, bool& zeroPivot, MyArray1& x);

// x in the order of the unknowns from the order of the rows after the
// exchanges p recorded (p is used up), for every elimination alike.
void UnpermuteSolution(int n, std::vector<int>& p, MyArray1& x);

// What a zero pivot does, for every elimination alike: sets zeroPivot,
// leaves rhs in x, hides the progress and raises the error above.
[[noreturn]] void RaiseZeroPivot(const GaussOptions& options, const MyArray1& rhs, KernelProgress& progress,
                                 bool& zeroPivot, MyArray1& x);

} // namespace tarvik
