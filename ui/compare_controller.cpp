#include "ui/compare_controller.h"

#include "app/replay_track.h"
#include "figure/descent_frames.h"
#include "core/method_catalogue.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <utility>

#include "figure/compare_overlay.h"
#include "ui/figure_widget.h"
#include "ui/main_window.h"

namespace tarvik::ui {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

} // namespace

void CompareController::CompareClicked() {
    if (active_ || form_.State().Running) return;
    CompareSettings chosen = settings_;
    if (!form_.Dialogs().ChooseComparison(&form_, chosen)) return;
    settings_ = chosen;
    Run(settings_);
}

void CompareController::Run(const CompareSettings& settings) {
    RunState& window = form_.State();
    if (active_ || window.Running || settings.positions.empty()) return;
    form_.CopyChoicesToState();
    Forget();
    stopRequested_ = false;
    active_ = true;
    // The window counts as running: the close question asks first, and its
    // Yes ends the comparison through StopRequested.
    window.StopRequested = 0;
    window.Running = 1;
    form_.PlayIfSoundOn(QStringLiteral("Done.wav"));
    form_.EnterRunningLayout();
    form_.RichEditOut->clear();
    form_.CreateFigure();

    CompareHooks hooks;
    hooks.prepare = [&window](RunState& run, int position) {
        run.Params = window.Params;
        run.Choices = window.Choices;
        run.Choices.MethodPosition = position;
        run.FunctionCode = window.FunctionCode;
        run.FunctionName = window.FunctionName;
        run.Typed = window.Typed;
        run.N = window.N;
        // The quadratic read from files is lent to each run, not copied.
        std::swap(run.Quad, window.Quad);
        return true;
    };
    hooks.finished = [&window](RunState& run) { std::swap(run.Quad, window.Quad); };
    if (form_.ImageContours != nullptr) hooks.figureArea = FigureSize{form_.ImageContours->Figure().Width(), form_.ImageContours->Figure().Width()};
    hooks.failureAnswer = settings.failureAnswer;
    hooks.maxIterations = settings.maxIterations;
    hooks.stopRequested = [this, &window] { return stopRequested_ || window.StopRequested != 0; };
    hooks.processEvents = [] { QCoreApplication::processEvents(); };
    hooks.starting = [this](int index, int count, const std::string& method) {
        form_.SetStatusText(QStringLiteral(" Method %1 of %2: %3").arg(index + 1).arg(count).arg(Q(method)));
        form_.ShowMethodCaption(Q(method));
    };
    hooks.drawLevelLines = [this](RunState& run) {
        if (form_.ImageContours == nullptr) return;
        form_.HideAboutLabels();
        jStar_ = KnownMinimumValue(run);
        form_.ImageContours->Figure().DrawLevelLines(run);
        levelLines_ = form_.ImageContours->Figure().Image().copy();
        form_.ImageContours->update();
    };
    // Each run shows its path and its block as soon as it has ended, not
    // only when the whole comparison has.
    hooks.rowDone = [this](const CompareRow&, int, int) {
        ShowRowsSoFar();
        QCoreApplication::processEvents();
    };
    hooks.traced = [this, &settings](int index, const RunTrace& trace) {
        convergence_.push_back({std::string(MethodAtPosition(settings.positions[static_cast<std::size_t>(index)]).name),
                                index, ThinnedRows(trace, ConvergencePlotBuilder::MaxPoints)});
        if (form_.ImageContours != nullptr)
            framesPaths_.push_back(FramesPath(convergence_.back().label, trace, form_.ImageContours->Figure().Frame()));
    };
    std::string refusal;
    hooks.refused = [&refusal](const std::string& message) { refusal = message; };
    hooks.described = [this, &settings](const RunDescription& d) {
        description_ = d;
        description_.comparedMethods = settings.positions;
        description_.failurePolicy = settings.failureAnswer;
        description_.maxIterations = settings.maxIterations;
    };

    CompareEnd end = CompareEnd::Completed;
    try {
        end = RunComparison(settings.positions, hooks, rows_);
    } catch (const std::exception& e) {
        refusal = e.what();
        end = CompareEnd::ProblemRefused;
    }
    active_ = false;
    window.Running = 0;
    ShowResults(end, refusal);
}

void CompareController::ShowResults(CompareEnd end, const std::string& refusal) {
    if (end == CompareEnd::ProblemRefused && rows_.empty()) {
        // As an input error of a single run: the box, then set-up again.
        form_.PlayIfSoundOn(QStringLiteral("Ding.wav"));
        form_.Dialogs().Error(&form_, Q(refusal.empty() ? "The problem cannot be prepared." : refusal));
        form_.Driver().Clear();
        return;
    }
    ShowRowsSoFar();
    if (end == CompareEnd::ProblemRefused) form_.RichEditOut->AppendLine(Q(refusal));
    const QString status = end == CompareEnd::Interrupted ? QStringLiteral(" Terminated by user") : QStringLiteral(" Done");
    form_.RichEditOut->AppendLine(status);
    form_.SetStatusText(status);
    form_.ShowMethodCaption(QStringLiteral("Compare: %1 methods").arg(rows_.size()));
    form_.PlayIfSoundOn(QStringLiteral("Utopia Asterisk.wav"));
    hasTable_ = true;
    form_.EnterEndedLayout();
    // The trace belongs to a single run.
    form_.PanelRunButtons->BtnExportTrace->hide();
}

void CompareController::ShowRowsSoFar() {
    if (form_.ImageContours != nullptr) {
        // The paths are drawn afresh over the level lines, so that the legend
        // stays on top and each path keeps the width its place gives it.
        QImage& image = form_.ImageContours->Figure().Image();
        if (!levelLines_.isNull()) image = levelLines_;
        std::vector<ComparePath> paths;
        for (const CompareRow& row : rows_) paths.push_back({row.method, row.path});
        DrawComparePaths(form_.ImageContours->Figure(), paths);
        form_.ImageContours->update();
    }
    // The pane is too narrow for the table's columns; Save as writes the table.
    const std::string blocks = FormatCompareBlocks(rows_);
    if (blocks.size() <= blocksShown_) return;
    std::string added = blocks.substr(blocksShown_);
    blocksShown_ = blocks.size();
    if (added.back() == '\n') added.pop_back();
    form_.RichEditOut->AppendLine(Q(added));
}

void CompareController::SaveAnimation(const std::string& path) {
    if (form_.ImageContours == nullptr || levelLines_.isNull()) return;
    DescentFrames frames =
        DescentFrames::Compared(levelLines_, form_.ImageContours->Figure().Frame(), framesPaths_, false);
    SaveDescentAnimation(frames, path);
}

void CompareController::Forget() {
    rows_.clear();
    description_ = RunDescription{};
    levelLines_ = QImage();
    convergence_.clear();
    jStar_.reset();
    framesPaths_.clear();
    blocksShown_ = 0;
    hasTable_ = false;
}

} // namespace tarvik::ui
