// The panel "Quadratic function from files" as the window runs it: OK and
// Close, the file dialogs, the u* options and their effect on the
// accuracy criteria, and a run of the quadratic read from files.
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

#include "core/function_catalogue.h"
#include "ui/hint_text.h"
#include "ui/input_files_panel.h"
#include "ui_test_support.h"

namespace tarvik::ui {
namespace {

using tarvik::testing::Pick;
using tarvik::testing::PickFunction;
using tarvik::testing::Type;

struct QuadraticPanelTest : tarvik::testing::WindowTest {
    void SetUp() override {
        WindowTest::SetUp();
        pathA = Write("a.txt", "2 1\n3 4\n");
        // b = 0 puts the minimum at u* = 0, the panel's default.
        pathB = Write("b.txt", "0 0");
    }

    QString Write(const QString& name, const QByteArray& text) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return path;
    }

    // Picks "Quadratic from FILE": the panel opens and the window goes on;
    // `whileOpen` acts like the user (it must end with OK or Close).
    void PickFromFile(const std::function<void()>& whileOpen) {
        PickFunction(problem->CmbFunctionsAll, FunctionId::QuadraticFromFiles);
        EXPECT_FALSE(form->GboxInputFiles->isHidden());
        for (QPushButton* b : {runButtons->BtnStart, runButtons->BtnCompare, runButtons->BtnExit})
            EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
        whileOpen();
    }

    void ChooseAAndB() {
        log.openAnswers = {pathA, pathB};
        form->GboxInputFiles->BitBtnInputFileA->click();
        form->GboxInputFiles->BitBtnInputFileB->click();
    }

