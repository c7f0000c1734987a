#pragma once
// The cancellation point of long loops (Gauss elimination, the BFGS update).
#include <cfenv>

#include "core/errors.h"
#include "core/run_state.h"

namespace tarvik {

// For N >= 200: advance the progress bar, let the window handle pending
// events and turn a pressed Stop into EBadError "Terminated by user".
inline void ProgressTick(RunState& s) {
    if (s.N < 200) return;
    s.Host->StepProgress();
    // Long loops may run inside a fault guard; whatever the window does in
    // its handlers must not leave its own flags behind for that guard.
    std::fexcept_t flags;
    std::fegetexceptflag(&flags, FE_ALL_EXCEPT);
    s.Host->ProcessEvents();
    std::fesetexceptflag(&flags, FE_ALL_EXCEPT);
    if (s.StopRequested) {
        s.Host->HideProgress();
        throw EBadError("Terminated by user");
    }
}

} // namespace tarvik
