#pragma once
// Analytic Hessians of the test functions.
#include <array>
#include <cstdint>
#include <functional>

#include "core/band_matrix.h"
#include "core/numeric.h"
#include "core/parameters.h"

namespace tarvik {

enum class FunctionId : std::uint8_t;

// h11, h12, h21, h22 of a function with a 2x2 Hessian at u.
using Hessian2 = std::array<Real, 4>;
Hessian2 TwoDimensionalHessian(FunctionId functionCode, const MyArray1& u);

// The n x n TRIDIA Hessian with the given tunable parameters into H.
// rowDone, when given, is told after each row of a pass over all entries.
void TridiaHessian(const TunableParameters& params, int n, MyArray2& H, const std::function<void()>& rowDone = {});

// The Hessian of a function with a constant or varying matrix at u into H
// (rows and columns 1..n); params holds the functions' tunable constants.
// Which entries are written, and which are cleared first, depends on the
// function: the constant quadratic matrices that are full overwrite everything.
void FillHessianMatrix(FunctionId functionCode, int n, const TunableParameters& params, const MyArray1& u,
                       MyArray2& H, const std::function<void()>& rowDone = {});

// The same Hessian as FillHessianMatrix for a function whose Hessian is
// banded (its trait hessianBand), as a band of that half-width: the same
// bits in the band, where the full matrix has +0 everywhere else.
void FillHessianBand(FunctionId functionCode, int n, const TunableParameters& params, const MyArray1& u,
                     BandMatrix& H);

} // namespace tarvik
