#pragma once
// An EngineHost that shows nothing and answers Cancel: the base of the batch
// host and the host of benchmarks, which override only what they need.
#include <string>

#include "core/host.h"

namespace tarvik {

class SilentHost : public EngineHost {
public:
    void SetStatus(const std::string&) override {}
    bool ShowsStatus() const override { return false; }
    void AppendLine(const std::string&) override {}
    void ClearOutput() override {}
    void ProcessEvents() override {}
    void SetTitle(const std::string&) override {}
    bool ShowsTitle() const override { return false; }
    void ShowInfo(const std::string&) override {}
    void ShowError(const std::string&) override {}
    FailureAnswer AskFailureChoice(const std::string&) override { return FailureAnswer::Cancel; }
    void PlaySound(const std::string&) override {}
    void ShowProgress(int) override {}
    void StepProgress() override {}
    void HideProgress() override {}
    void EnterRunningLayout() override {}
    void ShowMethodCaption(const std::string&) override {}
    void EnterEndedLayout() override {}
    void EnterSetupLayout() override {}
    void FocusOutput() override {}
    void CreateFigure() override {}
    void DrawLevelLines() override {}
    void DrawTrajectoryStep() override {}
    void DestroyFigure() override {}
};

} // namespace tarvik
