#pragma once
// The descent as pictures, iteration by iteration, from the runs' trace rows
// (u1, u2 of every iteration): the level lines with each path drawn up to
// iteration k. One run is drawn as its figure draws the trajectory (the
// segments, a marker at every point, the start's marker blue, the final
// marker when the run is over), so that the picture of its last iteration
// is the finished figure except what the trace does not hold: the short
// gradient lines at the points, the colours of substitute and special
// steps, and the sub-iterations and delta-vicinities of the collinear-
// gradients methods. Compared runs are drawn exactly as the compare figure
// draws them, legend included. The batch mode's --animate writes them as
// an animated GIF; the window can replay a run from its trace with them.
#include <QImage>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "app/figure_frame.h"
#include "app/run_trace.h"
#include "figure/compare_overlay.h"
#include "figure/figure_canvas.h"

namespace tarvik {

class DescentFrames {
public:
    // One run. levelLines: its figure right after the level lines were
    // drawn (u* and u° included), frame: that figure's geometry; ended: the
    // run is over, so its last point gets the final marker.
    static DescentFrames SingleRun(QImage levelLines, const PlaneFrame& frame,
                                   std::vector<std::pair<Real, Real>> points, bool ended);
    // Compared runs over the level lines they share.
    static DescentFrames Compared(QImage levelLines, const PlaneFrame& frame, std::vector<ComparePath> paths,
                                  bool legendBesideAllowed);

    // The last iteration of the longest run.
    std::size_t LastIteration() const { return last_; }
    // The picture with every path up to its iteration k (a run that has
    // ended stays at its end). Iterations asked in increasing order cost
    // only what they add.
    const QImage& At(std::size_t k);

private:
    DescentFrames() = default;
    void DrawStep(std::size_t i);

    QImage levelLines_;
    PlaneFrame frame_;
    std::size_t last_ = 0;
    // One run.
    std::vector<std::pair<Real, Real>> points_;
    bool ended_ = false;
    CanvasState canvas_;
    // Compared runs.
    bool compared_ = false;
    std::vector<ComparePath> paths_;
    CompareLayout layout_;

    QImage picture_;
    std::size_t drawnUpTo_ = 0;
};

// The points (u1, u2) of a trace's rows, iteration by iteration.
std::vector<std::pair<Real, Real>> TracePoints(const RunTrace& trace);

// A compared run's path for the frames: only the points that the compare
// figure's drawing needs on this frame (a point on the pixel of the point
// before it draws nothing new after the first such one), each with its
// iteration, so that a run of millions of iterations near its end costs
// the few pixels it covers.
ComparePath FramesPath(std::string label, const RunTrace& trace, const PlaneFrame& frame);

// The iterations 0..last that become frames: all of them when they are at
// most `cap`, otherwise `cap` of them spread evenly, the first and the last
// always among them.
std::vector<std::size_t> FrameIterations(std::size_t last, std::size_t cap);

inline constexpr std::size_t AnimationFrameCap = 300;
// Hundredths of a second per frame, and the pause on the last one.
inline constexpr int AnimationFrameDelay = 8;
inline constexpr int AnimationLastFrameDelay = 300;

// Writes the frames of FrameIterations(LastIteration(), cap) as an animated
// GIF (figure/gif_io.h), replacing the file as a whole; throws
// std::runtime_error naming the file and the reason when it cannot.
void SaveDescentAnimation(DescentFrames& frames, const std::string& path, std::size_t cap = AnimationFrameCap);

} // namespace tarvik
