#include "figure/offscreen_figure.h"

#include <string>
#include <utility>
#include <vector>

#include "app/figure_frame.h"
#include "figure/compare_overlay.h"
#include "figure/contour_figure.h"
#include "figure/image_export.h"

namespace tarvik {

namespace {

class OffscreenFigure : public BatchFigure {
public:
    void Create() override { figure_ = std::make_unique<ContourFigure>(BatchFigurePanelWidth); }
    void DrawLevelLines(RunState& s) override { figure_->DrawLevelLines(s); }
    void DrawTrajectoryStep(RunState& s) override { figure_->DrawTrajectoryStep(s); }
    void Destroy() override { figure_.reset(); }
    bool Exists() const override { return figure_ != nullptr; }
    void DrawComparePaths(std::vector<CompareRow>& rows) override {
        std::vector<ComparePath> paths;
        for (CompareRow& row : rows) paths.push_back({row.method, std::move(row.path)});
        tarvik::DrawComparePaths(*figure_, paths);
    }
    void Save(const std::string& path, char exportType) override {
        SaveFigureImage(figure_->Image(), path, exportType);
    }

private:
    std::unique_ptr<ContourFigure> figure_;
};

} // namespace

std::unique_ptr<BatchFigure> MakeOffscreenFigure() { return std::make_unique<OffscreenFigure>(); }

} // namespace tarvik
