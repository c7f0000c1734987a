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
#include <algorithm>
#include <cmath>

#include "figure/compare_overlay.h"
#include "figure/figure_geometry.h"
#include "ui/compare_controller.h"
#include "ui/replay_bar.h"
#include "ui/convergence_view.h"
#include "chart/convergence_chart.h"
#include <QTabBar>
#include <stdexcept>
#include <QToolButton>

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

void TMainForm::ShowReplayBar() {
    // Only an ended run that is still shown has a replay.
    if (ImageContours == nullptr || state_.Running || stepping_ || PanelRunButtons->BtnClear->isHidden()) return;
    replayTrack_.clear();
    replayPixels_.clear();
    replayColours_.clear();
    const PlaneFrame f = ImageContours->Figure().Frame();
    const auto pixel = [&f](Real u1, Real u2) {
        const PixelPos p = PointFormPixelClamped(u1, u2, f.scale, f.centreX, f.centreY);
        return QPoint(p.x, p.y);
    };
    int count = 0;
    if (compare_->HasTable()) {
        for (std::size_t i = 0; i < compare_->Rows().size(); ++i) {
            std::vector<QPoint> pixels;
            for (const auto& [u1, u2] : compare_->Rows()[i].path) pixels.push_back(pixel(u1, u2));
            count = std::max(count, static_cast<int>(pixels.size()));
            replayPixels_.push_back(std::move(pixels));
            replayColours_.push_back(QColor::fromRgb(ComparePathColour(static_cast<int>(i))));
        }
    } else {
        replayTrack_ = ReplayTrack(driver_.Trace());
        std::vector<QPoint> pixels;
        for (const ReplayPoint& r : replayTrack_) pixels.push_back(pixel(r.u1, r.u2));
        count = static_cast<int>(pixels.size());
        replayPixels_.push_back(std::move(pixels));
        replayColours_.push_back(QColor::fromRgb(static_cast<QRgb>(clTrajectory)));
    }
    if (count < 2) return;
    ReplayBar1->Reset(count);
    ReplayBar1->SetPositionText(QString());
    const int height = std::max(ReplayBar1->sizeHint().height(), TabViews->sizeHint().height());
    const int tabsWidth = TabViews->sizeHint().width();
    const int top = PanelContours->height() - height - 2;
    ReplayBar1->setGeometry(2, top, PanelContours->width() - 4 - tabsWidth, height);
    TabViews->setGeometry(PanelContours->width() - 2 - tabsWidth, top, tabsWidth, height);
    ConvergenceView1->setGeometry(2, 2, PanelContours->width() - 4, top - 4);
    ReplayBar1->show();
    ReplayBar1->raise();

    std::vector<ConvergenceView::Run> runs;
    std::optional<Real> jStar = knownMinimum_;
    if (compare_->HasTable()) {
        runs = compare_->ConvergenceRuns();
        jStar = compare_->KnownMinimum();
    } else {
        runs.push_back({state_.MethodName, -1, ThinnedRows(driver_.Trace(), ConvergencePlotBuilder::MaxPoints)});
    }
    const std::string title = state_.FunctionName.find("n=") != std::string::npos
                                  ? state_.FunctionName
                                  : state_.FunctionName + ", n = " + std::to_string(state_.N);
    ConvergenceView1->SetRuns(std::move(runs), jStar, state_.Choices.ByChangeOfJ ? 2 : 1, title);
    TabViews->setCurrentIndex(0);
    TabViews->show();
    TabViews->raise();
}

void TMainForm::ViewTabChanged(int tab) {
    const bool chart = tab == 1;
    if (ImageContours != nullptr) ImageContours->setVisible(!chart);
    ReplayBar1->setVisible(!chart && TabViews->isVisible());
    ConvergenceView1->setVisible(chart);
    if (chart) ConvergenceView1->raise();
}

void TMainForm::SavePlotClicked() {
    static const QStringList filters{QStringLiteral("PNG image (*.png)"), QStringLiteral("SVG image (*.svg)")};
    static const QStringList suffixes{QStringLiteral("png"), QStringLiteral("svg")};
    int filter = 0;
    const QString path = dialogs_->SaveFile(this, QStringLiteral("Save the plot"), StartDir,
                                            QStringLiteral("convergence.png"), filters, filter, suffixes);
    if (path.isEmpty()) return;
    try {
        SaveConvergencePlot(ConvergenceView1->Plot(), path.toStdString(),
                            path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive) ? 's' : 'p');
    } catch (const std::exception& e) {
        host_.ShowError(e.what());
    }
}

void TMainForm::HideReplayBar() {
    if (ReplayBar1 == nullptr) return;
    ReplayBar1->Reset(0);
    ReplayBar1->hide();
    TabViews->hide();
    TabViews->setCurrentIndex(0);
    ConvergenceView1->hide();
    ConvergenceView1->SetRuns({}, std::nullopt, 1, std::string());
    if (ImageContours != nullptr) ImageContours->EndReplay();
}

void TMainForm::ReplayMoved(int position) {
    if (ImageContours == nullptr) return;
    std::vector<FigureWidget::ReplayPath> paths;
    for (std::size_t i = 0; i < replayPixels_.size(); ++i) paths.push_back({replayPixels_[i], replayColours_[i]});
    ImageContours->ShowReplay(paths, position);
    const auto number = [](Real v) { return std::isnan(v) ? QStringLiteral("-") : QString::number(static_cast<double>(v), 'g', 4); };
    QString text;
    if (replayTrack_.empty()) {
        // Compared runs move together by iteration; one that has ended stays at its end.
        text = QStringLiteral(" Iteration %1").arg(position);
    } else {
        const ReplayPoint& r = replayTrack_[static_cast<std::size_t>(position)];
        text = QStringLiteral(" k=%1  J=%2  ||gradJ||=%3  step=%4  accuracy=%5")
                   .arg(r.iteration)
                   .arg(number(r.j), number(r.gradNorm), number(r.stepLength), number(r.accuracy));
    }
    SetStatusText(text);
    ReplayBar1->SetPositionText(QStringLiteral("k=%1").arg(replayTrack_.empty() ? position : replayTrack_[static_cast<std::size_t>(position)].iteration));
}

} // namespace tarvik::ui