    QString pathA, pathB;
};

TEST_F(QuadraticPanelTest, OkReadsTheFilesAndTheNextDialogOffersThem) {
    PickFromFile([this] {
        ChooseAAndB();
        form->GboxInputFiles->EditC->setText("1,5");
        form->GboxInputFiles->BtnPanelOk->click();
    });
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join("\n").toStdString();
    EXPECT_TRUE(form->GboxInputFiles->isHidden());
    for (QPushButton* b : {runButtons->BtnStart, runButtons->BtnCompare, runButtons->BtnExit})
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_EQ(form->State().FunctionCode, FunctionId::QuadraticFromFiles);
    ASSERT_TRUE(form->State().Quad.Loaded());
    EXPECT_EQ(form->State().Quad.QuadA[1][2], 2.0L);  // (1 + 3) / 2
    EXPECT_EQ(form->State().Quad.QuadC, 1.5L);
    EXPECT_EQ(log.openTitles, (QStringList{"Open file for matrix A", "Open file for vector b"}));
    EXPECT_EQ(log.openInitialPaths, (QStringList{"", ""}));
    EXPECT_EQ(form->GboxInputFiles->FileA(), pathA);

    // The chosen path is offered again next time.
    PickFromFile([this] {
        form->GboxInputFiles->BitBtnInputFileA->click();
        form->GboxInputFiles->BtnPanelOk->click();
    });
    EXPECT_EQ(log.openInitialPaths.last(), pathA);
}

TEST_F(QuadraticPanelTest, OkWithoutAllFilesKeepsThePanelAndCloseRevertsTheFunction) {
    PickFromFile([this] {
        log.openAnswers = {pathA};
        form->GboxInputFiles->BitBtnInputFileA->click();
        form->GboxInputFiles->BtnPanelOk->click();
        EXPECT_EQ(Errors(), QStringList{"Not all files for a function was selected!"});
        EXPECT_FALSE(form->GboxInputFiles->isHidden());

        // The file option needs a u* file as well.
        log.openAnswers = {pathB};
        form->GboxInputFiles->BitBtnInputFileB->click();
        form->GboxInputFiles->RBtnUeFile->click();
        form->GboxInputFiles->BtnPanelOk->click();
        EXPECT_EQ(Errors().size(), 2);
        EXPECT_FALSE(form->GboxInputFiles->isHidden());

        form->GboxInputFiles->BtnPanelClose->click();
    });
    EXPECT_TRUE(form->GboxInputFiles->isHidden());
    EXPECT_EQ(problem->CmbFunctionsAll->currentIndex(), 0);
    EXPECT_EQ(form->State().FunctionCode, FunctionId::Rosenbrock);
    EXPECT_TRUE(accuracy->RbtnPrec1->isChecked());
    EXPECT_TRUE(runButtons->BtnStart->isEnabled());
    EXPECT_TRUE(runButtons->BtnCompare->isEnabled());
    EXPECT_FALSE(form->State().Quad.Loaded());
}

TEST_F(QuadraticPanelTest, UStarOptionsSteerTheAccuracyCriteria) {
    PickFromFile([this] {
        InputFilesPanel* panel = form->GboxInputFiles;
        EXPECT_FALSE(panel->BitBtnInputFileUe->isEnabled());

        panel->RBtnUeUnknown->click();
        EXPECT_FALSE(accuracy->RbtnPrec1->isEnabled());
        EXPECT_TRUE(accuracy->RbtnPrec2->isChecked());
        emit panel->UStarUnknownLeft();
        EXPECT_TRUE(accuracy->RbtnPrec1->isEnabled());
        EXPECT_TRUE(accuracy->RbtnPrec2->isChecked());

        panel->RBtnUeFile->click();
        EXPECT_TRUE(panel->BitBtnInputFileUe->isEnabled());
        EXPECT_TRUE(accuracy->RbtnPrec1->isChecked());

        // The u* dialog starts from the default hint and the dialog's last title.
        log.openAnswers = {pathB};
        panel->BitBtnInputFileUe->click();
        EXPECT_EQ(log.openTitles.last(), "");
        EXPECT_EQ(panel->FileUStar(), pathB);
        panel->BitBtnInputFileUe->click();  // cancelled: back to "nothing chosen"
        EXPECT_FALSE(panel->FileUStarChosen());

        panel->RBtnUe0->click();
        EXPECT_FALSE(panel->BitBtnInputFileUe->isEnabled());
        EXPECT_TRUE(accuracy->RbtnPrec1->isChecked());

        panel->RBtnUeUnknown->click();
        ChooseAAndB();
        panel->BtnPanelOk->click();
    });
    // Reading applies "u* is unknown" again.
    EXPECT_FALSE(accuracy->RbtnPrec1->isEnabled());
    EXPECT_TRUE(accuracy->RbtnPrec2->isChecked());
    EXPECT_TRUE(form->State().Quad.Loaded());
}

TEST_F(QuadraticPanelTest, ADimensionChangeRereadsTheFiles) {
    PickFromFile([this] {
        ChooseAAndB();
        form->GboxInputFiles->BtnPanelOk->click();
    });
    ASSERT_TRUE(form->State().Quad.Loaded());
    // n = 3: the panel opens again and the 2x2 file no longer fits.
    Pick(problem->CmbN, 1);
    EXPECT_FALSE(form->GboxInputFiles->isHidden());
    form->GboxInputFiles->BtnPanelOk->click();
    EXPECT_EQ(problem->CmbFunctionsNmore2->currentText(), "Quadratic from FILE");
    EXPECT_EQ(Errors(), QStringList{"File " + pathA + " is incorrect!\rCheck the dimension n."});
    EXPECT_FALSE(form->State().Quad.Loaded());
}

TEST_F(QuadraticPanelTest, TypingADimensionKeepsThePanelOpenAndCloseActsAtOnce) {
    // Typing "10" changes n twice while the panel is open. No handler may
    // wait for the panel; should one wait, Close is clicked until it
    // returns, so that the test fails instead of hanging.
    bool typed = false;
    bool waitedForThePanel = false;
    std::function<void()> release = [&] {
        if (typed) return;
        waitedForThePanel = true;
        form->GboxInputFiles->BtnPanelClose->click();
        QTimer::singleShot(1, form.get(), release);
    };
    QTimer::singleShot(1, form.get(), release);
    PickFunction(problem->CmbFunctionsAll, FunctionId::QuadraticFromFiles);
    Type(problem->CmbN, "1");
    Type(problem->CmbN, "10");
    typed = true;
    EXPECT_FALSE(waitedForThePanel);
    EXPECT_FALSE(form->GboxInputFiles->isHidden());
    EXPECT_EQ(problem->CmbFunctionsNmore2->currentText(), "Quadratic from FILE");

    form->GboxInputFiles->BtnPanelClose->click();
    EXPECT_TRUE(form->GboxInputFiles->isHidden());
    EXPECT_NE(form->State().FunctionCode, FunctionId::QuadraticFromFiles);
    EXPECT_TRUE(runButtons->BtnStart->isEnabled());
}

TEST_F(QuadraticPanelTest, CollinearMethodsCannotWorkWithoutUStar) {
    method->SpeedBtnAuthor->click();
    PickFromFile([this] {
        EXPECT_FALSE(form->GboxInputFiles->RBtnUeUnknown->isEnabled());
        form->GboxInputFiles->BtnPanelClose->click();
    });
    method->SpeedBtnGrad->click();
    problem->CmbFunctionsAll->setCurrentIndex(1);
    emit problem->CmbFunctionsAll->activated(1);
    EXPECT_TRUE(form->GboxInputFiles->RBtnUeUnknown->isEnabled());
}

} // namespace
} // namespace tarvik::ui

