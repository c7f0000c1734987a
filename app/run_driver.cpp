#include "app/run_driver.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>
#include <new>
#include <string>
#include <utility>

#include "app/direction_rules.h"
#include "app/problem_preparation.h"
#include "app/run_report.h"
#include "app/step_rules.h"
#include "app/text_input.h"
#include "core/errors.h"
#include "core/fp_guard.h"
#include "core/function_catalogue.h"
#include "core/just_stored_real.h"
#include "core/method_catalogue.h"
#include "core/number_format.h"
#include "core/objective.h"
#include "core/vector_kernels.h"

namespace tarvik {

int32_t MsOfDay() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    return (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) * 1000 + static_cast<int32_t>(ms);
}

void FreeRunArrays(RunState& s) {
    for (MyArray1* v : {&s.U, &s.UPrev, &s.U0, &s.UStar, &s.GradJ, &s.GradJ0, &s.GradJPrev, &s.Dir,
                        &s.DivGradVec, &s.DivGradVecPrev, &s.GradJSaved})
        ReleaseVector(*v);
    s.HMatrix.release();
    s.InverseHessian.release();
    s.HBand.release();
    s.LbfgsS.release();
    s.LbfgsY.release();
    s.GaussWork.release();
}

namespace {

bool IsCollinear(MethodId method) { return IsCollinear(Traits(method)); }

void PlaySound(RunState& s, const char* name) { s.Host->PlaySound(name); }

} // namespace

// ---------------------------------------------------------------- Start

void RunDriver::Start() {
    try {
        if (!Begin()) return;
        while (Pass()) {
        }
    } catch (...) {
        HandleRunException(std::current_exception());
    }
}

RunDriver::StepOutcome RunDriver::Step() {
    if (phase_ == Phase::Ended) return StepOutcome::Ended;
    try {
        // The substitute step after a failure is the step.
        if (ResumePending()) {
            Begin();
            return Outcome();
        }
        if (phase_ == Phase::Setup && !Begin()) return Outcome();
        Pass();
    } catch (...) {
        HandleRunException(std::current_exception());
    }
    return Outcome();
}

RunDriver::StepOutcome RunDriver::Outcome() const {
    if (ResumePending()) return StepOutcome::AwaitingResumption;
    return phase_ == Phase::Going && s.Running ? StepOutcome::Going : StepOutcome::Ended;
}

bool RunDriver::Begin() {
    s.StopRequested = 0;
    s.Running = 1;
    // Only an answered failure resumes: "Yes to All" alone leaves the steps
    // of a run taken step by step to go on as they are.
    if (s.ResumeSteepest || s.ResumeRawStep) return ResumeIteration();
    // A run taken step by step goes on from where it is.
    if (phase_ != Phase::Going) FreshRun();
    return true;
}

void RunDriver::MarkEnded() {
    phase_ = Phase::Ended;
    ended_ = std::chrono::steady_clock::now();
}

RunSummary RunDriver::Summary() const {
    RunSummary r;
    r.seconds = std::chrono::duration<double>(ended_ - started_).count();
    r.startEvaluated = haveRow_;
    r.hessianEvaluations = s.HessianEvaluations;
    if (haveRow_) {
        r.iterations = lastRow_.iteration;
        r.evaluations = lastRow_.evaluations;
        r.j = lastRow_.j;
        r.gradNorm = lastRow_.gradNorm;
        r.accuracy = lastRow_.accuracy;
    }
    switch (lastEnding_) {
    case Ending::None:
        break;
    case Ending::Normal:
        if (s.GradNorm == 0) r.ending = RunEnding::ZeroGradient;
        else if (s.Step == 0) r.ending = RunEnding::ZeroStep;
        // The demonstration stops after its one step, accuracy reached or not.
        else if (Traits(s.MethodCode).demoOneStep && !(s.Eps >= s.AccuracyValue))
            r.ending = RunEnding::DemoStep;
        else r.ending = RunEnding::Criterion;
        break;
    case Ending::Stopped: r.ending = RunEnding::Stopped; break;
    case Ending::IterationLimit: r.ending = RunEnding::IterationLimit; break;
    case Ending::NoProgress: r.ending = RunEnding::NoProgress; break;
    case Ending::Error:
    case Ending::InputError:
        r.ending = RunEnding::Failed;
        r.failureText = s.LastErrorText;
        break;
    }
    return r;
}

