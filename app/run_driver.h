#pragma once
// The spine of a run: Start, the run loop, one iteration, its bookkeeping,
// Stop, the end of a run, failures and their resumption, and Clear. It
// works on the run state and talks to the window only through EngineHost.
//
// A run is a sequence of steps, each one pass of the run loop: the window's
// Start, the batch mode and compare mode loop over Step() until the run has
// ended, and the window's Step button takes one at a time. However a run
// is driven, it does the same work in the same order.
#include <chrono>
#include <cstdint>
#include <exception>
#include <limits>
#include <optional>
#include <functional>
#include <string>
#include <utility>

#include "app/run_description.h"
#include "app/run_trace.h"
#include "core/run_state.h"
#include "core/stall_watch.h"

namespace tarvik {

// How a run ended, as its summary says it.
enum class RunEnding {
    None,            // not started, or abandoned while it was prepared
    Criterion,       // the accuracy was reached
    ZeroGradient,
    ZeroStep,
    DemoStep,        // a demonstration that stops after its one step
    Stopped,
    IterationLimit,
    NoProgress,
    Failed,          // an error ended it; see failureText
};

// What a run did, in the manner of a solver's summary: its ending and the
// values of its last report (the trace's last row).
struct RunSummary {
    RunEnding ending = RunEnding::None;
    std::string failureText;        // the failure's statement, for Failed
    // Whether the starting point was evaluated: a failure before it is one
    // that any method would meet on this problem.
    bool startEvaluated = false;
    int64_t iterations = 0;
    int64_t evaluations = 0;        // J + gradJ, as the report counts them
    int64_t hessianEvaluations = 0;
    Real j = std::numeric_limits<Real>::quiet_NaN();
    Real gradNorm = std::numeric_limits<Real>::quiet_NaN();
    Real accuracy = std::numeric_limits<Real>::quiet_NaN();
    double seconds = 0;             // from Start to the end, preparation included
};

class RunDriver {
public:
    explicit RunDriver(RunState& state) : s(state) {}

    enum class StepOutcome {
        Going,               // the run goes on: Step again, or Start to run on to the end
        AwaitingResumption,  // a failure was answered; the next Step takes the substitute step
        Ended,               // it ended, or it was cleared (an input error, Stop while preparing)
    };
    // Exactly one pass of the run: from the set-up state it prepares the run
    // first. Never throws.
    StepOutcome Step();

    // A fresh run, the resumption after an answered failure, or the rest of
    // a run taken step by step, run on until it ends or a failure waits for
    // its answer to be acted on. Never throws: failures go to
    // HandleRunException.
    void Start();
    // Ends the run as the user's Stop does (a Stop during preparation
    // abandons the preparation).
    void Stop();
    // Acts on an answered failure (Yes, No or Yes to All) and runs on to the
    // end; the window calls it when it is idle.
    void ResumeIfPending();
    // True when an answered failure waits to be acted on.
    bool ResumePending() const;
    // Forgets the run and goes back to set-up (also after an input error).
    void Clear();

    // Reacts to an exception that left a handler, by its class.
    void HandleRunException(std::exception_ptr error);

    // Pieces of the run, public for tests.
    void IterateOnce();
    void EndIteration();
    void TerminateRun();
    bool IsRunFinished() const;

    // How the last run ended, for the batch mode's exit status. A run ended
    // by its iteration limit, or because it no longer moves, ends as Stop
    // ends it.
    enum class Ending { None, Normal, Stopped, IterationLimit, NoProgress, Error, InputError };
    Ending LastEnding() const { return lastEnding_; }
    // The last run's outcome, once it has ended (RunEnding::None before).
    RunSummary Summary() const;
    // Every iteration of the last run (kept until the next Start).
    const RunTrace& Trace() const { return trace_; }
    // What the last run was run on, from its preparation on (n = 0 before),
    // with the answers given to its failures.
    const RunDescription& Description() const { return description_; }
    // The answer to every recoverable failure, given instead of asking the
    // host (the batch mode's --on-failure, compare mode's choice); none: ask.
    void SetFailurePolicy(std::optional<FailureAnswer> answer) { failurePolicy_ = answer; }
    // Where the trace's rows beyond its window wait, and who hears when they
    // cannot be written there (see RunTrace::SetSpill).
    void SetTraceSpill(std::string folder, std::function<void(const std::string&)> failed) {
        trace_.SetSpill(std::move(folder), std::move(failed));
    }
    // From the next Start on, whether the trace keeps its rows: a trace
    // file, a view drawn from them or the window's export needs them; a run
    // that keeps none uses constant memory and disk however long it goes.
    // Summary() and the row observer work either way.
    void SetTraceKeepsRows(bool keep) { traceKeepsRows_ = keep; }
    // Where every row also goes as it is made (see RunTrace::StreamTo).
    void SetTraceStream(TraceFileStream* stream) { trace_.StreamTo(stream); }
    // Hears every row as it is made, kept or not (a compared run's thinned
    // path for its figure).
    void SetRowObserver(std::function<void(const TraceRow&)> observer) { rowObserver_ = std::move(observer); }
    // From the next Start on, the trace keeps all n coordinates of every
    // point; `large` is told once when the trace's CSV passes LargeTraceBytes.
    void SetTraceAllCoordinates(bool all, std::function<void(int64_t bytes)> large = {}) {
        traceAllCoordinates_ = all;
        largeTrace_ = std::move(large);
    }

private:
    enum class Phase { Setup, Going, Ended };
    // Start or resume; false when the run ended or paused on the way.
    bool Begin();
    void FreshRun();
    // The substitute step after an answered failure; false when the run
    // ended with it.
    bool ResumeIteration();
    // One pass of the run loop; false when the run stops going.
    bool Pass();
    StepOutcome Outcome() const;
    void MarkEnded();
    // The first-iteration set-up; true when the gradient at u° is zero and
    // the iteration ends there.
    bool FirstIterationSetupEndsIteration();
    void EndOfRun();
    void ResetRunState();
    void ReactToException(std::exception_ptr error);
    void StartTrace();
    void AddTraceRow(const Real& accuracy);
    // Ends the run as Stop does when one of its limits is reached; false
    // when none is.
    bool EndedByLimit();
    void EndAsStopped(std::string statusText, Ending ending);

    RunState& s;
    Phase phase_ = Phase::Setup;
    std::optional<FailureAnswer> failurePolicy_;
    Ending lastEnding_ = Ending::None;
    std::chrono::steady_clock::time_point started_, ended_;
    // The last row the trace took: what the report's last iteration shows.
    TraceRow lastRow_;
    bool haveRow_ = false;
    RunTrace trace_;
    StallWatch stall_;
    RunDescription description_;
    // The point of the last trace row, the start of the iteration under way.
    MyArray1 lastRowPoint_;
    // The step size the iteration under way moved by; NaN where it has none.
    Real iterationAlpha_ = 0;
    bool firstSetupDone_ = false;
    bool traceAllCoordinates_ = false;
    bool traceKeepsRows_ = true;
    std::function<void(const TraceRow&)> rowObserver_;
    bool largeTraceTold_ = false;
    std::function<void(int64_t)> largeTrace_;
    // Stop acts from Start until the run has ended or been cleared; after a
    // foreign exception it is the way out of the running layout.
    bool stopAvailable_ = false;
};

// Milliseconds of the local time of day.
int32_t MsOfDay();

// Releases every run vector and matrix.
void FreeRunArrays(RunState& s);

} // namespace tarvik
