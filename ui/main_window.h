#pragma once
// The main window: the problem panel along the top, the method and accuracy
// panels on the left, the output pane below them, the figure panel on the
// right and the status bar with its small buttons. The panels own their
// controls under the names the rest of the program uses (and the same
// objectName), and the window reaches a control only through its panel; it
// owns the few controls that sit on it directly and reacts to the panels'
// signals.
#include <QColor>
#include <QPoint>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <optional>
#include <vector>

#include "app/replay_track.h"
#include "app/run_driver.h"
#include "core/run_state.h"
#include "ui/accuracy_panel.h"
#include "ui/figure_panel.h"
#include "ui/method_panel.h"
#include "ui/output_pane.h"
#include "ui/panel_choices.h"
#include "ui/problem_panel.h"
#include "ui/qt_host.h"
#include "ui/run_buttons.h"
#include "ui/window_dialogs.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QTabBar;
class QToolButton;

namespace tarvik {
struct Configuration;
}

namespace tarvik::ui {

class CompareController;
class FigureWidget;
class ReplayBar;
class ConvergenceView;
class InputFilesPanel;
class SoundPlayer;
class StatusBar;

class TMainForm : public QWidget {
    Q_OBJECT
public:
    // startDir is the folder that was current when the program started.
    // Without dialogs the real Qt boxes and file dialogs are used.
    explicit TMainForm(const QString& startDir, std::unique_ptr<WindowDialogs> dialogs = nullptr,
                       QWidget* parent = nullptr);
    ~TMainForm() override;

    // ---- Panels; each control is reached through the panel that owns it ----
    ProblemPanel* PanelProblem = nullptr;
    MethodPanel* PanelMethods = nullptr;
    AccuracyPanel* GboxMinAccuracy = nullptr;
    InputFilesPanel* GboxInputFiles = nullptr;
    OutputPane* RichEditOut = nullptr;
    RunButtons* PanelRunButtons = nullptr;
    FigurePanel* PanelContours = nullptr;
    StatusBar* StatusBar1 = nullptr;

    // ---- Controls on the window itself ----
    // The running method's name, where the method panel sits while a run goes.
    QLabel* LabOutComputing = nullptr;
    QCheckBox* ChkBoxStoreConfig = nullptr;
    // The first-start advice about button M.
    QListWidget* InitComments = nullptr;
    // The figure; exists from run preparation until Clear.
    FigureWidget* ImageContours = nullptr;
    // The replay of an ended run, over the bottom of the figure panel.
    ReplayBar* ReplayBar1 = nullptr;
    // "Level lines" / "Convergence" beside the replay bar, and the second view.
    QTabBar* TabViews = nullptr;
    ConvergenceView* ConvergenceView1 = nullptr;
    // J at u* of the run being prepared, for the convergence view.
    void NoteKnownMinimum(std::optional<Real> jStar) { knownMinimum_ = jStar; }

    // ---- Window-level state ----
    QString StartDir;
    QString FigureFontName;
    uint8_t ConfigLoading = 0;

    // What the window's file dialogs remember between uses.
    struct FileDialogState {
        QString Title;
        QString FileName;
        QString InitialDir;
        int FilterIndex = 0;  // 0-based
    };
    FileDialogState OpenDialog1;
    FileDialogState SaveDialog1;
    FileDialogState SaveImageDialog;

    RunState& State() { return state_; }
    RunDriver& Driver() { return driver_; }
    QtHost& Host() { return host_; }
    SoundPlayer& Sounds() { return *sounds_; }
    WindowDialogs& Dialogs() { return *dialogs_; }
    CompareController& Compare() { return *compare_; }

    bool SoundOn() const;
    // Plays a sound of Media when the sound switch is on.
    void PlayIfSoundOn(const QString& fileName);

    // "Window" sizes as the layout rules count them: the outer size with a
    // frame of fixed thickness around the client area.
    static constexpr int kFrameWidth = 8;
    static constexpr int kFrameHeight = 30;
    // The client area the design was laid out in. No narrower window keeps
    // its buttons off the problem's choosers, so it is the window's minimum
    // width; the minimum height is the one the layout gives that width.
    static constexpr int kDesignWidth = 635;
    static constexpr int kDesignHeight = 427;
    int FormWidth() const;
    int FormHeight() const;
    void SetFormWidth(int width);
    void SetFormHeight(int height);
    // The screen area that windows may take (without panels and task bars).
    QRect AvailableArea() const;

    // Status-bar panel 0 and the main window's own hint (the figure's hints).
    void SetStatusText(const QString& text);
    QString StatusText() const;
    // Changes with every text set on the status bar, hints included.
    unsigned long long StatusChanges() const;
    void SetFormHint(const QString& hint);
    QString FormHint() const { return formHint_; }
    // Shows in panel 0 the long hint that belongs to widget (or its nearest
    // parent with a hint), as moving the mouse onto it does.
    void ShowHintFor(QWidget* widget);

    // ---- Start-up ----
    // The configuration step of start-up; without data.ini this is a first
    // start.
    void ReadConfiguration();
    // The window's choices as data.ini keeps them, and putting them back.
    Configuration CurrentConfiguration() const;
    void ApplyConfiguration(const Configuration& c);
    QString ConfigurationFile() const;

