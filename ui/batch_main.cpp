// The batch mode's entry and the part of it that paints: the figure is
// drawn off screen, with the window's own drawing code.
#include "ui/batch_main.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/batch_mode.h"
#include "core/objective.h"
#include "figure/compare_overlay.h"
#include "figure/contour_figure.h"
#include "figure/image_export.h"

namespace tarvik {

namespace {

// The figure panel of the window at its first-start width.
constexpr int BatchFigurePanelWidth = 438;

class OffscreenFigure : public BatchFigure {
public:
    explicit OffscreenFigure(char* argv0) : argv_{argv0, nullptr}, app_(argc_, argv_) {}
    void Create() override { figure_ = std::make_unique<ContourFigure>(BatchFigurePanelWidth); }
    void DrawLevelLines(RunState& s) override { figure_->DrawLevelLines(s, JOf(s)); }
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
    // QGuiApplication keeps references to both for its whole life.
    int argc_ = 1;
    char* argv_[2];
    QGuiApplication app_;
    std::unique_ptr<ContourFigure> figure_;
};

} // namespace

int BatchMain(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) != "--batch") args.emplace_back(argv[i]);

    return RunBatchMode(args, stdout, stderr, [argv]() -> std::unique_ptr<BatchFigure> {
        // The figure needs fonts but never a screen.
        if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        // Standard error carries the message boxes; Qt's own chatter stays out.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
            if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(message));
        });
        return std::make_unique<OffscreenFigure>(argv[0]);
    });
}

} // namespace tarvik
