#include "figure/offscreen_figure.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/batch_options.h"
#include "app/figure_frame.h"
#include "figure/compare_overlay.h"
#include "figure/contour_figure.h"
#include "figure/descent_frames.h"
#include "figure/image_export.h"
#include "figure/unpainted_figure.h"

namespace tarvik {

namespace {

class OffscreenFigure : public BatchFigure {
public:
    explicit OffscreenFigure(const BatchOptions& options)
        : size_(options.figureSize), keepsLevelLines_(!options.animateFile.empty()) {}
    void Create() override {
        figure_ = size_ ? std::make_unique<ContourFigure>(*size_) : std::make_unique<ContourFigure>(BatchFigurePanelWidth);
        picture_ = QImage();
    }
    void DrawLevelLines(RunState& s) override {
        figure_->DrawLevelLines(s);
        if (keepsLevelLines_) levelLines_ = figure_->Image().copy();
    }
    void DrawTrajectoryStep(RunState& s) override { figure_->DrawTrajectoryStep(s); }
    void Destroy() override { figure_.reset(); }
    bool Exists() const override { return figure_ != nullptr; }
    // The figure keeps its level lines (the animation starts from them);
    // the picture with the paths may be wider, for the legend beside them.
    void DrawComparePaths(std::vector<CompareRow>& rows) override {
        const std::vector<ComparePath> paths = PathsOf(rows);
        picture_ = ComposeCompareFigure(figure_->Image(), figure_->Frame(), paths,
                                        LayOutCompareFigure(figure_->Image(), figure_->Frame(), paths, true));
    }
    void Save(const std::string& path, char exportType) override {
        SaveFigureImage(picture_.isNull() ? figure_->Image() : picture_, path, exportType);
    }
    void SaveRunAnimation(const RunTrace& trace, const std::string& path) override {
        DescentFrames frames = DescentFrames::SingleRun(levelLines_, figure_->Frame(), TracePoints(trace), true);
        SaveDescentAnimation(frames, path);
    }
    void AddComparedRun(const std::string& label, const RunTrace& trace) override {
        compared_.push_back(FramesPath(label, trace, figure_->Frame()));
    }
    void SaveCompareAnimation(const std::string& path) override {
        DescentFrames frames = DescentFrames::Compared(figure_->Image(), figure_->Frame(), std::move(compared_), true);
        compared_.clear();
        SaveDescentAnimation(frames, path);
    }

private:
    static std::vector<ComparePath> PathsOf(std::vector<CompareRow>& rows) {
        std::vector<ComparePath> paths;
        for (CompareRow& row : rows) paths.push_back({row.method, std::move(row.path)});
        return paths;
    }

    std::optional<FigureSize> size_;
    bool keepsLevelLines_;
    std::unique_ptr<ContourFigure> figure_;
    QImage levelLines_;
    QImage picture_;
    std::vector<ComparePath> compared_;
};

} // namespace

std::unique_ptr<BatchFigure> MakeOffscreenFigure(const BatchOptions& options) {
    return std::make_unique<OffscreenFigure>(options);
}

std::unique_ptr<BatchFigure> MakeBatchFigure(const BatchOptions& options) {
    if (!PaintsFigure(options)) return MakeUnpaintedFigure(options);
    return MakeOffscreenFigure(options);
}

} // namespace tarvik
