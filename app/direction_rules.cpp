#include "app/direction_rules.h"

#include <stdexcept>
#include <string>

#include "core/band_gauss.h"
#include "core/collinear_gradients.h"
#include "core/conjugate_direction.h"
#include "core/function_catalogue.h"
#include "core/gauss.h"
#include "core/method_catalogue.h"
#include "core/newton_methods.h"
#include "core/newton_step.h"
#include "core/number_format.h"
#include "core/objective.h"
#include "core/progress.h"
#include "core/quasi_newton.h"
#include "core/vector_kernels.h"

namespace tarvik {

namespace {

ConjugateFormula FormulaOf(DirectionRule rule) {
    switch (rule) {
    case DirectionRule::FletcherReeves: return ConjugateFormula::FletcherReeves;
    case DirectionRule::PolakRibiere: return ConjugateFormula::PolakRibiere;
    case DirectionRule::Steepest:
    case DirectionRule::Bfgs:
    case DirectionRule::Lbfgs:
    case DirectionRule::Newton:
    case DirectionRule::FdNewton:
    case DirectionRule::NewtonCg:
    case DirectionRule::TrustRegion:
    case DirectionRule::CollinearDemo:
    case DirectionRule::Collinear: break;
    }
    throw std::logic_error("not a conjugate-gradient rule");
}

} // namespace

void RunConjugateDirection(RunState& s) {
    const ConjugateOptions options{FormulaOf(Traits(s.MethodCode).direction), Traits(s.FunctionCode).quadratic,
                                   s.IterCount};
    ConjugateDirection(options, s.N, s.GradJ, s.GradJPrev, s.Conjugate, s.Dir, s.DirNorm);
}

namespace {

QuasiNewtonStep LastStep(const RunState& s) { return {s.N, s.IterCount, s.U, s.UPrev, s.GradJ, s.GradJPrev}; }

} // namespace

void RunBfgsDirection(RunState& s) {
    RunProgress progress(s);
    BfgsDirection(LastStep(s), s.InverseHessian, progress, s.Dir, s.DirNorm);
}

void RunLbfgsDirection(RunState& s) {
    LbfgsDirection(LastStep(s), s.LbfgsMemory, s.LbfgsS, s.LbfgsY, s.Dir, s.DirNorm);
}

void RunGaussSolve(RunState& s, MyArray1& x, GaussMatrix use) {
    const FunctionTraits& function = Traits(s.FunctionCode);
    const bool fromFiles = function.fromFiles;
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

void RunBandGaussSolve(RunState& s, const BandMatrix& band, MyArray1& x) {
    const GaussOptions options{s.N, s.IterCount, Traits(s.FunctionCode).zeroPivotMeansBadParameters,
                               GaussMatrix::Keep};
    RunProgress progress(s);
    bool zeroPivot = false;
    try {
        BandGaussSolve(options, band, s.GradJ, progress, zeroPivot, x);
    } catch (...) {
        if (zeroPivot) s.ResumeSteepest = 1;
        throw;
    }
}

NewtonSolve GaussSolverOf(RunState& s) {
    return [&s](MyArray1& x, GaussMatrix use, const BandMatrix* band) {
        if (band != nullptr)
            RunBandGaussSolve(s, *band, x);
        else
            RunGaussSolve(s, x, use);
    };
}

void RunNewtonStep(RunState& s, MyArray1& d) {
    ++s.HessianEvaluations;
    // Classical Newton forms the whole Hessian afresh at every step, so the
    // elimination may work in it; the trust region reads it again for its model.
    const GaussMatrix use = Traits(s.MethodCode).gaussMayOverwrite ? GaussMatrix::MayOverwrite : GaussMatrix::Keep;
    NewtonStep(RunObjective(s), {s.IterCount, use}, s.U, s.GradJ, {s.HMatrix, s.HBand, s.Hess2x2}, GaussSolverOf(s), d);
}

void RunFdNewtonStep(RunState& s) {
    ++s.HessianEvaluations;
    FdNewtonStep(RunObjective(s), s.IterCount, s.U, s.GradJ, s.HMatrix, s.HBand, GaussSolverOf(s), s.Dir);
}

void RunInexactNewtonStep(RunState& s) {
    // The step works from copies of its base point and gradient: a Stop
    // that closes the iteration while the step lets the window handle its
    // events evaluates the run's own U and GradJ again.
    const MyArray1 base = s.U, baseGradient = s.GradJ;
    RunProgress status(s);
    const InexactNewtonOptions options{s.IterCount, s.Params.NewtonCgForcingC, s.Params.MaxSubIter};
    InexactNewtonStep(RunObjective(s), options, base, baseGradient, s.GradNorm, status, s.SubIterCount, s.Dir,
                      s.DirNorm);
    if (s.DirNorm == 0) s.Step = 0;
}

TrustModel TrustModelOf(const RunState& s) {
    const FunctionTraits& f = Traits(s.FunctionCode);
    return {s.UPrev, s.JCur, s.GradJ, s.Hess2x2, f.fromFiles ? s.Quad.QuadA : s.HMatrix,
            s.Problem && s.Problem->Hessian() == HessianShape::TwoByTwo, f.hessianBand >= 0 ? &s.HBand : nullptr};
}

void RunTrustRegionStep(RunState& s) {
    s.UPrev = s.U;
    RunNewtonStep(s, s.Dir);
    TrustRegionStep(RunObjective(s), {s.TrustEta, s.Params.TrustMaxRadius}, TrustModelOf(s), s.U, s.Dir, s.TrustRadius,
                    s.Step);
}

void RunCollinearFinalStep(RunState& s) {
    const CollinearState& c = s.Collinear;
    if (Traits(s.MethodCode).demoOneStep) {
        CollinearDemoStep(s.N, c.ub, c.gb, s.GradJ, s.U, s.Step);
        return;
    }
    if (CollinearStep(s.N, c.ub, c.gb, s.GradJ, s.U, s.Dir, s.DirNorm, s.Step)) {
        s.AppendLine("");
        s.AppendLine("*** The angle between  gradJ ^ d-min >= 0. Iteration=" + std::to_string(s.IterCount));
        s.AppendLine("");
        s.SegmentColour = clAngleStep;
    }
}

namespace {

CollinearOptions CollinearOptionsOf(const RunState& s) {
    return {s.CollDelta, s.CollMinDist, s.CollThreshold, s.Params.CollC1, s.MaxSubIterColl};
}

CollinearVectors CollinearVectorsOf(RunState& s) {
    return {s.Collinear.ub, s.Collinear.gb, s.Collinear.gbNorm, s.Dir,         s.DivGradVec,
            s.DivGradVecPrev, s.UPrev,       s.GradJSaved,        s.GradJPrev, s.GradNormPrev};
}

// The search of an iteration starts from the run's point.
void TakeCollinearBase(RunState& s) {
    s.Collinear.ub = s.U;
    s.Collinear.gb = s.GradJ;
    s.Collinear.gbNorm = s.GradNorm;
}

std::string SubIterationCounter(const RunState& s) {
    return " Working... " + std::to_string(static_cast<int64_t>(s.IterCount) + 1) + "/" + std::to_string(s.SubIterCount);
}

// Long searches (large n, many sub-iterations) also show how far from
// collinear the gradients still are.
bool ShowsDivG(const RunState& s) { return s.N >= 1000 || s.SubIterCount >= 100; }

void DrawSubIteration(RunState& s) {
    s.SegmentColour = clSubIter;
    s.Host->DrawTrajectoryStep();
}

} // namespace

void RunSubIterationStart(RunState& s, MyArray1& g, MyArray1& u) {
    SubIterationStart(RunObjective(s), CollinearOptionsOf(s), CollinearVectorsOf(s), s.Collinear, g, s.GradNorm, u);
}

void RunSubIteration(RunState& s, MyArray1& g, MyArray1& u, MyArray1& q) {
    SubIteration(RunObjective(s), CollinearOptionsOf(s), CollinearVectorsOf(s), s.Collinear, s.SubIterCount,
                 [&s](const std::string& text) { s.AppendLine(text); }, g, s.GradNorm, u, q);
}

void RunCollinearDemoSearch(RunState& s) {
    MyArray1& g = s.GradJ;
    MyArray1& u = s.U;
    s.SubIterCount = 0;
    if (s.N == 2) s.ShowSubIterPoints = 1;
    TakeCollinearBase(s);

    RunSubIterationStart(s, g, u);
    s.SubIterCount = 1;
    DrawSubIteration(s);

    MyArray1 q = NewVector(s.N);
    while (!s.Collinear.subIterDone && s.SubIterCount <= s.MaxSubIterColl) {
        std::string status = SubIterationCounter(s);
        if (ShowsDivG(s)) status += "     DivG=" + FormatFloat("#.00E+00", s.Collinear.divGradNorm);
        s.SetStatus(status);
        RunSubIteration(s, g, u, q);
        DrawSubIteration(s);
    }
    s.SegmentColour = clTrajectory;
    // One iteration from u° is all the demonstration does.
    s.ContinueRun = 0;
}

void RunCollinearSearch(RunState& s) {
    MyArray1& g = s.GradJ;
    MyArray1& u = s.U;
    s.SubIterCount = 0;
    TakeCollinearBase(s);
    s.Collinear.jBase = s.JCur;

    RunSubIterationStart(s, g, u);
    s.SubIterCount = 1;
    DrawSubIteration(s);

    MyArray1 q = NewVector(s.N);
    while (!s.Collinear.subIterDone) {
        StopPoint(s);
        std::string status = SubIterationCounter(s);
        if (ShowsDivG(s)) status += "     ||DivG||=" + FormatFloat("#.00E+00", s.Collinear.divGradNorm);
        s.SetStatus(status);
        RunSubIteration(s, g, u, q);
        // After a zero gradient the run ends with this iteration; the
        // driver draws its last point.
        if (s.ContinueRun) {
            s.SegmentColour = clSubIter;
            s.Host->DrawTrajectoryStep();
        }
    }
}

void StartCollinearAtU0(RunState& s) {
    s.Collinear.ub = s.U0;
    s.Collinear.gb = s.GradJ0;
    s.Collinear.gbNorm = s.GradNorm0;
}

void ReturnToCollinearBase(RunState& s) {
    s.U = s.Collinear.ub;
    s.GradNorm = s.Collinear.gbNorm;
    s.JCur = s.Collinear.jBase;
    s.DistCur = VecNormComb(s.U, s.UStar, -1);
}

} // namespace tarvik
