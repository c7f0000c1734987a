#pragma once
// Golden-section line search along u - t*d, t > 0.
#include <cstdint>

#include "core/run_state.h"

namespace tarvik {

// Brackets a minimum of J along -d with steps growing by 1.2 (at most 1000
// rounds), then shrinks the bracket by the golden fraction until the run's
// accuracy test holds on it or 100 reductions are done, and leaves the
// bracket's midpoint in u. h is the length of the first move. J(u) is taken
// from s.JCur. Sets Step to 1; on failure (gradJ.d not positive, or no
// bracket) sets Step to 0, leaves u unchanged and raises EBadError.
void GoldenSectionSearch(RunState& s, FunctionId functionIndex, MyArray1& u, const MyArray1& d, Real h);

} // namespace tarvik
