// Geometry of the main window: the start-up layout, the resize rules and
// the layouts of the run states (set-up, running, ended).
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

#include "ui/figure_widget.h"
#include "ui/main_window.h"
#include "ui/status_bar.h"

namespace tarvik::ui {

namespace {

constexpr int kStatusBarHeight = 22;

void MoveLeft(QWidget* w, int left) { w->move(left, w->y()); }
void SetWidth(QWidget* w, int width) { w->resize(std::max(0, width), w->height()); }
void SetHeight(QWidget* w, int height) { w->resize(w->width(), std::max(0, height)); }

} // namespace

int TMainForm::FormWidth() const { return width() + kFrameWidth; }
int TMainForm::FormHeight() const { return height() + kFrameHeight; }

void TMainForm::SetFormWidth(int formWidth) {
    const int client = std::max(1, formWidth - kFrameWidth);
    if (client == width()) return;
    resize(client, height());
    // A hidden window gets its resize event only when it is shown; the
    // layout must follow at once all the same.
    if (!isVisible()) ApplyResize();
}

QRect TMainForm::AvailableArea() const {
    const QScreen* at = screen();
    if (at == nullptr) at = QGuiApplication::primaryScreen();
    // Without any screen (a test without a display) nothing bounds the window.
    return at != nullptr ? at->availableGeometry() : QRect(0, 0, QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

int TMainForm::MaxFormHeight() const {
    // The window manager's real frame once there is one, the layout's
    // nominal frame before.
    const int realFrame = frameGeometry().height() - height();
    const int frame = isVisible() && realFrame > 0 ? realFrame : kFrameHeight;
    return AvailableArea().height() - frame + kFrameHeight;
}

int TMainForm::MinFormWidth() const { return kDesignWidth + kFrameWidth; }

void TMainForm::SetFormHeight(int formHeight) {
    const int client = std::max(1, formHeight - kFrameHeight);
    if (client == height()) return;
    resize(width(), client);
    if (!isVisible()) ApplyResize();
}

void TMainForm::StartupLayout() {
    const int e = 2 * RichEditOut->x();
    // The figure panel is a square filling the right side.
    const int panelWidth = FormWidth() - PanelContours->x() - e - 10;
    PanelContours->resize(panelWidth, panelWidth);
    SetFormHeight(PanelContours->y() + PanelContours->height() + kStatusBarHeight + 30);
    StatusBar1->setGeometry(0, height() - kStatusBarHeight, width(), kStatusBarHeight);

    // Status bar: panel 0 reaches to the figure panel, four square panels
    // carry the small buttons, the progress bar follows them.
    StatusBar1->ArrangeTools(PanelContours->x() + 1, FormWidth() - 23);

    SetOutputPaneSetupGeometry();

    PanelContours->StackCreditsAtBottom();
}

void TMainForm::SetOutputPaneSetupGeometry() {
    RichEditOut->Span(ChkBoxStoreConfig->y() + ChkBoxStoreConfig->height() + 3, StatusBar1->y());
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ApplyResize();
}

void TMainForm::ApplyResize() {
    // Sizes the window system refuses re-enter through resizeEvent: a few
    // levels settle the layout, more would loop. Each window counts its own.
    if (resizeDepth_ > 4) return;
    ++resizeDepth_;

    // What the anchors of the design do: the figure panel, the function
    // picture, the output pane and the progress bar stretch; the status bar
    // and what sits on it stay at the bottom.
    const QSize now = size();
    const int dx = now.width() - lastClientSize_.width();
    const int dy = now.height() - lastClientSize_.height();
    lastClientSize_ = now;
    const QSize panelBefore = PanelContours->size();
    PanelContours->resize(PanelContours->width() + dx, PanelContours->height() + dy);
    SetWidth(PanelProblem->ImageJ, PanelProblem->ImageJ->width() + dx);
    SetHeight(RichEditOut, RichEditOut->height() + dy);
    StatusBar1->setGeometry(0, height() - kStatusBarHeight, width(), kStatusBarHeight);
    // The bar's tools ride on it.
    StatusBar1->WidenProgress(dx);
    PanelContours->MoveSecondLink(PanelContours->height() - panelBefore.height());

    // The window's own rules.
    const int e = 2 * RichEditOut->x();
    PanelRunButtons->Arrange(FormWidth() - PanelRunButtons->BtnExit->width() - e - 12, e);
    SetHeight(PanelContours, PanelContours->width() - 7);
    // A maximised or full-screen window has the size the window system gives
    // it: asking for another would end the maximised state. Otherwise the
    // height follows the square panel as far as the screen allows.
    const bool sizeGiven = isMaximized() || isFullScreen();
    if (!sizeGiven && PanelContours->x() > PanelRunButtons->SaveAsLeft()) SetFormWidth(MinFormWidth());
    if (!sizeGiven)
        SetFormHeight(std::min(PanelContours->y() + PanelContours->height() + StatusBar1->height() + 30,
                               MaxFormHeight()));
    // The panel ends where the status bar begins.
    SetHeight(PanelContours,
              std::min(PanelContours->height(), height() - kStatusBarHeight - PanelContours->y()));

    const int panelWidth = PanelContours->width();
    // The problem panel starts at the window's corner: its coordinates are
    // the window's.
    SetWidth(PanelProblem, width());
    SetWidth(PanelProblem->BvlObjectFun, panelWidth);
    MoveLeft(PanelProblem->ImageJ, (panelWidth - PanelProblem->ImageJ->width()) / 2 + PanelContours->x());
    SetWidth(PanelProblem->ImageJ, PanelProblem->BvlObjectFun->width() - 5);
    PanelContours->PlaceLabels(StatusBar1->y() - PanelContours->y());

    // The figure is anchored to all four sides of its panel.
    if (ImageContours != nullptr) {
        const QSize change = PanelContours->size() - panelBefore;
        ImageContours->resize(ImageContours->size() + change);
    }
    --resizeDepth_;
}

// ------------------------------------------------------ Run-state layouts

void TMainForm::ArmRunButton() {
    // Start, Stop and Clear take turns at one place, and the window is busy
    // while a run goes on: a second click on Stop (or a double click) waits
    // in the queue while Stop swaps itself for Clear, and would land on
    // Clear and wipe the run. The button that appears takes no click until
    // the input queued before it appeared has been delivered (the zero
    // timer runs once the window is back in its event loop) and a
    // double-click interval has passed.
    runButtonArmed_ = false;
    QTimer::singleShot(0, this, [this] { runButtonGuard_.start(QApplication::doubleClickInterval()); });
}


void TMainForm::EnterRunningLayout() {
    HideReplayBar();
    InitComments->hide();
    PanelContours->ShowTitles(false);
    PanelProblem->SetChoosersEnabled(false);
    PanelMethods->hide();
    GboxMinAccuracy->hide();
    ChkBoxStoreConfig->hide();
    RichEditOut->Span(PanelContours->y(), StatusBar1->y());
    PanelRunButtons->BtnStart->hide();
    PanelRunButtons->PlaceStartForSteps(false);
    PanelRunButtons->BtnCompare->hide();
    PanelRunButtons->BtnExportTrace->hide();
    PanelRunButtons->BtnStep->hide();
    PanelRunButtons->BtnStop->show();
    PanelRunButtons->BtnStop->setFocus();
    ArmRunButton();
}

void TMainForm::ShowMethodCaption(const QString& methodName) {
    LabOutComputing->setText(methodName);
    LabOutComputing->adjustSize();
    const int paneWidth = RichEditOut->width();
    const int labelWidth = LabOutComputing->width();
    const int left = paneWidth > labelWidth ? paneWidth / 2 - labelWidth / 2 + RichEditOut->x() : RichEditOut->x();
    MoveLeft(LabOutComputing, left);
}

void TMainForm::EnterSteppingLayout() {
    PanelRunButtons->PlaceStartForSteps(true);
    PanelRunButtons->BtnStart->show();
    PanelRunButtons->BtnStep->show();
    PanelRunButtons->BtnStop->show();
    PanelRunButtons->BtnStep->setFocus();
}

void TMainForm::EnterEndedLayout() {
    stepping_ = false;
    PanelRunButtons->PlaceStartForSteps(false);
    PanelRunButtons->BtnStep->hide();
    ArmRunButton();
    PanelRunButtons->BtnClear->show();
    PanelRunButtons->BtnClear->setFocus();
    PanelRunButtons->BtnSaveAS->show();
    PanelRunButtons->BtnStop->hide();
    PanelRunButtons->BtnStart->hide();
    PanelRunButtons->BtnExportTrace->setVisible(!Driver().Trace().Empty());
    // The run's bookkeeping ends after the layout: the replay reads its rows then.
    QTimer::singleShot(0, this, [this] { ShowReplayBar(); });
}

void TMainForm::EnterSetupLayout() {
    stepping_ = false;
    SetOutputPaneSetupGeometry();
    PanelRunButtons->PlaceStartForSteps(false);
    PanelRunButtons->BtnStep->show();
    PanelRunButtons->BtnClear->hide();
    // An input error found in the first iteration comes here with Stop
    // still shown; only one of Start, Stop and Clear may be visible.
    PanelRunButtons->BtnStop->hide();
    PanelRunButtons->BtnStart->show();
    PanelRunButtons->BtnSaveAS->hide();
    PanelRunButtons->BtnExportTrace->hide();
    PanelRunButtons->BtnCompare->show();
    LabOutComputing->clear();
    ArmRunButton();
    PanelProblem->SetChoosersEnabled(true);
    PanelContours->ShowTitles(true);
    PanelContours->ShowAbout(true);
    PanelMethods->show();
    GboxMinAccuracy->show();
    ChkBoxStoreConfig->show();
    PanelRunButtons->BtnStart->setFocus();
}

void TMainForm::HideAboutLabels() { PanelContours->ShowAbout(false); }

void TMainForm::CreateFigure() {
    DestroyFigure();
    ImageContours = PanelContours->NewFigure(AvailableArea(), FigureFontName);
    connect(ImageContours, &FigureWidget::MouseMovedOnImage, this, [this](int x, int y) { ImageContoursMouseMove(x, y); });
    connect(ImageContours, &FigureWidget::DoubleClicked, this, [this] { ImageContoursDblClick(); });
    connect(ImageContours, &FigureWidget::ContextMenuAt, this,
            [this](int x, int y, const QPoint& at) { ImageContoursContextMenu(x, y, at); });
    ImageContours->show();
    SetStatusText(QStringLiteral(" Please wait...   "));
}

void TMainForm::DestroyFigure() {
    figurePreview_ = false;
    HideReplayBar();
    if (ImageContours == nullptr) return;
    // Clear may run from inside one of the figure's own signals (an error
    // while exporting it), so the widget goes once that signal has returned.
    ImageContours->hide();
    ImageContours->disconnect(this);
    ImageContours->deleteLater();
    ImageContours = nullptr;
}

} // namespace tarvik::ui
