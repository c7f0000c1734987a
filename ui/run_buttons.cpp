#include "ui/run_buttons.h"

#include <QPushButton>

#include "ui/hint_text.h"

namespace tarvik::ui {

namespace {

// The design placed the row at (306, 7); the window arranges it before it shows.
constexpr int kDesignLeft = 306;
constexpr int kTop = 7;

QPushButton* NewButton(QWidget* parent, const char* name, const QString& caption, int left, int width) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(left - kDesignLeft, 0, width, 25);
    button->setAutoDefault(false);
    return button;
}

} // namespace

RunButtons::RunButtons(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PanelRunButtons"));
    // Each caption's marked letter with Alt presses the button; no two
    // buttons share a letter, so that none depends on which ones show.
    setGeometry(kDesignLeft, kTop, 540 + 63 - kDesignLeft, 25);

    BtnStart = NewButton(this, "BtnStart", QStringLiteral("&Start"), 460, 65);
    SetHint(BtnStart, QStringLiteral("| Starting the minimization process"));
    BtnStop = NewButton(this, "BtnStop", QStringLiteral("S&top"), 460, 65);
    SetHint(BtnStop, QStringLiteral("Stopping the minimization process"));
    BtnStop->hide();
    BtnClear = NewButton(this, "BtnClear", QStringLiteral("C&lear"), 460, 65);
    SetHint(BtnClear, QStringLiteral("| Clearing both output windows"));
    BtnClear->hide();
    BtnSaveAS = NewButton(this, "BtnSaveAS", QStringLiteral("Save &as..."), 380, 65);
    SetHint(BtnSaveAS, QStringLiteral("| Save results in a text file"));
    BtnSaveAS->hide();
    BtnExit = NewButton(this, "BtnExit", QStringLiteral("E&xit"), 540, 63);
    SetHint(BtnExit, QStringLiteral("| Exit the application"));
    // Compare takes the place of Save as, which the set-up state does not show.
    BtnCompare = NewButton(this, "BtnCompare", QStringLiteral("&Compare"), 380, 65);
    SetHint(BtnCompare, QStringLiteral("| Run several methods on this problem and compare them"));
    BtnExportTrace = NewButton(this, "BtnExportTrace", QStringLiteral("&Export trace"), 306, 68);
    SetHint(BtnExportTrace, QStringLiteral("| Save every iteration of the run as a CSV file"));
    BtnExportTrace->hide();
    // Step shares Export trace's place: one shows before and during a run,
    // the other after it.
    BtnStep = NewButton(this, "BtnStep", QStringLiteral("Ste&p"), 306, 68);
    SetHint(BtnStep, QStringLiteral("| Running one iteration of the method"));

    connect(BtnStart, &QPushButton::clicked, this, &RunButtons::startClicked);
    connect(BtnStop, &QPushButton::clicked, this, &RunButtons::stopClicked);
    connect(BtnClear, &QPushButton::clicked, this, &RunButtons::clearClicked);
    connect(BtnSaveAS, &QPushButton::clicked, this, &RunButtons::saveAsClicked);
    connect(BtnExit, &QPushButton::clicked, this, &RunButtons::exitClicked);
    connect(BtnCompare, &QPushButton::clicked, this, &RunButtons::compareClicked);
    connect(BtnExportTrace, &QPushButton::clicked, this, &RunButtons::exportTraceClicked);
    connect(BtnStep, &QPushButton::clicked, this, &RunButtons::stepClicked);
}

void RunButtons::Arrange(int exitLeft, int e) {
    // In the window's coordinates first, as the rules are stated.
    const int runLeft = exitLeft - BtnStart->width() - e - 8;
    const int saveLeft = runLeft - BtnSaveAS->width() - e - 6;
    const int exportLeft = saveLeft - BtnExportTrace->width() - 6;
    setGeometry(exportLeft, y(), exitLeft + BtnExit->width() - exportLeft, height());
    const auto place = [this](QPushButton* b, int left) { b->move(left - x(), b->y()); };
    place(BtnExit, exitLeft);
    for (QPushButton* b : {BtnStart, BtnStop, BtnClear}) place(b, exitLeft - b->width() - e - 8);
    place(BtnSaveAS, saveLeft);
    place(BtnCompare, saveLeft);
    place(BtnExportTrace, exportLeft);
    place(BtnStep, exportLeft);
    PlaceStartForSteps(startAtCompare_);
}

void RunButtons::PlaceStartForSteps(bool waiting) {
    startAtCompare_ = waiting;
    BtnStart->move(waiting ? BtnCompare->pos() : BtnStop->pos());
}

QWidgetList RunButtons::FocusOrder() const {
    return {BtnStep, BtnExportTrace, BtnCompare, BtnSaveAS, BtnStart, BtnStop, BtnClear, BtnExit};
}

int RunButtons::SaveAsLeft() const { return x() + BtnSaveAS->x(); }

} // namespace tarvik::ui