void RunDriver::FreshRun() {
    phase_ = Phase::Going;
    haveRow_ = false;
    lastEnding_ = Ending::None;
    started_ = ended_ = std::chrono::steady_clock::now();
    stopAvailable_ = true;
    firstSetupDone_ = false;
    stall_.Reset();
    description_ = RunDescription{};
    // A run whose u* is unknown must not report the distance left by an
    // earlier run.
    s.DistCur = 0;
    PlaySound(s, "Done.wav");
    s.Host->EnterRunningLayout();
    s.IterationComplete = 1;
    s.ContinueRun = 1;
    s.Step = 1;
    s.IterCount = 0;
    s.HessianEvaluations = 0;

    s.Preparing = 1;
    PrepareProblem(s);
    s.Preparing = 0;
    StartTrace();

    s.Host->ShowMethodCaption(s.MethodName);
    if (s.N > 100) {
        s.Host->ClearOutput();
        s.AppendLine("The descent direction is being computed...");
        s.SetStatus(" Please wait...");
    }
    PlaySound(s, "Utopia Recycle.wav");
}

bool RunDriver::Pass() {
    if (s.Host->ShowsTitle()) s.Host->SetTitle(std::to_string(s.IterCount));
    s.Host->ProcessEvents();
    if (s.StopRequested) {
        s.Host->SetTitle(s.AppTitle);
        return false;
    }
    if (EndedByLimit()) return false;
    IterateOnce();
    if (s.RedrawTrajectory) s.Host->DrawTrajectoryStep();
    if (s.GradNorm == 0 || s.Step == 0) s.ContinueRun = 0;
    if (IsRunFinished()) {
        EndOfRun();
        return false;
    }
    return true;
}

bool RunDriver::EndedByLimit() {
    const TunableParameters& p = s.Params;
    const bool atLimit = p.MaxIterations > 0 && s.IterCount >= p.MaxIterations;
    const bool stalled = p.NoProgressIterations > 0 && stall_.RepeatedIterations() >= p.NoProgressIterations;
    if (!atLimit && !stalled) return false;
    s.Host->SetTitle(s.AppTitle);
    if (atLimit)
        EndAsStopped(" Terminated by user", Ending::IterationLimit);
    else
        EndAsStopped(" No progress: u and J have repeated for " + FormatGroupedInt(stall_.RepeatedIterations()) +
                         " iterations",
                     Ending::NoProgress);
    return true;
}

bool RunDriver::IsRunFinished() const { return s.ContinueRun == 0 || s.Step == 0; }

void RunDriver::EndOfRun() {
    MarkEnded();
    s.FinalStatusText = " Done";
    s.Running = 0;
    s.Host->SetTitle(s.AppTitle);
    WriteFinalLines(s, MsOfDay());
    if (s.ContinueRun == 0) {
        PlaySound(s, "Utopia Asterisk.wav");
        if (s.GradNorm == 0) {
            s.FinalStatusText += ". You are lucky!  gradJ=0";
            s.Host->ShowInfo("You are lucky!  gradJ=0 ");
        }
    }
    if (s.Step == 0) {
        s.FinalStatusText += ".    STEP-SIZE=0";
        if (s.GradNorm != 0) PlaySound(s, "DING.WAV");
        s.Host->ShowInfo("STEP-SIZE=0.  The minimization will be terminated.");
    }
    s.SetStatus(s.FinalStatusText);
    s.Host->HideProgress();
    s.AppendLine(s.FinalStatusText);
    s.Host->EnterEndedLayout();
    stopAvailable_ = false;
    FreeRunArrays(s);
    lastEnding_ = Ending::Normal;
}