    // ---- Handlers ----
    void BtnStartClick();
    void BtnStopClick();
    // One iteration; from the set-up state the run is prepared first.
    void BtnStepClick();
    void BtnClearClick();
    void BtnSaveASClick();
    void SaveResultsAs();
    void BtnCompareClick();
    void BtnExportTraceClick();
    // Save as after a comparison: the table as CSV, or the pane as text.
    void SaveComparisonAs();
    void ExitApplication();
    void MethodGroupClicked(int group);
    void CmbMethodsAuthorChange();
    void BitBtnMetClick();
    void BitBtnFunClick();
    void SoundSwitchClicked(bool turnOn);
    void LinkClicked(const QString& address);
    // F1: the README's section on the window, in the desktop's viewer.
    void OpenHelp();
    void ImageJMouseMove();
    void ImageContoursMouseMove(int x, int y);
    void ImageContoursDblClick();
    // The figure's menu at image pixel (x, y): "Start from here (u1; u2)"
    // when no run goes on, and "Save the figure...".
    void ImageContoursContextMenu(int x, int y, const QPoint& globalPos);
    // The figure's export as "Animated GIF": the descent from the run's rows.
    void SaveAnimation(const std::string& path);
    // Ends what the window shows of a run (as Clear does) but keeps its level
    // lines, marks u° at (u1, u2) of the point p and chooses it in the
    // starting-point list.
    void StartFromFigurePoint(int x, int y);
    // The replay bar of the run (or comparison) that has just ended; a
    // position of it shows the path up to there and that row's values.
    void ShowReplayBar();
    void HideReplayBar();
    void ReplayMoved(int position);
    void ViewTabChanged(int tab);
    void SavePlotClicked();
    // The level lines kept in the set-up state go when the problem changes.
    void DropFigurePreview();

    // Function selection, dimension and starting point.
    void DimensionChanged();
    void FunctionChanged();
    // Names the collinear method's recommended values near saddle points.
    void AdviseCollinearParameters();
    void FunctionsAllChanged();
    void StartPointClicked();
    void StartPointChanged();
    // The function of the visible function list.
    FunctionId Function() const;
    // The method of the visible method list (the last visible one wins).
    MethodId Method() const;
    QComboBox* MethodList(int group) const;
    QToolButton* GroupButton(int group) const;

    // The quadratic-from-files panel.
    void ChooseFileA();
    void ChooseFileB();
    void ChooseFileUStar();
    void ChooseU0File();
    void PanelOkClicked();
    void PanelCloseClicked();
    void UStarFromFileClicked();
    void UStarZeroClicked();
    void UStarUnknownClicked();
    void UStarUnknownLeft();
    // Opens the panel, whose OK reads and checks the files; while
    // ConfigLoading the files are read at once.
    void LoadQuadraticFromFiles();

    // What the panels hold now; every reader of the controls' choices
    // takes them from here.
    PanelChoices Choices() const;
    // Copies the window's choices into the run state before a fresh run.
    void CopyChoicesToState();

    // ---- Layouts of the run states (called through QtHost) ----
    void EnterRunningLayout();
    void ShowMethodCaption(const QString& methodName);
    void EnterEndedLayout();
    void EnterSetupLayout();
    // A run taken step by step waits for Step, Start or Stop.
    void EnterSteppingLayout();
    bool Stepping() const { return stepping_; }
    void CreateFigure();
    void DestroyFigure();
    void HideAboutLabels();

    // Runs a handler body; an exception that escapes goes to the run's
    // exception handling, never to Qt.
    void Guarded(const std::function<void()>& body);
    void ApplicationEvents1Exception(std::exception_ptr error);
    // ExportType follows the filter that the figure's save dialog shows.
    void SaveImageDialogTypeChange();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    // The window has become active.
    void FormActivate();
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void SetFocusOrder();
    void CreateProblemControls();
    void CreateMethodControls();
    void CreateAccuracyControls();
    void CreateOutputControls();
    void CreateContourPanel();
    void CreateStatusBar();
    void ConnectHandlers();
    void FillLists();
    void StartupLayout();
    void ApplyResize();
    // The tallest "window" height that fits the available area.
    int MaxFormHeight() const;
    // The design width as the layout counts it.
    int MinFormWidth() const;
    // Stored window position and width brought inside the screen.
    void RestoreGeometry(int64_t left, int64_t top, int64_t width);
    void SetOutputPaneSetupGeometry();
    void LoadFunctionPicture(const QString& fileName);
    // The typed formula as the function's picture and name.
    void ShowTypedFunction();
    void ScheduleResume();
    void UpdateLabel10();
    void ClosePanel();
    void ArmRunButton();
    void ReadQuadraticFiles();
    // The shared open dialog keeps its last title and file name.
    QString ExecuteOpenDialog();

    QtHost host_;
    RunState state_;
    // Set while the handlers of a function picked in a list run: only then
    // does the typed function open its editor (not when n changes, nor at start).
    bool functionPicked_ = false;
    RunDriver driver_;
    SoundPlayer* sounds_ = nullptr;
    std::unique_ptr<WindowDialogs> dialogs_;
    std::unique_ptr<CompareController> compare_;

    QString formHint_;
    QString appHint_;
    QSize lastClientSize_;
    int resizeDepth_ = 0;
    bool closingConfirmed_ = false;
    bool windowClosed_ = false;
    // False while the newly shown one of Start, Stop and Clear ignores input.
    bool runButtonArmed_ = true;
    QTimer runButtonGuard_;
    char exportType_ = 'g';
    // The figure shows kept level lines in the set-up state, no run.
    bool figurePreview_ = false;
    // A run taken step by step is under way, between its steps or in one.
    bool stepping_ = false;
    bool inStep_ = false;
    // What the replay shows: the run's rows (none for a comparison, whose
    // paths have no values of their own here) and the paths in pixels.
    std::vector<ReplayPoint> replayTrack_;
    std::vector<std::vector<QPoint>> replayPixels_;
    std::vector<QColor> replayColours_;
    std::optional<Real> knownMinimum_;
};

} // namespace tarvik::ui
