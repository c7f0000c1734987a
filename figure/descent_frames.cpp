#include "figure/descent_frames.h"

#include "app/pixel_path.h"
#include "core/run_state.h"
#include "figure/contour_figure.h"
#include "figure/figure_colours.h"
#include "figure/gif_io.h"
#include "figure/image_export.h"

namespace tarvik {

DescentFrames DescentFrames::SingleRun(QImage levelLines, const PlaneFrame& frame,
                                       std::vector<std::pair<Real, Real>> points, bool ended) {
    DescentFrames f;
    f.levelLines_ = std::move(levelLines);
    f.frame_ = frame;
    f.last_ = points.empty() ? 0 : points.size() - 1;
    f.points_ = std::move(points);
    f.ended_ = ended;
    f.picture_ = f.levelLines_;
    return f;
}

DescentFrames DescentFrames::Compared(QImage levelLines, const PlaneFrame& frame, std::vector<ComparePath> paths,
                                      bool legendBesideAllowed) {
    DescentFrames f;
    f.compared_ = true;
    f.frame_ = frame;
    for (const ComparePath& path : paths)
        if (!path.points.empty())
            f.last_ = std::max(f.last_, path.iterations.empty() ? path.points.size() - 1 : path.iterations.back());
    f.layout_ = LayOutCompareFigure(levelLines, frame, paths, legendBesideAllowed);
    f.levelLines_ = std::move(levelLines);
    f.paths_ = std::move(paths);
    f.picture_ = ComposeCompareFigure(f.levelLines_, f.frame_, f.paths_, f.layout_, 0);
    return f;
}

const QImage& DescentFrames::At(std::size_t k) {
    k = std::min(k, last_);
    if (compared_) {
        if (k != drawnUpTo_) picture_ = ComposeCompareFigure(levelLines_, frame_, paths_, layout_, k);
        drawnUpTo_ = k;
        return picture_;
    }
    if (k < drawnUpTo_) {
        picture_ = levelLines_;
        drawnUpTo_ = 0;
    }
    while (drawnUpTo_ < k) DrawStep(++drawnUpTo_);
    return picture_;
}

// Iteration i as ContourFigure::DrawTrajectoryStep draws it: the segment
// from the point before, then the marker of the point before over its
// start (blue for u°), and the final marker when the run ends there.
void DescentFrames::DrawStep(std::size_t i) {
    PixelPos from, to;
    const auto& [u1, u2] = points_[i - 1];
    const auto& [v1, v2] = points_[i];
    if (!PointFormPixel(u1, u2, frame_.scale, frame_.centreX, frame_.centreY, from) ||
        !PointFormPixel(v1, v2, frame_.scale, frame_.centreX, frame_.centreY, to))
        return;
    FigureCanvas cv(picture_, canvas_);
    canvas_.PenWidth = 1;
    canvas_.Style = PenStyle::Solid;
    canvas_.BrushSolid = true;
    canvas_.PenColour = clTrajectory;
    canvas_.BrushColour = clTrajectory;
    cv.Line(from.x, from.y, to.x, to.y);
    if (i == 1) {
        canvas_.PenColour = clInitialPoint;
        canvas_.BrushColour = clInitialPoint;
    }
    // The figure's markers after the start's larger one.
    constexpr int markerRadius = 3;
    DrawEllipse(cv, BoxAround(from, markerRadius));
    if (i == last_ && ended_) {
        canvas_.BrushColour = clFinalPoint;
        canvas_.PenColour = clFinalRim;
        DrawEllipse(cv, BoxAround(to, markerRadius));
    }
}

std::vector<std::pair<Real, Real>> TracePoints(const RunTrace& trace) {
    std::vector<std::pair<Real, Real>> points;
    points.reserve(static_cast<std::size_t>(trace.RowCount()));
    trace.ForEachRow([&points](const TraceRow& row) { points.emplace_back(row.u1, row.u2); });
    return points;
}

ComparePath FramesPath(std::string label, const RunTrace& trace, const PlaneFrame& frame) {
    ComparePath path{std::move(label), {}, {}};
    PixelPathThinner thinner(frame);
    trace.ForEachRow([&](const TraceRow& row) {
        if (!thinner.Needed(row.u1, row.u2)) return;
        path.points.emplace_back(row.u1, row.u2);
        path.iterations.push_back(static_cast<std::size_t>(row.iteration));
    });
    return path;
}

std::vector<std::size_t> FrameIterations(std::size_t last, std::size_t cap) {
    std::vector<std::size_t> frames;
    if (last + 1 <= cap || cap < 2) {
        for (std::size_t k = 0; k <= last && (cap >= 2 || k == 0); ++k) frames.push_back(k);
        return frames;
    }
    // k-th of cap frames at round(k * last / (cap - 1)): evenly spaced,
    // strictly increasing since last >= cap.
    for (std::size_t k = 0; k < cap; ++k)
        frames.push_back(static_cast<std::size_t>((static_cast<unsigned __int128>(k) * last * 2 + (cap - 1)) /
                                                  (2 * (cap - 1))));
    return frames;
}

void SaveDescentAnimation(DescentFrames& frames, const std::string& path, std::size_t cap) {
    const std::vector<std::size_t> iterations = FrameIterations(frames.LastIteration(), cap);
    const auto delay = [&iterations](std::size_t index) {
        return index + 1 == iterations.size() ? AnimationLastFrameDelay : AnimationFrameDelay;
    };
    GifAnimation animation(frames.At(iterations.front()), delay(0), path);
    for (std::size_t i = 1; i < iterations.size(); ++i) animation.Add(frames.At(iterations[i]), delay(i));
    WriteImageFile(path, animation.Finish(), "GIF");
}

} // namespace tarvik
