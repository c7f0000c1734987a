#include "app/direction_rules.h"

#include <string>

#include "core/collinear_gradients.h"
#include "core/conjugate_direction.h"
#include "core/gauss.h"
#include "core/newton_methods.h"
#include "core/objective.h"
#include "core/newton_step.h"
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

void RunGaussSolve(RunState& s, MyArray1& x, GaussMatrix use) {
    const FunctionTraits& function = Traits(s.FunctionCode);
    const bool fromFiles = function.hessian == HessianShape::FromFiles;
    const GaussOptions options{s.N, s.IterCount, function.zeroPivotMeansBadParameters,
                               fromFiles ? GaussMatrix::Keep : use};
    RunProgress progress(s);
    bool zeroPivot = false;
    try {
        GaussSolve(options, fromFiles ? s.Quad.QuadA : s.HMatrix, s.GradJ, s.GaussWork, progress, zeroPivot, x);
    } catch (...) {
        if (zeroPivot) s.ResumeSteepest = 1;
        throw;
    }
}

NewtonSolve GaussSolverOf(RunState& s) {
    return [&s](MyArray1& x, GaussMatrix use) { RunGaussSolve(s, x, use); };
}

void RunNewtonStep(RunState& s, MyArray1& d) {
    ++s.HessianEvaluations;
    // Classical Newton forms the whole Hessian afresh at every step, so the
    // elimination may work in it; the trust region reads it again for its model.
    const GaussMatrix use = Traits(s.MethodCode).gaussMayOverwrite ? GaussMatrix::MayOverwrite : GaussMatrix::Keep;
    const NewtonOptions options{s.FunctionCode, s.N, s.IterCount, s.Params, s.FunctionName, use};
    NewtonStep(options, s.U, s.GradJ, {s.HMatrix, s.Hess2x2}, GaussSolverOf(s), d);
}

void RunFdNewtonStep(RunState& s) {
    ++s.HessianEvaluations;
    Objective objective(s, s.FunctionCode);
    FdNewtonStep(objective, s.IterCount, s.U, s.GradJ, s.HMatrix, GaussSolverOf(s), s.Dir);
}

void RunInexactNewtonStep(RunState& s) {
    // The base point is kept where the report and a Stop find it.
    s.GradJ0 = s.GradJ;
    s.U0 = s.U;
    s.GradNorm0 = s.GradNorm;
    Objective objective(s, s.FunctionCode);
    RunProgress status(s);
    const InexactNewtonOptions options{s.IterCount, s.Params.NewtonCgForcingC, s.Params.MaxSubIter};
    InexactNewtonStep(objective, options, s.U0, s.GradJ0, s.GradNorm0, status, s.SubIterCount, s.Dir, s.DirNorm);
    if (s.DirNorm == 0) s.Step = 0;
}

TrustModel TrustModelOf(const RunState& s) {
    const HessianShape shape = Traits(s.FunctionCode).hessian;
    return {s.UPrev, s.JCur, s.GradJ, s.Hess2x2, shape == HessianShape::FromFiles ? s.Quad.QuadA : s.HMatrix,
            shape == HessianShape::TwoByTwo};
}

void RunTrustRegionStep(RunState& s) {
    s.UPrev = s.U;
    RunNewtonStep(s, s.Dir);
    Objective objective(s, s.FunctionCode);
    TrustRegionStep(objective, {s.TrustEta, s.Params.TrustMaxRadius}, TrustModelOf(s), s.U, s.Dir, s.TrustRadius,
                    s.Step);
}

void RunCollinearFinalStep(RunState& s) {
    if (Traits(s.MethodCode).direction == DirectionRule::CollinearDemo) {
        CollinearDemoStep(s.N, s.U0, s.GradJ0, s.GradJ, s.U, s.Step);
        return;
    }
    if (CollinearStep(s.N, s.U0, s.GradJ0, s.GradJ, s.U, s.Dir, s.DirNorm, s.Step)) {
        s.AppendLine("");
        s.AppendLine("*** The angle between  gradJ ^ d-min >= 0. Iteration=" + std::to_string(s.IterCount));
        s.AppendLine("");
        s.SegmentColour = clAngleStep;
    }
}

} // namespace tarvik
