#include "app/direction_rules.h"

#include "core/conjugate_direction.h"
#include "core/progress.h"
#include "core/quasi_newton.h"

namespace tarvik {

void RunConjugateDirection(RunState& s) {
    const ConjugateOptions options{Traits(s.MethodCode).direction == DirectionRule::FletcherReeves,
                                   Traits(s.FunctionCode).quadratic, s.IterCount};
    ConjugateDirection(options, s.N, s.GradJ, s.GradJPrev, s.Conjugate, s.Dir, s.DirNorm);
}

namespace {

QuasiNewtonStep LastStep(const RunState& s) { return {s.N, s.IterCount, s.U, s.UPrev, s.GradJ, s.GradJPrev}; }

} // namespace

void RunBfgsDirection(RunState& s) {
    RunProgress progress(s);
    BfgsDirection(LastStep(s), s.HMatrix, progress, s.Dir, s.DirNorm);
}

void RunLbfgsDirection(RunState& s) {
    LbfgsDirection(LastStep(s), s.LbfgsMemory, s.LbfgsS, s.LbfgsY, s.Dir, s.DirNorm);
}

} // namespace tarvik
