#pragma once
// The progress bar, the status text and Stop as a long kernel sees them.
#include <string>

namespace tarvik {

class KernelProgress {
public:
    // Shows the bar with this many steps.
    virtual void Show(int steps) = 0;
    // One step; the window handles its events and a pressed Stop raises
    // EBadError "Terminated by user" (small problems show no bar and skip it).
    virtual void Tick() = 0;
    virtual void Hide() = 0;
    // The status bar's text while the kernel works.
    virtual void Status(const std::string& text) = 0;

protected:
    ~KernelProgress() = default;
};

} // namespace tarvik
