#pragma once
// Compare mode of the window: the chosen methods run one after another on
// the window's problem, each in a run state of its own exactly as its single
// run would go; the figure shows the level lines once with every path over
// them, the output pane the table.
#include <QImage>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "app/compare_run.h"
#include "figure/compare_overlay.h"
#include "ui/compare_dialog.h"
#include "ui/convergence_view.h"

namespace tarvik::ui {

class TMainForm;

class CompareController {
public:
    explicit CompareController(TMainForm& form) : form_(form) {}

    // The Compare button: the dialog, then the comparison.
    void CompareClicked();
    // Runs the comparison; returns when it has ended. The window stays live
    // meanwhile, and Stop (or closing the window) ends it.
    void Run(const CompareSettings& settings);
    void Stop() { stopRequested_ = true; }

    bool Active() const { return active_; }
    // An ended comparison whose table the output pane shows (until Clear).
    bool HasTable() const { return hasTable_; }
    const std::vector<CompareRow>& Rows() const { return rows_; }
    // What the comparison was run on, for the description beside its CSV
    // (n = 0 when no run was prepared).
    const RunDescription& Description() const { return description_; }
    // Clear: the table and the pane's table font go.
    void Forget();

    CompareSettings& Settings() { return settings_; }
    // Every compared run's rows (thinned) for the convergence view, and J*.
    const std::vector<ConvergenceView::Run>& ConvergenceRuns() const { return convergence_; }
    std::optional<Real> KnownMinimum() const { return jStar_; }
    // The compared descent as an animated GIF over the shared level lines.
    void SaveAnimation(const std::string& path);

private:
    // The figure and the pane with every run ended so far.
    void ShowRowsSoFar();
    void ShowResults(CompareEnd end, const std::string& refusal);

    TMainForm& form_;
    CompareSettings settings_;
    std::vector<CompareRow> rows_;
    RunDescription description_;
    // The figure with its level lines alone, under the paths drawn so far.
    QImage levelLines_;
    std::vector<ConvergenceView::Run> convergence_;
    std::optional<Real> jStar_;
    std::vector<ComparePath> framesPaths_;
    // How much of the rows' blocks the pane shows.
    std::size_t blocksShown_ = 0;
    bool active_ = false;
    bool hasTable_ = false;
    bool stopRequested_ = false;
};

} // namespace tarvik::ui
