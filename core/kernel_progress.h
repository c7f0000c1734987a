#pragma once
// The progress bar and Stop as a long kernel sees them.

namespace tarvik {

class KernelProgress {
public:
    // Shows the bar with this many steps.
    virtual void Show(int steps) = 0;
    // One step; the window handles its events and a pressed Stop raises
    // EBadError "Terminated by user" (small problems show no bar and skip it).
    virtual void Tick() = 0;

protected:
    ~KernelProgress() = default;
};

} // namespace tarvik
