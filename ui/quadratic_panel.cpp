// The panel "Quadratic function from files": choosing the files, its OK and
// Close buttons, the u* options, and the wait for the user's decision.
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/quadratic_files.h"
#include "ui/input_files_panel.h"
#include "ui/main_window.h"

namespace tarvik::ui {

void TMainForm::ChooseFileA() {
    PlayIfSoundOn(QStringLiteral("Done.wav"));
    OpenDialog1.Title = QStringLiteral("Open file for matrix A");
    const QString hint = GboxInputFiles->FileA();
    OpenDialog1.FileName = hint.startsWith(QLatin1Char('S')) ? QString() : hint;
    const QString path = ExecuteOpenDialog();
    if (!path.isEmpty()) GboxInputFiles->SetFileA(path);
}

void TMainForm::ChooseFileB() {
    PlayIfSoundOn(QStringLiteral("Done.wav"));
    OpenDialog1.Title = QStringLiteral("Open file for vector b");
    const QString hint = GboxInputFiles->FileB();
    OpenDialog1.FileName = hint.startsWith(QLatin1Char('S')) ? QString() : hint;
    const QString path = ExecuteOpenDialog();
    if (!path.isEmpty()) GboxInputFiles->SetFileB(path);
}

void TMainForm::ChooseFileUStar() {
    PlayIfSoundOn(QStringLiteral("Done.wav"));
    // The u* dialog keeps the title and file name of the dialog's last use.
    GboxInputFiles->SetFileUStar(kDefaultHintUe);
    const QString path = ExecuteOpenDialog();
    if (!path.isEmpty()) GboxInputFiles->SetFileUStar(path);
}

void TMainForm::UStarFromFileClicked() {
    GboxInputFiles->BitBtnInputFileUe->setEnabled(true);
    RbtnPrec1->setEnabled(true);
    RbtnPrec1->setChecked(true);
}

void TMainForm::UStarZeroClicked() {
    GboxInputFiles->BitBtnInputFileUe->setEnabled(false);
    RbtnPrec1->setEnabled(true);
    RbtnPrec1->setChecked(true);
}

void TMainForm::UStarUnknownClicked() {
    GboxInputFiles->BitBtnInputFileUe->setEnabled(false);
    RbtnPrec1->setEnabled(false);
    RbtnPrec2->setEnabled(true);
    RbtnPrec2->setChecked(true);
}

void TMainForm::UStarUnknownLeft() { RbtnPrec1->setEnabled(true); }

void TMainForm::PanelOkClicked() {
    CheckPanelFiles(GboxInputFiles->FileA().toStdString(), GboxInputFiles->FileB().toStdString(),
                    GboxInputFiles->FileUStar().toStdString(), GboxInputFiles->RBtnUeFile->isChecked());
    PanelOk = 1;
}

void TMainForm::PanelCloseClicked() { PanelClosed = 1; }

void TMainForm::LoadQuadraticFromFiles() {
    if (!ConfigLoading) {
        GboxInputFiles->show();
        GboxInputFiles->raise();
        BtnStart->setEnabled(false);
        BtnExit->setEnabled(false);
        if (GboxInputFiles->RBtnUeUnknown->isChecked()) UStarUnknownClicked();

        // The panel is not modal: the window goes on working until the user
        // answers with OK or Close. A window closed meanwhile counts as Close.
        while (!PanelOk && !PanelClosed) {
            if (windowClosed_) {
                PanelClosed = 1;
                break;
            }
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }

        if (PanelOk) {
            PanelOk = 0;
            GboxInputFiles->hide();
            BtnStart->setEnabled(true);
            BtnExit->setEnabled(true);
        } else {
            PanelClosed = 0;
            CmbFunctionsAll->setCurrentIndex(0);
            CmbFunctionsNmore2->setCurrentIndex(0);
            RbtnPrec1->setChecked(true);
            GboxInputFiles->hide();
            BtnStart->setEnabled(true);
            BtnExit->setEnabled(true);
            FunctionChanged();
            return;
        }
    }

    if (GboxInputFiles->RBtnUeUnknown->isChecked()) {
        RbtnPrec1->setEnabled(false);
        RbtnPrec2->setEnabled(true);
        RbtnPrec2->setChecked(true);
    }
    QuadraticFileChoice choice;
    choice.pathA = GboxInputFiles->FileA().toStdString();
    choice.pathB = GboxInputFiles->FileB().toStdString();
    choice.pathUStar = GboxInputFiles->FileUStar().toStdString();
    choice.cText = GboxInputFiles->EditC->text().toStdString();
    choice.option = GboxInputFiles->RBtnUeFile->isChecked()      ? UStarSource::FromFile
                    : GboxInputFiles->RBtnUeUnknown->isChecked() ? UStarSource::Unknown
                                                                 : UStarSource::Zero;
    choice.n = state_.N;
    LoadQuadraticData(state_, choice);
}

} // namespace tarvik::ui
