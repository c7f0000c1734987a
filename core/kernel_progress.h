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
    // A point inside a step of the bar where Stop may act, as Tick does but
    // without moving the bar: kernels whose steps take long call it every
    // few milliseconds of work.
    virtual void StopPoint() {}
    // The status bar's text while the kernel works.
    virtual void Status(const std::string& text) = 0;

protected:
    ~KernelProgress() = default;
};

// Stop points in a loop over rows of n elements each: one every so many
// rows that about 2^16 elements pass between two of them (a fraction of a
// millisecond), however large n is.
class RowStopPoints {
public:
    RowStopPoints(KernelProgress& progress, int n) : progress_(progress), period_(n >= (1 << 16) ? 1 : (1 << 16) / (n < 1 ? 1 : n)) {}
    void Row() {
        if (++rows_ < period_) return;
        rows_ = 0;
        progress_.StopPoint();
    }

private:
    KernelProgress& progress_;
    int period_;
    int rows_ = 0;
};

} // namespace tarvik