// ------------------------------------------------------------ Iteration

void RunDriver::IterateOnce() {
    if (s.Host->ShowsStatus()) s.SetStatus(" Working... " + std::to_string(static_cast<int64_t>(s.IterCount) + 1));
    s.RedrawTrajectory = 1;
    s.SegmentColour = clTrajectory;
    s.SkipReevaluation = 0;
    iterationAlpha_ = std::numeric_limits<Real>::quiet_NaN();
    if (s.IterCount == 0) {
        const bool gradientVanished = FirstIterationSetupEndsIteration();
        s.Host->OutputSettled();
        if (gradientVanished) return;
    }

    const MethodTraits& m = Traits(s.MethodCode);
    const Real sqrtN = std::sqrt(static_cast<Real>(s.N));
    // The steepest descent searches along the gradient itself.
    const bool alongGradient = m.searchesAlongGradient;
    switch (m.direction) {
    case DirectionRule::Steepest:
        break;
    case DirectionRule::FletcherReeves:
    case DirectionRule::PolakRibiere:
        RunConjugateDirection(s);
        break;
    case DirectionRule::Bfgs:
        RunBfgsDirection(s);
        s.UPrev = s.U;
        break;
    case DirectionRule::Lbfgs:
        RunLbfgsDirection(s);
        s.UPrev = s.U;
        break;
    case DirectionRule::Newton:
        RunNewtonStep(s, s.Dir);
        break;
    case DirectionRule::FdNewton:
        RunFdNewtonStep(s);
        break;
    case DirectionRule::NewtonCg:
        RunInexactNewtonStep(s);
        break;
    case DirectionRule::TrustRegion:
        RunTrustRegionStep(s);
        break;
    case DirectionRule::CollinearDemo:
    case DirectionRule::Collinear:
        break;  // the collinear step searches its own direction
    }
    switch (m.step) {
    case StepRule::Constant:
        iterationAlpha_ = RunConstantStep(s);
        break;
    case StepRule::Golden:
        iterationAlpha_ = RunGoldenSearch(s, alongGradient ? s.GradJ : s.Dir, sqrtN / 5);
        break;
    case StepRule::Wolfe:
        if (alongGradient)
            iterationAlpha_ = RunWolfeSearch(s, s.GradJ, s.MaxStep / s.GradNorm);
        else
            iterationAlpha_ = RunWolfeSearch(s, s.Dir, s.MaxStep / s.DirNorm);
        break;
    case StepRule::Unit:
        for (int i = 1; i <= s.N; ++i) s.U[i] = s.U[i] - s.Dir[i];
        iterationAlpha_ = 1;
        break;
    case StepRule::TrustRegion:
        for (int i = 1; i <= s.N; ++i) s.U[i] = s.UPrev[i] - s.Dir[i];
        break;
    case StepRule::Collinear: {
        const bool demo = m.demoOneStep;
        s.IterationComplete = 0;
        if (demo)
            RunCollinearDemoSearch(s);
        else
            RunCollinearSearch(s);
        if (s.Step != 0) RunCollinearFinalStep(s);
        s.IterationComplete = 1;
        break;
    }
    }
    EndIteration();
}

