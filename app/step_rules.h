#pragma once
// The step rules as a run uses them: each turns the run state and the
// method's and function's traits into its kernel's options, calls the
// kernel and writes the result back under the run state's names.
#include "core/run_state.h"

namespace tarvik {

// Each returns the step size alpha it moved U by (U - alpha*d).

// Moves U against GradJ by the constant step, fixing Step at the first
// iteration; Step = 0 and EBadError when that step would be infinite.
Real RunConstantStep(RunState& s);

// The golden-section search from U along d (GradJ, or Dir) with the run's
// accuracy test; Step = 1 after it, Step = 0 and EBadError when -d does not
// descend or no bracket is found.
Real RunGoldenSearch(RunState& s, const MyArray1& d, Real firstMove);

// The Wolfe search from U along d (GradJ, or Dir): on a move U, JCur,
// GradJ and GradNorm are those of the new point, JPrev, GradJPrev and
// GradNormPrev those of the old one. Sets SkipReevaluation in every case,
// Step = 0 when the first trial is 0 (alpha 0) or -d does not descend (the
// latter raising EBadError).
Real RunWolfeSearch(RunState& s, const MyArray1& d, Real alphaMax);

} // namespace tarvik
