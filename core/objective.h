#pragma once
// The only evaluators of J and of its gradient. Each call counts one
// evaluation in EvalCount, also when it fails.
#include <cstdint>

#include "core/run_state.h"

namespace tarvik {

// s_j = sin(2*pi*(j-1)/(n-1))/2 with the ten-decimal pi of the catalogue.
Real SinShift(int j, int n);

// J(u) of the function with the given code. Raises EBadError
// "Error in evaluation of function: " + FunctionName on an arithmetic fault.
Real EvalJ(RunState& s, uint8_t functionCode, const MyArray1& u);

// gradJ(u) into g (length N + 1) and its Euclidean norm into gnorm; clears
// ContinueRun when the norm is exactly 0. Raises EBadError
// "Error in evaluation of gradient: " + FunctionName, or ERealBadError
// "Error in evaluation of gradient norm for function: " + FunctionName.
void EvalGrad(RunState& s, uint8_t functionCode, const MyArray1& u, MyArray1& g, Real& gnorm);

} // namespace tarvik