bool RunDriver::FirstIterationSetupEndsIteration() {
    // Accuracy, from the text of the checked criterion's list.
    if (s.Choices.ByDistance || s.Choices.ByChangeOfJ) s.Eps = ReadAccuracy(s.Choices.EpsText);

    s.U = s.U0;
    s.UPrev = s.U0;
    s.Dist0 = VecNormComb(s.UStar, s.U0, -1);
    if (Traits(s.FunctionCode).fromFiles && s.Choices.UStarUnknown()) s.Dist0 = std::sqrt(static_cast<Real>(s.N));
    if (Traits(s.FunctionCode).typed && !s.Typed.UStarKnown()) s.Dist0 = std::sqrt(static_cast<Real>(s.N));

    // Values of the collinear-gradients methods, prepared for every method.
    s.ShowSubIterPoints = 0;
    if (const MethodTraits& m = Traits(s.MethodCode); IsCollinear(m)) s.CollDelta = s.Params.*m.collinearDelta;
    s.CollMinDist = 1e-15L * s.CollDelta;
    {
        // Ties to even; a bound that does not fit (c1 = 0 gives an
        // infinite logarithm) is clamped instead of failing every method.
        const Real bound = std::fabs(std::log(s.Params.CollC1)) * std::log(static_cast<Real>(s.N)) * s.Params.CollC2;
        const Real rounded = std::nearbyint(bound);
        if (!(rounded < 2147483647.0L)) s.MaxSubIterColl = std::numeric_limits<int32_t>::max();
        else if (!(rounded > -2147483648.0L)) s.MaxSubIterColl = std::numeric_limits<int32_t>::min();
        else s.MaxSubIterColl = static_cast<int32_t>(rounded);
    }
    s.CollThreshold = std::sqrt(static_cast<Real>(2)) * s.Params.CollC1;

    s.MaxStep = std::sqrt(static_cast<Real>(s.N));
    if (Traits(s.FunctionCode).doubleMaxStep) s.MaxStep = 2 * std::sqrt(static_cast<Real>(s.N));
    s.TrustRadius = s.Params.TrustMaxRadius;
    s.TrustEta = 0.25L;

    if (s.Choices.ByDistance && !std::isfinite(s.Dist0))
        throw ERealBadError("Error of computing the minimization accuracy!  ||u°-u*|| is not finite.");
    if (s.Choices.ByDistance && s.Dist0 == 0)
        throw ERealBadError("Your initial point equals the optimal point. Please input another initial value.");

    s.StartTimeMs = MsOfDay();
    s.JCur = RunObjective(s).Value(s.U);
    s.J0 = s.JCur;
    s.JPrev = s.JCur;
    RunObjective(s).Gradient(s.U, s.GradJ, s.GradNorm);
    // Row 0 is the start as evaluated, also when the run ends right there.
    AddTraceRow(s.Choices.ByDistance ? Real(1) : std::numeric_limits<Real>::quiet_NaN());
    if (s.ContinueRun == 0) return true;

    s.GradJ0 = s.GradJ;
    s.GradNorm0 = s.GradNorm;
    s.GradJPrev = s.GradJ;
    s.GradNormPrev = s.GradNorm;
    firstSetupDone_ = true;
    return false;
}

void RunDriver::EndIteration() {
    if (s.IterCount == 0) WriteReportHeader(s);
    ++s.IterCount;

    if (!s.SkipReevaluation) {
        s.JPrev = s.JCur;
        s.GradJPrev = s.GradJ;
        s.GradNormPrev = s.GradNorm;
        RunObjective(s).ValueAndGradient(s.U, s.JCur, s.GradJ, s.GradNorm);
    }

    if (s.Choices.ByDistance) {
        s.DistCur = VecNormComb(s.U, s.UStar, -1);
        s.AccuracyValue = s.Dist0 != 0 ? s.DistCur / s.Dist0 : 0;
    } else {
        // The criterion does not read the distance, but the report shows it.
        if (UStarKnown(s)) s.DistCur = VecNormComb(s.U, s.UStar, -1);
        s.AccuracyValue = std::fabs(s.JCur - s.JPrev);
        if (s.AccuracyValue != 0 && s.GradNorm != 0) {
            FpFaultGuard guard;
            Real ratio = s.AccuracyValue / s.J0;
            PinValue(ratio);
            if (s.J0 == 0 || guard.Faulted())
                throw EBadError("Error of computing the minimization accuracy!  Denominator is zero.");
            s.AccuracyValue = std::fabs(ratio);
        }
    }
    if (!std::isfinite(s.AccuracyValue))
        throw EBadError("Error of computing the minimization accuracy!  It is not finite.");
    // Its text is made only where a line prints it: formatting it at every
    // iteration cost a long run more than its arithmetic.
    s.ReportedAccuracy = s.AccuracyValue;
    s.AccuracyComputed = 1;
    AddTraceRow(s.AccuracyValue);
    if (s.IterationComplete != 0) stall_.Observe(s.JCur, s.U);

    if (!(IsCollinear(s.MethodCode) && s.IterationComplete == 0)) {
        if (s.Eps >= s.AccuracyValue || s.Step == 0) {
            s.ContinueRun = 0;
            s.RedrawTrajectory = 1;
        }
    }
    WriteIterationLines(s);
}

