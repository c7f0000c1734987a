#pragma once
// Golden-section line search along u - t*d, t > 0.
#include "core/objective.h"
#include "core/step_result.h"

namespace tarvik {

struct GoldenOptions {
    Real firstMove;          // length of the first move along -d
    // The run's accuracy test, applied to the bracket [a, b]:
    // ||a - b|| / dist0 when true, |J(a) - J(b)| / j0 otherwise.
    bool relativeDistance;
    Real eps;
    Real dist0;
    Real j0;
};

inline constexpr const char* kGoldenFailureText = "Minimization step-size is 0 or infinity (Golden sections line search).";

// Brackets a minimum of J along -d with steps growing by 1.2 (at most 1000
// rounds), then shrinks the bracket by the golden fraction until the
// accuracy test holds on it or 100 reductions are done, and leaves the
// bracket's midpoint in u (Moved; the step is the midpoint's alpha, u moving
// to u - alpha*d as nearly as the points' own rounding lets it). j is J(u),
// gradient gradJ(u).
// When gradient.d is not positive (NotDescent, no J spent) or no bracket is
// found (NoBracket) u is unchanged.
StepResult GoldenSectionSearch(Objective& objective, const GoldenOptions& options, const MyArray1& gradient,
                               const MyArray1& d, MyArray1& u, Real j);

} // namespace tarvik
