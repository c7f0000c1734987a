#pragma once
// Analytic Hessians of the test functions.
#include <array>
#include <cstdint>

#include "core/run_state.h"

namespace tarvik {

// h11, h12, h21, h22 of a function with a 2x2 Hessian at u.
using Hessian2 = std::array<Real, 4>;
Hessian2 TwoDimensionalHessian(FunctionId functionCode, const MyArray1& u);

// The TRIDIA Hessian with the tunable parameters of the run into H.
void TridiaHessian(RunState& s, MyArray2& H);

// The Hessian of a function with a constant or varying matrix at u into H
// (rows and columns 1..N). Which entries are written, and which are
// cleared first, depends on the function: the constant quadratic matrices that are full overwrite everything.
void FillHessianMatrix(RunState& s, FunctionId functionCode, const MyArray1& u, MyArray2& H);

} // namespace tarvik