void RunDriver::StartTrace() {
    description_ = DescribeRun(s);
    description_.allCoordinates = traceAllCoordinates_;
    description_.failurePolicy = failurePolicy_;
    largeTraceTold_ = false;
    trace_.Start(TraceHeader{s.N, traceAllCoordinates_}, traceKeepsRows_);
}

void RunDriver::AddTraceRow(const Real& accuracy) {
    constexpr Real none = std::numeric_limits<Real>::quiet_NaN();
    const bool start = !haveRow_;
    const bool kept = trace_.KeepsRows();
    const MethodTraits& method = Traits(s.MethodCode);
    // Made where it is kept: a local row, zeroed by a string instruction
    // (slow to start for a hundred bytes) and then copied in, cost a
    // constant-step run 2 to 4 %. It starts as a copy of an empty row, so
    // that its unused bytes are zeros as before (rows are compared and
    // spilled whole).
    static constexpr TraceRow kEmpty{};
    TraceRow& row = lastRow_;
    std::memcpy(&row, &kEmpty, sizeof row);
    row.iteration = s.IterCount;
    // The count the report prints; row 0 comes before any counted evaluation.
    row.evaluations = std::max<int64_t>(0, ReportedEvaluations(s));
    if (!start && (IsCollinear(method) || method.innerConjugateGradient)) row.subIterations = s.SubIterCount;
    row.j = s.JCur;
    row.gradNorm = s.GradNorm;
    // Only a kept row shows how far the iteration went: a run nobody traces
    // does not pay for the point's copy.
    row.stepLength = start || !kept || lastRowPoint_.size() != s.U.size()
                         ? none
                         : VecNormComb(s.U, lastRowPoint_, -1);
    row.alpha = start ? none : iterationAlpha_;
    // Stored a moment ago by the caller, and in two parts (see CopyJustStoredReals).
    CopyJustStoredReals(&accuracy, &row.accuracy, 1);
    row.u1 = s.U[1];
    row.u2 = s.N >= 2 ? s.U[2] : 0;
    trace_.Add(row);
    if (rowObserver_) rowObserver_(row);
    haveRow_ = true;
    // Not a vector copy: its wide loads could not be served from the
    // point's 80-bit stores just made, and would wait for them to leave
    // the core (a fifth of a traced constant-step run, more or less as the
    // heap happened to lie). The size stays, so the storage is reused.
    if (kept) {
        lastRowPoint_.resize(s.U.size());
        CopyJustStoredReals(s.U.data(), lastRowPoint_.data(), s.U.size());
    }
    if (traceAllCoordinates_ && kept) {
        trace_.AddCoordinates(&s.U[1], s.N);
        const int64_t bytes = EstimatedTraceCsvBytes(trace_.RowCount(), s.N);
        if (!largeTraceTold_ && bytes > LargeTraceBytes && largeTrace_) {
            largeTraceTold_ = true;
            largeTrace_(bytes);
        }
    }
}

// ------------------------------------------------------------- Stopping

void RunDriver::Stop() {
    if (s.Preparing) {
        // Preparation notices the request at its next event pump and
        // returns to set-up; there is no run to terminate yet.
        s.StopRequested = 1;
        return;
    }
    if (!stopAvailable_) return;
    EndAsStopped(" Terminated by user", Ending::Stopped);
}

