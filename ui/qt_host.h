#pragma once
// The engine's view of the main window: status bar, output pane, boxes,
// sounds, progress bar, run layouts and the figure, all on the one window.
#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <string>

#include "core/host.h"

namespace tarvik::ui {

class TMainForm;

class QtHost : public EngineHost {
public:
    explicit QtHost(TMainForm& form);

    void SetStatus(const std::string& text) override;
    void AppendLine(const std::string& line) override;
    void ClearOutput() override;
    void ProcessEvents() override;
    void SetTitle(const std::string& title) override;

    void ShowInfo(const std::string& text) override;
    void ShowError(const std::string& text) override;
    FailureAnswer AskFailureChoice(const std::string& text) override;

    void PlaySound(const std::string& fileName) override;

    void ShowProgress(int maximum) override;
    void StepProgress() override;
    void HideProgress() override;

    void EnterRunningLayout() override;
    void ShowMethodCaption(const std::string& methodName) override;
    void EnterEndedLayout() override;
    void EnterSetupLayout() override;
    void FocusOutput() override;

    void CreateFigure() override;
    void DrawLevelLines() override;
    void DrawTrajectoryStep() override;
    void DestroyFigure() override;

    // The iteration number reaches the title at most this often; a window
    // manager that redraws the frame for every title falls behind a run of
    // a thousand iterations a second, and holds the user's clicks meanwhile.
    static constexpr int kTitleIntervalMs = 250;

private:
    void ShowTitle(const QString& title);

    TMainForm& form_;
    // The newest iteration number waits here until its interval is over.
    QString pendingTitle_;
    QTimer titleFlush_;
    QElapsedTimer sinceTitle_;
    std::string lastStatus_;
    // The status bar's count of changes just after lastStatus_ was shown.
    unsigned long long statusShownAt_ = 0;
};

} // namespace tarvik::ui
