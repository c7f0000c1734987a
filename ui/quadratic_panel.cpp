// The panel "Quadratic function from files": choosing the files, its OK and
// Close buttons, the u* options, and reading the files once OK is pressed.
#include <QComboBox>
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
    GboxMinAccuracy->AllowKnownMinimum(true);
}

void TMainForm::UStarZeroClicked() {
    GboxInputFiles->BitBtnInputFileUe->setEnabled(false);
    GboxMinAccuracy->AllowKnownMinimum(true);
}

void TMainForm::UStarUnknownClicked() {
    GboxInputFiles->BitBtnInputFileUe->setEnabled(false);
    GboxMinAccuracy->RequireChangeOfJ();
}

void TMainForm::UStarUnknownLeft() { GboxMinAccuracy->AllowKnownMinimum(false); }

void TMainForm::PanelOkClicked() {
    // Files that are missing keep the panel open (the error is shown).
    const QuadraticFilesChoice files = Choices().files;
    CheckPanelFiles(files.pathA, files.pathB, files.pathUStar, files.uStarFromFile);
    ClosePanel();
    ReadQuadraticFiles();
}

void TMainForm::PanelCloseClicked() {
    ClosePanel();
    PanelProblem->CmbFunctionsAll->setCurrentIndex(0);
    PanelProblem->CmbFunctionsNmore2->setCurrentIndex(0);
    GboxMinAccuracy->AllowKnownMinimum(true);
    FunctionChanged();
}

void TMainForm::ClosePanel() {
    GboxInputFiles->hide();
    PanelRunButtons->BtnStart->setEnabled(true);
    PanelRunButtons->BtnCompare->setEnabled(true);
    PanelRunButtons->BtnExit->setEnabled(true);
}

void TMainForm::LoadQuadraticFromFiles() {
    if (ConfigLoading) {
        // Start-up restores the files from data.ini and reads them at once.
        ReadQuadraticFiles();
        return;
    }
    // The panel is not modal and nothing waits for it: the window goes on
    // working until OK reads the files or Close takes another function. A
    // change of n or of the function while it is open leaves it open; OK
    // then reads the files for the n chosen by then.
    if (!GboxInputFiles->isHidden()) return;
    GboxInputFiles->show();
    GboxInputFiles->raise();
    // A comparison, as a run, needs the files read.
    PanelRunButtons->BtnStart->setEnabled(false);
    PanelRunButtons->BtnCompare->setEnabled(false);
    PanelRunButtons->BtnExit->setEnabled(false);
    if (Choices().files.uStarUnknown) UStarUnknownClicked();
}

void TMainForm::ReadQuadraticFiles() {
    const QuadraticFilesChoice files = Choices().files;
    if (files.uStarUnknown) GboxMinAccuracy->RequireChangeOfJ();
    QuadraticFileChoice choice;
    choice.pathA = files.pathA;
    choice.pathB = files.pathB;
    choice.pathUStar = files.pathUStar;
    choice.cText = files.c;
    choice.option = files.Option();
    choice.n = state_.N;
    LoadQuadraticData(state_, choice);
}

} // namespace tarvik::ui