void RunDriver::EndAsStopped(std::string statusText, Ending ending) {
    s.FinalStatusText = std::move(statusText);
    s.StopRequested = 1;
    // A stopped run must not be resumed by a pending idle resumption.
    s.ResumeSteepest = 0;
    s.ResumeRawStep = 0;
    s.FailureChoice = FailureAnswer::None;
    lastEnding_ = ending;
    TerminateRun();
}

void RunDriver::TerminateRun() {
    MarkEnded();
    PlaySound(s, "Done.wav");
    s.AppendLine(s.FinalStatusText);
    s.ContinueRun = 0;
    s.IterationComplete = 1;
    // Without a completed first-iteration set-up there is no iteration to
    // close: its header would describe a point that was never evaluated.
    if (firstSetupDone_ && !PrintSchedule(s.IterCount)) {
        if (IsCollinear(s.MethodCode)) ReturnToCollinearBase(s);
        // This closing iteration takes no step of its own.
        iterationAlpha_ = std::numeric_limits<Real>::quiet_NaN();
        try {
            EndIteration();
        } catch (const std::exception&) {
            // After a failed evaluation the extra iteration may fail again
            // at the same point; the report still gets its final lines and
            // the failure handling is not entered a second time.
        }
        WriteFinalLines(s, MsOfDay());
    }
    if (s.RedrawTrajectory && !IsCollinear(s.MethodCode)) {
        try {
            s.Host->DrawTrajectoryStep();
        } catch (const std::exception&) {
            // A point that cannot be painted is already reported.
        }
    }
    s.Running = 0;
    s.Host->EnterEndedLayout();
    stopAvailable_ = false;
    s.SetStatus(s.FinalStatusText);
}

// ------------------------------------------------------------- Failures

void RunDriver::HandleRunException(std::exception_ptr error) {
    try {
        ReactToException(error);
    } catch (...) {
        // The reaction itself failed (for example while writing the final
        // lines): the run is over; leave the window where Clear is possible.
        s.Running = 0;
        stopAvailable_ = false;
        s.Host->EnterEndedLayout();
        lastEnding_ = Ending::Error;
        MarkEnded();
    }
}

