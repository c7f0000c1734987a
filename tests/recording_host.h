#pragma once
// An EngineHost for tests: records what the engine shows and answers the
// failure dialog from a queue.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/host.h"

namespace tarvik::testing {

class RecordingHost : public EngineHost {
public:
    std::vector<std::string> lines;
    std::vector<std::string> statuses;
    std::vector<std::string> infos;
    std::vector<std::string> errors;
    std::vector<std::string> sounds;
    std::vector<std::string> failureTexts;
    std::deque<FailureAnswer> failureAnswers;   // answers handed out in order; Cancel when empty
    std::string title;
    int processEventsCalls = 0;
    int progressMaximum = 0;
    int progressSteps = 0;
    bool progressVisible = false;
    int levelLineDrawings = 0;
    int trajectoryDrawings = 0;
    std::string layout = "setup";
    // Called from ProcessEvents, so a test can press Stop at a chosen moment.
    std::function<void()> onProcessEvents;
    // Called from DrawTrajectoryStep, so a test can look at the segment colour.
    std::function<void()> onDrawTrajectory;

    void SetStatus(const std::string& text) override { statuses.push_back(text); }
    void AppendLine(const std::string& line) override { lines.push_back(line); }
    void ClearOutput() override { lines.clear(); }
    void ProcessEvents() override {
        ++processEventsCalls;
        if (onProcessEvents) onProcessEvents();
    }
    void SetTitle(const std::string& t) override { title = t; }
    void ShowInfo(const std::string& text) override { infos.push_back(text); }
    void ShowError(const std::string& text) override { errors.push_back(text); }
    FailureAnswer AskFailureChoice(const std::string& text) override {
        failureTexts.push_back(text);
        if (failureAnswers.empty()) return FailureAnswer::Cancel;
        const FailureAnswer answer = failureAnswers.front();
        failureAnswers.pop_front();
        return answer;
    }
    void PlaySound(const std::string& fileName) override { sounds.push_back(fileName); }
    void ShowProgress(int maximum) override { progressMaximum = maximum; progressVisible = true; }
    void StepProgress() override { ++progressSteps; }
    void HideProgress() override { progressVisible = false; }
    void EnterRunningLayout() override { layout = "running"; }
    void ShowMethodCaption(const std::string&) override {}
    void EnterEndedLayout() override { layout = "ended"; }
    void EnterSetupLayout() override { layout = "setup"; }
    void FocusOutput() override {}
    void CreateFigure() override {}
    void DrawLevelLines() override { ++levelLineDrawings; }
    void DrawTrajectoryStep() override {
        ++trajectoryDrawings;
        if (onDrawTrajectory) onDrawTrajectory();
    }
    void DestroyFigure() override {}

    std::string Text() const {
        std::string all;
        for (const auto& l : lines) { all += l; all += '\n'; }
        return all;
    }
};

} // namespace tarvik::testing
