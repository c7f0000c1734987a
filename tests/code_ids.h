#pragma once
// Cases name functions and methods by their codes, as the batch mode's
// command lines and the recorded runs do.
#include "core/function_catalogue.h"
#include "core/method_catalogue.h"

namespace tarvik {

inline FunctionId Fn(int code) { return static_cast<FunctionId>(code); }
inline MethodId Md(int code) { return static_cast<MethodId>(code); }

} // namespace tarvik
