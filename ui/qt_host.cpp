#include "ui/qt_host.h"

#include <QCoreApplication>
#include <QPlainTextEdit>

#include "tarvik_version.h"
#include "app/convergence_data.h"
#include "ui/figure_widget.h"
#include "ui/main_window.h"
#include "ui/status_bar.h"
#include "ui/window_dialogs.h"

namespace tarvik::ui {

namespace {
QString Q(const std::string& text) { return QString::fromStdString(text); }
}

// Every evaluation of J sets a status text, a million times for one figure:
// an unchanged text is left alone without building or reading a QString.
void QtHost::SetStatus(const std::string& text) {
    // Hints may have replaced the panel's text since; then the bar has changed.
    if (text == lastStatus_ && form_.StatusChanges() == statusShownAt_) return;
    lastStatus_ = text;
    form_.SetStatusText(Q(text));
    statusShownAt_ = form_.StatusChanges();
}

void QtHost::AppendLine(const std::string& line) { form_.RichEditOut->AppendLine(Q(line)); }

void QtHost::ClearOutput() { form_.RichEditOut->clear(); }

void QtHost::ProcessEvents() { QCoreApplication::processEvents(); }

QtHost::QtHost(TMainForm& form) : form_(form) {
    titleFlush_.setSingleShot(true);
    QObject::connect(&titleFlush_, &QTimer::timeout, &titleFlush_, [this] { ShowTitle(pendingTitle_); });
}

void QtHost::SetTitle(const std::string& title) {
    if (title == form_.State().AppTitle) {
        // The run is over: its last number must not come after the caption.
        // Between runs the window shows its full caption with the version.
        titleFlush_.stop();
        ShowTitle(QStringLiteral(TARVIK_WINDOW_TITLE));
        return;
    }
    pendingTitle_ = Q(title);
    if (!sinceTitle_.isValid() || sinceTitle_.elapsed() >= kTitleIntervalMs) {
        titleFlush_.stop();
        ShowTitle(pendingTitle_);
    } else if (!titleFlush_.isActive()) {
        // The run pumps events at every iteration, so the timer shows the
        // number the run has reached when the interval ends.
        titleFlush_.start(static_cast<int>(kTitleIntervalMs - sinceTitle_.elapsed()));
    }
}

void QtHost::ShowTitle(const QString& title) {
    form_.setWindowTitle(title);
    sinceTitle_.start();
}

void QtHost::ShowInfo(const std::string& text) { form_.Dialogs().Info(&form_, Q(text)); }

void QtHost::ShowError(const std::string& text) { form_.Dialogs().Error(&form_, Q(text)); }

FailureAnswer QtHost::AskFailureChoice(const std::string& text) { return form_.Dialogs().FailureChoice(&form_, Q(text)); }

void QtHost::PlaySound(const std::string& fileName) { form_.PlayIfSoundOn(Q(fileName)); }

void QtHost::ShowProgress(int maximum) { form_.StatusBar1->StartProgress(maximum); }

void QtHost::StepProgress() { form_.StatusBar1->StepProgress(); }

void QtHost::HideProgress() { form_.StatusBar1->HideProgress(); }

void QtHost::EnterRunningLayout() { form_.EnterRunningLayout(); }

void QtHost::ShowMethodCaption(const std::string& methodName) { form_.ShowMethodCaption(Q(methodName)); }

void QtHost::EnterEndedLayout() { form_.EnterEndedLayout(); }

void QtHost::EnterSetupLayout() { form_.EnterSetupLayout(); }

void QtHost::FocusOutput() { form_.RichEditOut->setFocus(); }

void QtHost::CreateFigure() { form_.CreateFigure(); }

void QtHost::DrawLevelLines() {
    if (form_.ImageContours == nullptr) return;
    form_.HideAboutLabels();
    form_.NoteKnownMinimum(KnownMinimumValue(form_.State()));
    form_.ImageContours->Figure().DrawLevelLines(form_.State());
    form_.ImageContours->update();
}

void QtHost::DrawTrajectoryStep() {
    if (form_.ImageContours == nullptr) return;
    form_.ImageContours->Figure().DrawTrajectoryStep(form_.State());
    form_.ImageContours->update();
}

void QtHost::DestroyFigure() { form_.DestroyFigure(); }

} // namespace tarvik::ui
