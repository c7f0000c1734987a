#pragma once
// The direction rules as a run uses them: each turns the run state and the
// method's and function's traits into its kernel's options and vectors,
// calls the kernel and writes the result back under the run state's names.
#include "core/run_state.h"

namespace tarvik {

// Dir and DirNorm from GradJ, GradJPrev and the run's conjugate state.
void RunConjugateDirection(RunState& s);

// Dir and DirNorm from the step U - UPrev, GradJ - GradJPrev: BFGS updates
// HMatrix with it, L-BFGS stores it among its LbfgsMemory pairs.
void RunBfgsDirection(RunState& s);
void RunLbfgsDirection(RunState& s);

} // namespace tarvik
