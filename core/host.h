#pragma once
// Everything the engine needs from its surroundings. The Qt window, the
// headless batch mode and the tests each implement this one interface, so
// core/ and app/ never see a widget.
#include <cstdint>
#include <string>

namespace tarvik {

// Answers of the method-failure dialog (Yes, No, Cancel, Yes to All).
// None while no dialog has been answered in this iteration.
enum class FailureAnswer : uint16_t { None = 0, Cancel = 2, Yes = 6, No = 7, YesToAll = 10 };

class EngineHost {
public:
    virtual ~EngineHost() = default;

    // Status-bar panel 0.
    virtual void SetStatus(const std::string& text) = 0;
    // False for a host whose SetStatus shows nothing, so that the texts an
    // evaluation would set need not even be passed on.
    virtual bool ShowsStatus() const { return true; }
    // The output pane RichEditOut.
    virtual void AppendLine(const std::string& line) = 0;
    virtual void ClearOutput() = 0;
    // Lets the window handle pending events (Stop, resizing, hints).
    virtual void ProcessEvents() = 0;
    // Taskbar title: the iteration number during a run, the application title otherwise.
    virtual void SetTitle(const std::string& title) = 0;
    // False for a host whose SetTitle shows nothing: a cheap iteration need
    // not spell out its number for it.
    virtual bool ShowsTitle() const { return true; }

    // Modal boxes.
    virtual void ShowInfo(const std::string& text) = 0;
    virtual void ShowError(const std::string& text) = 0;
    // The four-button method-failure dialog; returns a FailureAnswer.
    virtual FailureAnswer AskFailureChoice(const std::string& text) = 0;
    // A failure that the run's own policy answered without asking.
    virtual void FailureAnswered(const std::string& /*text*/, FailureAnswer /*answer*/) {}

    // Asynchronous sound by file name inside Media, for example "Done.wav".
    virtual void PlaySound(const std::string& fileName) = 0;

    // ProgressBar1.
    virtual void ShowProgress(int maximum) = 0;
    virtual void StepProgress() = 0;
    virtual void HideProgress() = 0;

    // Window layout of the run states (Set-up, Preparing/Running, Ended).
    virtual void EnterRunningLayout() = 0;           // Start pressed
    virtual void ShowMethodCaption(const std::string& methodName) = 0;
    virtual void EnterEndedLayout() = 0;             // Clear and Save as shown, Stop hidden
    virtual void EnterSetupLayout() = 0;             // after Clear
    virtual void FocusOutput() = 0;
    // The first iteration has been set up: from here on the output is only
    // appended to, never cleared, until the user clears the results.
    virtual void OutputSettled() {}

    // The figure. The engine only says when; the host owns the picture.
    virtual void CreateFigure() = 0;
    virtual void DrawLevelLines() = 0;
    virtual void DrawTrajectoryStep() = 0;
    virtual void DestroyFigure() = 0;
};

} // namespace tarvik
