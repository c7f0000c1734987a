#pragma once
// The spine of a run: Start, the run loop, one iteration, its bookkeeping,
// Stop, the end of a run, failures and their resumption, and Clear. It
// works on the run state and talks to the window only through EngineHost.
#include <exception>
#include <functional>
#include <string>
#include <utility>

#include "app/run_description.h"
#include "app/run_trace.h"
#include "core/run_state.h"
#include "core/stall_watch.h"

namespace tarvik {

class RunDriver {
public:
    explicit RunDriver(RunState& state) : s(state) {}

    // The Start button: a fresh run, or the resume path after the
    // method-failure dialog. Never throws: failures go to HandleRunException.
    void BtnStartClick();
    // The Stop button.
    void BtnStopClick();
    // The idle hook: resumes a run after Yes, No or Yes to All.
    void ApplicationEvents1Idle();
    // True when the idle hook has a resumption to perform.
    bool ResumePending() const;
    // The Clear button (also performed after an input error).
    void ClearResults();

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
    // Every iteration of the last run (kept until the next Start).
    const RunTrace& Trace() const { return trace_; }
    // What the last run was run on, from its preparation on (n = 0 before),
    // with the answers given to its failures.
    const RunDescription& Description() const { return description_; }
    // From the next Start on, the trace keeps all n coordinates of every
    // point; `large` is told once when the trace's CSV passes LargeTraceBytes.
    void SetTraceAllCoordinates(bool all, std::function<void(int64_t bytes)> large = {}) {
        traceAllCoordinates_ = all;
        largeTrace_ = std::move(large);
    }

private:
    void FreshRun();
    void ResumeRun();
    void RunLoop();
    // The first-iteration set-up; true when the gradient at u° is zero and
    // the iteration ends there.
    bool FirstIterationSetupEndsIteration();
    void EndOfRun();
    void ResetRunState();
    void ReactToException(std::exception_ptr error);
    void StartTrace();
    void AddTraceRow(Real accuracy);
    // Ends the run as Stop does when one of its limits is reached; false
    // when none is.
    bool EndedByLimit();
    void EndAsStopped(std::string statusText, Ending ending);

    RunState& s;
    Ending lastEnding_ = Ending::None;
    RunTrace trace_;
    StallWatch stall_;
    RunDescription description_;
    // The point of the last trace row, the start of the iteration under way.
    MyArray1 lastRowPoint_;
    // The step size the iteration under way moved by; NaN where it has none.
    Real iterationAlpha_ = 0;
    bool firstSetupDone_ = false;
    bool traceAllCoordinates_ = false;
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