void RunDriver::ReactToException(std::exception_ptr error) {
    std::string message;
    enum class Kind { NotSoBad, Bad, RealBad, Cancelled, Other } kind = Kind::Other;
    try {
        std::rethrow_exception(error);
    } catch (const PreparationCancelled&) {
        kind = Kind::Cancelled;
    } catch (const ENotSoBadError& e) {
        kind = Kind::NotSoBad;
        message = e.what();
    } catch (const EBadError& e) {
        kind = Kind::Bad;
        message = e.what();
    } catch (const ERealBadError& e) {
        kind = Kind::RealBad;
        message = e.what();
    } catch (const std::bad_alloc&) {
        message = "Not enough memory for this problem.";
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
        message = "Unknown error.";
    }

    // An error while the problem is prepared meets a run that has no state
    // yet: it is treated like an input error and the window goes back to set-up.
    if (s.Preparing) {
        s.Preparing = 0;
        if (s.StopRequested) kind = Kind::Cancelled;
        else if (kind == Kind::Bad || kind == Kind::Other || kind == Kind::NotSoBad) kind = Kind::RealBad;
    }

    if (kind == Kind::Cancelled) {
        s.Running = 0;
        s.Host->SetTitle(s.AppTitle);
        Clear();
        s.SetStatus(" Terminated by user");
        lastEnding_ = Ending::Stopped;
        return;
    }

    s.Running = 0;
    s.LastErrorText = message;
    s.FailureChoice = FailureAnswer::None;
    s.FinalStatusText = message;
    s.Host->SetTitle(s.AppTitle);

    switch (kind) {
    case Kind::NotSoBad: {
        FailureAnswer answer = FailureAnswer::YesToAll;
        if (!s.SteepestForAll) {
            PlaySound(s, "Ding.wav");
            const std::string question =
                message + " Would you like to continue with the steepest descent (\"Golden section\" line search)?";
            if (failurePolicy_) {
                answer = *failurePolicy_;
                s.Host->FailureAnswered(question, answer);
            } else {
                answer = s.Host->AskFailureChoice(question);
            }
            description_.failureAnswers.push_back(answer);
        }
        s.FailureChoice = answer;
        if (answer != FailureAnswer::Yes && answer != FailureAnswer::No && answer != FailureAnswer::YesToAll) {
            s.FailureChoice = FailureAnswer::None;
            lastEnding_ = Ending::Error;
            TerminateRun();
            return;
        }
        if (answer == FailureAnswer::No) {
            s.SegmentColour = clNoHessianUpdate;
            s.ResumeRawStep = 1;
        } else {
            s.SegmentColour = clSteepestStep;
            s.ResumeSteepest = 1;
            if (s.Dir.size() != s.GradJ.size()) s.Dir = NewVector(s.N);
            for (int i = 1; i <= s.N; ++i) s.Dir[i] = s.GradJ[i];
            s.DirNorm = s.GradNorm;
            if (answer == FailureAnswer::YesToAll) s.SteepestForAll = 1;
        }
        if (s.IterCount == 0) s.AppendLine(" ");
        s.AppendLine(message);
        s.AppendLine(" ");
        return;
    }
    case Kind::Bad:
        s.Host->SetTitle(s.AppTitle);
        if (!s.StopRequested) {
            lastEnding_ = Ending::Error;
            PlaySound(s, "Ding.wav");
            s.Host->ShowError(message);
            TerminateRun();
        }
        return;
    case Kind::RealBad:
        lastEnding_ = Ending::InputError;
        PlaySound(s, "Ding.wav");
        s.Host->ShowError(message);
        Clear();
        return;
    default:
        // Stop stays the way out of the running layout.
        lastEnding_ = Ending::Error;
        MarkEnded();
        s.Host->ShowError(message);
        return;
    }
}

bool RunDriver::ResumePending() const { return s.FailureChoice != FailureAnswer::None && (s.ResumeSteepest || s.ResumeRawStep); }

void RunDriver::ResumeIfPending() {
    if (ResumePending()) Start();
}

bool RunDriver::ResumeIteration() {
    s.ResumeSteepest = 0;
    s.FailureChoice = FailureAnswer::None;
    if (s.ResumeRawStep) {
        for (int i = 1; i <= s.N; ++i) s.U[i] = s.U[i] - s.Dir[i];
        iterationAlpha_ = 1;
    } else {
        if (Traits(s.MethodCode).keepsTrustRadius) s.MaxStep = s.TrustRadius;
        iterationAlpha_ = RunWolfeSearch(s, s.Dir, s.MaxStep / s.DirNorm);
    }
    s.ResumeRawStep = 0;
    if (Traits(s.MethodCode).keepsTrustRadius) s.TrustRadius = VecNormComb(s.U, s.UPrev, -1);
    EndIteration();
    if (s.RedrawTrajectory) s.Host->DrawTrajectoryStep();
    if (IsRunFinished()) {
        EndOfRun();
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- Clear

void RunDriver::Clear() {
    PlaySound(s, "Done.wav");
    ResetRunState();
    s.Host->EnterSetupLayout();
}

void RunDriver::ResetRunState() {
    if (phase_ == Phase::Going) ended_ = std::chrono::steady_clock::now();
    phase_ = Phase::Setup;
    stopAvailable_ = false;
    s.Host->ClearOutput();
    s.Host->HideProgress();
    s.FinalStatusText.clear();
    s.SetStatus("");
    s.Host->DestroyFigure();
    FreeRunArrays(s);
    s.SteepestForAll = 0;
    s.ResumeSteepest = 0;
    s.ResumeRawStep = 0;
    s.FailureChoice = FailureAnswer::None;
    s.SegmentColour = clTrajectory;
    s.Preparing = 0;
}

} // namespace tarvik
