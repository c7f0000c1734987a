// The buttons of the window: Start, Stop, Clear, Save as, Exit and the
// close question, the method tools, the links and the figure's mouse.
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <stdexcept>

#include "app/configuration.h"
#include "app/figure_point.h"
#include "app/method_selection.h"
#include "core/number_format.h"
#include "app/recommended_parameters.h"
#include "app/report_file.h"
#include "app/text_input.h"
#include "core/function_catalogue.h"
#include "core/parameters.h"
#include "figure/descent_frames.h"
#include "figure/image_export.h"
#include "ui/compare_controller.h"
#include "ui/figure_widget.h"
#include "ui/input_files_panel.h"
#include "ui/main_window.h"
#include "ui/media_files.h"
#include "ui/tuning_dialog.h"
#include "ui/window_dialogs.h"

namespace tarvik::ui {

namespace {
const QString kDone = QStringLiteral("Done.wav");
}

// ------------------------------------------------------------ The run

PanelChoices TMainForm::Choices() const {
    return ChoicesFromPanels(*PanelProblem, *PanelMethods, *GboxMinAccuracy, *GboxInputFiles);
}

void TMainForm::CopyChoicesToState() {
    const PanelChoices chosen = Choices();
    CopyToRun(chosen, state_);
    int32_t typed = 0;
    // A dimension that is not an integer falls back to the first item; the
    // run keeps the dimension it had.
    if (!TryParseInt32(chosen.problem.dimension, typed)) PanelProblem->CmbN->setCurrentIndex(0);
}

void TMainForm::BtnStartClick() {
    if (inStep_) return;
    Guarded([this] {
        // A run taken step by step runs on with the choices it started with.
        if (stepping_) {
            stepping_ = false;
            EnterRunningLayout();
        } else {
            CopyChoicesToState();
        }
        driver_.Start();
    });
    ScheduleResume();
}

void TMainForm::BtnStepClick() {
    // The step lets the window process its events: a second click waits
    // for the next step.
    if (inStep_) return;
    inStep_ = true;
    Guarded([this] {
        if (!stepping_) CopyChoicesToState();
        stepping_ = true;
        const bool waiting = driver_.Step() != RunDriver::StepOutcome::Ended;
        stepping_ = waiting;
        if (waiting) {
            // The title names the iterations done, as the run's loop does before each one.
            host_.SetTitle(std::to_string(state_.IterCount));
            EnterSteppingLayout();
        }
    });
    inStep_ = false;
}

void TMainForm::BtnStopClick() {
    if (compare_->Active()) {
        compare_->Stop();
        return;
    }
    Guarded([this] { driver_.Stop(); });
}

void TMainForm::BtnClearClick() {
    compare_->Forget();
    Guarded([this] { driver_.Clear(); });
}

void TMainForm::BtnCompareClick() {
    Guarded([this] { compare_->CompareClicked(); });
}

void TMainForm::BtnSaveASClick() {
    Guarded([this] { SaveResultsAs(); });
}

void TMainForm::SaveResultsAs() {
    if (compare_->HasTable()) {
        SaveComparisonAs();
        return;
    }
    SaveDialog1.Title = QStringLiteral("Save as...");
    SaveDialog1.FileName = QStringLiteral("out1.txt");
    SaveDialog1.InitialDir = StartDir;
    PlayIfSoundOn(kDone);
    int noFilter = 0;
    const QString path =
        dialogs_->SaveFile(this, SaveDialog1.Title, SaveDialog1.InitialDir, SaveDialog1.FileName, {}, noFilter);
    PlayIfSoundOn(kDone);
    if (path.isEmpty()) return;
    WriteReportFile(path.toStdString(), RichEditOut->Lines());
    // The same results are saved once.
    PanelRunButtons->BtnSaveAS->hide();
}

// ------------------------------------------------------- Leaving

void TMainForm::ExitApplication() {
    PlayIfSoundOn(kDone);
    if (state_.Running) {
        PlayIfSoundOn(QStringLiteral("Ding.wav"));
        if (!dialogs_->ConfirmYes(this, QStringLiteral("Tarvik is working. Would you want to cancel it without saving?")))
            return;
        state_.StopRequested = 1;
    } else if (ChkBoxStoreConfig->isChecked()) {
        // The older file stays whole when this one cannot be written; the
        // user is told why, and the program still ends.
        if (auto error = StoreConfiguration(ConfigurationFile().toStdString(), CurrentConfiguration()))
            host_.ShowError(*error);
    } else {
        DeleteConfiguration(ConfigurationFile().toStdString());
    }
    closingConfirmed_ = true;
    close();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (!closingConfirmed_ && state_.Running) {
        PlayIfSoundOn(QStringLiteral("Ding.wav"));
        if (!dialogs_->ConfirmYes(this, QStringLiteral("Tarvik is working. Would you want to cancel it without saving?"))) {
            event->ignore();
            return;
        }
        // The run loop notices the request at its next pass and returns;
        // nothing is saved.
        state_.StopRequested = 1;
        closingConfirmed_ = true;
    }
    windowClosed_ = true;
    event->accept();
}

void TMainForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void TMainForm::FormActivate() { ApplyRecommendedParameters(state_.Params, state_.FunctionCode); }

// ------------------------------------------------------- Method tools

void TMainForm::CmbMethodsAuthorChange() {
    state_.Choices.MethodPosition = ListPosition(Method());
    MethodSelect(state_, state_.N);
    if (isVisible()) AdviseCollinearParameters();
}

void TMainForm::BitBtnMetClick() {
    if (state_.Running) return;
    PlayIfSoundOn(kDone);
    state_.Choices.MethodPosition = ListPosition(Method());
    MethodSelect(state_, 0);
    FreeRunArrays(state_);
    TSecondForm form(state_, [this](std::exception_ptr error) { ApplicationEvents1Exception(error); },
                     [this] { PanelRunButtons->BtnStart->setFocus(); }, this);
    form.FillForMethod();
    form.exec();
}

void TMainForm::BitBtnFunClick() {
    if (state_.Running) return;
    PlayIfSoundOn(kDone);
    TSecondForm form(state_, [this](std::exception_ptr error) { ApplicationEvents1Exception(error); },
                     [this] { PanelRunButtons->BtnStart->setFocus(); }, this);
    if (form.FillForFunction())
        form.exec();
    else
        host_.ShowInfo("There are not tunable parameters for this function.");
    PlayIfSoundOn(kDone);
}

// ------------------------------------------------------- Links

void TMainForm::LinkClicked(const QString& address) {
    PlayIfSoundOn(kDone);
    dialogs_->OpenUrl(QUrl(address));
}

void TMainForm::OpenHelp() {
    const QString readme = HelpPath();
    if (readme.isEmpty()) {
        host_.ShowError("The help, README.md, is neither beside the program nor in share/doc/tarvik.");
        return;
    }
    QUrl url = QUrl::fromLocalFile(readme);
    url.setFragment(QStringLiteral("using-the-window"));
    dialogs_->OpenUrl(url);
}

// ------------------------------------------------------- The figure

void TMainForm::ImageContoursMouseMove(int x, int y) {
    Guarded([this, x, y] {
        if (ImageContours == nullptr) return;
        formHint_ = QString::fromStdString(ImageContours->Figure().FigureHint(state_, x, y, formHint_.toStdString()));
        ShowHintFor(ImageContours);
    });
}

void TMainForm::SaveImageDialogTypeChange() {
    exportType_ = ExportTypeForFilterIndex(SaveImageDialog.FilterIndex + 1, exportType_);
}

void TMainForm::ImageContoursDblClick() {
    Guarded([this] {
        if (ImageContours == nullptr) return;
        static const QStringList filters{QStringLiteral("GIF image (*.gif)"), QStringLiteral("JPEG image (*.jpeg)"),
                                         QStringLiteral("Bitmap image (*.bmp)"), QStringLiteral("Animated GIF (*.gif)")};
        static const QStringList suffixes{QStringLiteral("gif"), QStringLiteral("jpeg"), QStringLiteral("bmp"),
                                          QStringLiteral("gif")};
        // The animation needs an ended run's rows (or compared paths).
        const bool animated = !state_.Running && !stepping_ && !figurePreview_ &&
                              (compare_->HasTable() || !driver_.Trace().Empty());
        const QStringList offered = animated ? filters : filters.mid(0, 3);
        if (SaveImageDialog.FilterIndex >= offered.size()) SaveImageDialog.FilterIndex = 0;
        // The dialog opens on the type it was last closed with.
        SaveImageDialog.Title = QString::fromLatin1(ExportDialogTitle);
        SaveImageDialog.FileName = QString::fromLatin1(ExportDefaultName);
        SaveImageDialog.InitialDir = StartDir;
        SaveImageDialogTypeChange();
        const QString path = dialogs_->SaveFile(this, SaveImageDialog.Title, SaveImageDialog.InitialDir,
                                                SaveImageDialog.FileName, offered, SaveImageDialog.FilterIndex,
                                                suffixes);
        SaveImageDialogTypeChange();
        if (path.isEmpty()) return;
        if (animated && SaveImageDialog.FilterIndex == 3) {
            SaveAnimation(path.toStdString());
            return;
        }

        // The icon stays in the figure on the screen as well. A compared
        // figure has its legend in that corner, and is exported as drawn.
        QImage& image = ImageContours->Figure().Image();
        if (!compare_->HasTable()) StampIcon(image, windowIcon().pixmap(32, 32).toImage());
        ImageContours->update();
        SaveFigureImage(image, path.toStdString(), exportType_);
    });
}

void TMainForm::SaveAnimation(const std::string& path) {
    if (compare_->HasTable()) {
        compare_->SaveAnimation(path);
        return;
    }
    const ContourFigure& figure = ImageContours->Figure();
    DescentFrames frames =
        DescentFrames::SingleRun(figure.StartLines(), figure.Frame(), TracePoints(driver_.Trace()), true);
    SaveDescentAnimation(frames, path);
}

void TMainForm::ImageContoursContextMenu(int x, int y, const QPoint& globalPos) {
    Guarded([this, x, y, globalPos] {
        if (ImageContours == nullptr) return;
        const ContourFigure& figure = ImageContours->Figure();
        QStringList items;
        // A new starting point needs a plane to read it from and no run under way.
        const bool restart = !state_.Running && !stepping_ && !compare_->Active() && !figure.LevelLines().isNull() &&
                             figure.Image().rect().contains(x, y);
        if (restart) {
            const FigurePoint p = FigurePointAt(figure.Frame(), x, y);
            items << QStringLiteral("Start from here (%1)").arg(QString::fromStdString(FigurePointCaption(p)));
        }
        items << QStringLiteral("Save the figure...");
        const int chosen = dialogs_->PopupMenu(ImageContours, globalPos, items);
        if (chosen < 0) return;
        if (restart && chosen == 0)
            StartFromFigurePoint(x, y);
        else
            ImageContoursDblClick();
    });
}

void TMainForm::StartFromFigurePoint(int x, int y) {
    FigureWidget* kept = ImageContours;
    if (kept == nullptr) return;
    const FigurePoint p = FigurePointAt(kept->Figure().Frame(), x, y);
    if (!figurePreview_) {
        // Clear would take the figure along; it stays, with the run's path gone.
        ImageContours = nullptr;
        compare_->Forget();
        driver_.Clear();
        ImageContours = kept;
        HideAboutLabels();
    }
    figurePreview_ = true;
    kept->Figure().MoveStartMarker(p.u1, p.u2);
    kept->update();
    PanelProblem->ChooseFigurePoint(FigurePointCoordinates(p));
}

void TMainForm::DropFigurePreview() {
    if (figurePreview_) DestroyFigure();
}

} // namespace tarvik::ui
