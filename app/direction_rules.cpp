#include "app/direction_rules.h"

#include "core/conjugate_direction.h"

namespace tarvik {

void RunConjugateDirection(RunState& s) {
    const ConjugateOptions options{Traits(s.MethodCode).direction == DirectionRule::FletcherReeves,
                                   Traits(s.FunctionCode).quadratic, s.IterCount};
    ConjugateDirection(options, s.N, s.GradJ, s.GradJPrev, s.Conjugate, s.Dir, s.DirNorm);
}

} // namespace tarvik
