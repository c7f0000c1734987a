#pragma once
// The cancellation points of long loops.
#include <cfenv>

#include "core/errors.h"
#include "core/kernel_progress.h"
#include "core/run_state.h"

namespace tarvik {

namespace detail {

// Long loops may run inside a fault guard; whatever the window does in its
// handlers must not leave its own flags behind for that guard.
inline void PumpEventsKeepingFlags(RunState& s) {
    std::fexcept_t flags;
    std::fegetexceptflag(&flags, FE_ALL_EXCEPT);
    s.Host->ProcessEvents();
    std::fesetexceptflag(&flags, FE_ALL_EXCEPT);
}

} // namespace detail

// For N >= 200: advance the progress bar, let the window handle pending
// events and turn a pressed Stop into EBadError "Terminated by user".
inline void ProgressTick(RunState& s) {
    if (s.N < 200) return;
    s.Host->StepProgress();
    detail::PumpEventsKeepingFlags(s);
    if (s.StopRequested) {
        s.Host->HideProgress();
        throw EBadError("Terminated by user");
    }
}

// The run's progress bar handed to a kernel.
class RunProgress final : public KernelProgress {
public:
    explicit RunProgress(RunState& s) : s_(s) {}
    void Show(int steps) override { s_.Host->ShowProgress(steps); }
    void Tick() override { ProgressTick(s_); }
    void StopPoint() override {
        if (s_.N < 200) return;
        detail::PumpEventsKeepingFlags(s_);
        if (s_.StopRequested) {
            s_.Host->HideProgress();
            throw EBadError("Terminated by user");
        }
    }
    void Hide() override { s_.Host->HideProgress(); }
    void Status(const std::string& text) override { s_.SetStatus(text); }

private:
    RunState& s_;
};

// For loops whose length is set by a user's parameter or by the function
// rather than by n alone (conjugate-gradient sub-steps, the extrapolation
// of the Wolfe search, the columns of a difference Hessian): at every n,
// let the window handle pending events and turn a pressed Stop into
// EBadError "Terminated by user". No progress bar is involved. A Stop
// closes the iteration inside the pump, before the exception is raised, so
// callers keep U, GradJ and GradNorm those of the current point here (the
// collinear methods are put back to their base point by the driver).
inline void StopPoint(RunState& s) {
    detail::PumpEventsKeepingFlags(s);
    if (s.StopRequested) throw EBadError("Terminated by user");
}

} // namespace tarvik
