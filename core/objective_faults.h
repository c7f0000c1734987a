#pragma once
// What an objective's evaluations say when they fail or succeed, shared by
// the general evaluations and the short path of the functions of (u1, u2).
#include <string>

#include "core/numeric.h"

namespace tarvik {

// The status texts. Built once: a two-dimensional evaluation takes hardly
// longer than a text.
extern const std::string kWorkingStatus;           // after every evaluation that succeeds
extern const std::string kEvaluatingFunction;      // before J, for n >= 1000
extern const std::string kEvaluatingGradient;      // before gradJ, for n >= 1000

// Out of the way of the evaluation that succeeds: each raises EBadError or
// ERealBadError with the text that names the function.
[[noreturn, gnu::cold, gnu::noinline]] void ThrowFunctionFault(const std::string& name);
[[noreturn, gnu::cold, gnu::noinline]] void ThrowGradientFault(const std::string& name);
// The norm came out infinite or not a number: the gradient's fault when one
// of its components 1..n already is, the norm's otherwise.
[[noreturn, gnu::cold, gnu::noinline]] void ThrowNormFault(const MyArray1& g, int n, const std::string& name);

} // namespace tarvik
