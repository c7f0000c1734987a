#include "figure/unpainted_figure.h"

#include <optional>
#include <stdexcept>

#include "app/batch_options.h"
#include "app/figure_frame.h"
#include "figure/plane_levels.h"

namespace tarvik {

namespace {

class UnpaintedFigure : public BatchFigure {
public:
    explicit UnpaintedFigure(const BatchOptions& options) : size_(options.figureSize) {}
    void Create() override { exists_ = true; }
    void DrawLevelLines(RunState& s) override {
        // What the painted figure does before its scan: the host may stop
        // the run there.
        s.Host->ProcessEvents();
        const FigureSize area = Area();
        frame_ = PlaneFrameFor(area, s.U0.at(1), s.U0.at(2), s.FunctionCode);
        PlaneLevels::ScanAll(s, area, frame_);
    }
    void DrawTrajectoryStep(RunState& s) override { CheckTrajectoryStep(s, frame_); }
    void Destroy() override { exists_ = false; }
    bool Exists() const override { return exists_; }
    void DrawComparePaths(std::vector<CompareRow>&) override { Refuse(); }
    void Save(const std::string&, char) override { Refuse(); }
    void SaveRunAnimation(const RunTrace&, const std::string&) override { Refuse(); }
    void AddComparedRun(const std::string&, const RunTrace&) override { Refuse(); }
    void SaveCompareAnimation(const std::string&) override { Refuse(); }

private:
    // The painted figure's: the window's figure at its first start, whose
    // square is as wide as the picture, or the size given.
    FigureSize Area() const {
        if (size_) return *size_;
        const int width = FigureImageWidth(BatchFigurePanelWidth);
        return {width, width};
    }
    [[noreturn]] static void Refuse() { throw std::logic_error("the batch figure was not painted"); }

    std::optional<FigureSize> size_;
    bool exists_ = false;
    PlaneFrame frame_;
};

} // namespace

std::unique_ptr<BatchFigure> MakeUnpaintedFigure(const BatchOptions& options) {
    return std::make_unique<UnpaintedFigure>(options);
}

bool PaintsFigure(const BatchOptions& options) { return !options.figureFile.empty() || !options.animateFile.empty(); }

} // namespace tarvik
