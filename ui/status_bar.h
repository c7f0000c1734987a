#pragma once
// A status bar of text panels laid side by side, with the panel widths set
// by the window's own layout (small buttons and the progress bar sit on top
// of panels 1 to 5).
#include <QFrame>
#include <QString>
#include <vector>

class QLabel;
class QProgressBar;
class QToolButton;

namespace tarvik::ui {

class TStatusBar : public QFrame {
    Q_OBJECT
public:
    explicit TStatusBar(int panelCount, QWidget* parent = nullptr);

    int PanelCount() const { return static_cast<int>(panels_.size()); }
    QLabel* Panel(int index) const { return panels_.at(static_cast<std::size_t>(index)); }
    QString PanelText(int index) const;
    void SetPanelText(int index, const QString& text);
    // How many times a panel's text has been set: whoever set one can tell
    // from it that nobody has set another since, without reading the text.
    unsigned long long TextChanges() const { return textChanges_; }
    int PanelWidth(int index) const { return widths_.at(static_cast<std::size_t>(index)); }
    // The last panel takes what is left.
    void SetPanelWidth(int index, int width);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ArrangePanels();

    std::vector<QLabel*> panels_;
    std::vector<int> widths_;
    unsigned long long textChanges_ = 0;
};

// The window's status bar: panel 0 for hints and the run's status, four
// square panels under the sound switch, the help button and the function and
// method tools, and the progress of an iteration after them.
class StatusBar : public TStatusBar {
    Q_OBJECT
public:
    explicit StatusBar(QWidget* parent);

    QToolButton* BitBtnSoundYes = nullptr;
    QToolButton* BitBtnSoundNo = nullptr;
    QToolButton* BitBtnAbout = nullptr;
    QToolButton* BitBtnFun = nullptr;
    QToolButton* BitBtnMet = nullptr;
    QProgressBar* ProgressBar1 = nullptr;

    // Panel 0 is firstWidth wide, the tools' panels square; the progress bar
    // reaches from them to right.
    void ArrangeTools(int firstWidth, int right);
    // The progress bar follows a change of the window's width.
    void WidenProgress(int dx);
    // The progress of an iteration of maximum steps: shown from zero, one
    // step at a time (never past the end), hidden when the iteration ends.
    void StartProgress(int maximum);
    void StepProgress();
    void HideProgress();
    // One of the tools (not a panel of the bar).
    bool IsTool(const QWidget* widget) const;

    bool SoundOn() const;
    void SetSoundOn(bool on);
    // The tools in the order Tab visits them, from left to right.
    QWidgetList FocusOrder() const;

signals:
    // The sound switch was clicked; on is the state it asks for.
    void soundSwitched(bool on);
    void functionToolClicked();
    void methodToolClicked();
};

} // namespace tarvik::ui
