#include "ui/input_files_panel.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "ui/design_widgets.h"
#include "ui/hint_text.h"

namespace tarvik::ui {

InputFilesPanel::InputFilesPanel(QWidget* parent) : QGroupBox(QStringLiteral("Quadratic function from files"), parent) {
    setObjectName(QStringLiteral("GboxInputFiles"));

    const auto button = [this](const char* name, const QString& caption, int left, int top, int width) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(left, top, width, 23);
        b->setAutoDefault(false);
        return b;
    };

    AddLabel(QStringLiteral("Matrix A:"), 8, 22);
    BitBtnInputFileA = button("BitBtnInputFileA", QStringLiteral("Input "), 62, 18, 60);
    SetHint(BitBtnInputFileA, kDefaultHintA);
    AddLabel(QStringLiteral("Vector b:"), 146, 22);
    BitBtnInputFileB = button("BitBtnInputFileB", QStringLiteral("Input "), 200, 18, 60);
    SetHint(BitBtnInputFileB, kDefaultHintB);

    AddLabel(QStringLiteral("C ="), 8, 49);
    EditC = new QLineEdit(QStringLiteral("0"), this);
    EditC->setObjectName(QStringLiteral("EditC"));
    EditC->setGeometry(62, 45, 106, 21);

    RBtnUeFile = new QRadioButton(this);
    RBtnUeFile->setObjectName(QStringLiteral("RBtnUeFile"));
    RBtnUeFile->setGeometry(8, 73, 16, 17);
    SetHint(RBtnUeFile, QStringLiteral("Minimum point from file to check an accuracy"));
    BitBtnInputFileUe = button("BitBtnInputFileUe", QStringLiteral("Input "), 26, 70, 60);
    SetHint(BitBtnInputFileUe, kDefaultHintUe);
    BitBtnInputFileUe->setEnabled(false);
    RBtnUe0 = new QRadioButton(QStringLiteral("u*=0"), this);
    RBtnUe0->setObjectName(QStringLiteral("RBtnUe0"));
    RBtnUe0->setGeometry(100, 73, 60, 17);
    RBtnUe0->setChecked(true);
    RBtnUeUnknown = new QRadioButton(QStringLiteral("u* is unknown"), this);
    RBtnUeUnknown->setObjectName(QStringLiteral("RBtnUeUnknown"));
    RBtnUeUnknown->setGeometry(170, 73, 124, 17);
    RBtnUeUnknown->installEventFilter(this);

    BtnPanelOk = button("BtnPanelOk", QStringLiteral(" OK"), 142, 94, 70);
    BtnPanelClose = button("BtnPanelClose", QStringLiteral("Close"), 220, 94, 70);

    connect(BitBtnInputFileA, &QPushButton::clicked, this, [this] { emit fileAsked(QuadraticFile::A); });
    connect(BitBtnInputFileB, &QPushButton::clicked, this, [this] { emit fileAsked(QuadraticFile::B); });
    connect(BitBtnInputFileUe, &QPushButton::clicked, this, [this] { emit fileAsked(QuadraticFile::UStar); });
    connect(RBtnUeFile, &QRadioButton::clicked, this, [this] { emit uStarChosen(UStarSource::FromFile); });
    connect(RBtnUe0, &QRadioButton::clicked, this, [this] { emit uStarChosen(UStarSource::Zero); });
    connect(RBtnUeUnknown, &QRadioButton::clicked, this, [this] { emit uStarChosen(UStarSource::Unknown); });
    connect(BtnPanelOk, &QPushButton::clicked, this, &InputFilesPanel::okClicked);
    connect(BtnPanelClose, &QPushButton::clicked, this, &InputFilesPanel::closeClicked);
}

QLabel* InputFilesPanel::AddLabel(const QString& text, int left, int top) {
    auto* label = new QLabel(text, this);
    label->move(left, top);
    label->adjustSize();
    return label;
}

QString InputFilesPanel::FileA() const { return HintOf(BitBtnInputFileA); }
QString InputFilesPanel::FileB() const { return HintOf(BitBtnInputFileB); }
QString InputFilesPanel::FileUStar() const { return HintOf(BitBtnInputFileUe); }
void InputFilesPanel::SetFileA(const QString& path) { SetHint(BitBtnInputFileA, path); }
void InputFilesPanel::SetFileB(const QString& path) { SetHint(BitBtnInputFileB, path); }
void InputFilesPanel::SetFileUStar(const QString& path) { SetHint(BitBtnInputFileUe, path); }

UStarSource QuadraticFilesChoice::Option() const {
    if (uStarFromFile) return UStarSource::FromFile;
    if (uStarUnknown) return UStarSource::Unknown;
    return UStarSource::Zero;
}

UStarSource InputFilesPanel::UStarOption() const { return Choice().Option(); }

QuadraticFilesChoice InputFilesPanel::Choice() const {
    return {FileA().toStdString(),      FileB().toStdString(),  FileUStar().toStdString(),
            EditC->text().toStdString(), RBtnUeFile->isChecked(), RBtnUe0->isChecked(),
            RBtnUeUnknown->isChecked()};
}

void InputFilesPanel::SetChoice(const QuadraticFilesChoice& choice) {
    SetFileA(QString::fromStdString(choice.pathA));
    SetFileB(QString::fromStdString(choice.pathB));
    EditC->setText(QString::fromStdString(choice.c));
    SetFileUStar(QString::fromStdString(choice.pathUStar));
    SetRadioGroup({{RBtnUeFile, choice.uStarFromFile}, {RBtnUe0, choice.uStarZero}, {RBtnUeUnknown, choice.uStarUnknown}});
}

QWidgetList InputFilesPanel::FocusOrder() const {
    return {BitBtnInputFileA, BitBtnInputFileB, EditC,       RBtnUeFile,  BitBtnInputFileUe,
            RBtnUe0,          RBtnUeUnknown,    BtnPanelOk, BtnPanelClose};
}

bool InputFilesPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == RBtnUeUnknown && event->type() == QEvent::FocusOut) emit UStarUnknownLeft();
    return QGroupBox::eventFilter(watched, event);
}

} // namespace tarvik::ui
