#include "ui/problem_panel.h"

#include <QComboBox>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>

#include "app/start_point.h"
#include "core/function_catalogue.h"
#include "ui/design_widgets.h"
#include "ui/hint_text.h"

namespace tarvik::ui {

namespace {

const QString kPairHint = QStringLiteral("Select two first components | Two first components of a starting point");

QString FromView(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }

FunctionId FunctionOf(const QComboBox* list) { return static_cast<FunctionId>(list->currentData().toInt()); }

// Chooses the function's item where the list has it.
void SelectFunction(QComboBox* list, FunctionId id) { SetItemIndex(list, list->findData(static_cast<int>(id))); }

} // namespace

ProblemPanel::ProblemPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PanelProblem"));
    // Down to the bottom of the formula picture's frame (and of ImageU0).
    setGeometry(0, 0, parent->width(), 97);

    Label1 = NewLabel(this, "Label1", QStringLiteral("Dimension"), 8, 12);
    Label6 = NewLabel(this, "Label6", QStringLiteral("n:"), 63, 12, true);
    CmbN = NewCombo(this, "CmbN", true, 81, 7, 56, 21);
    SetHint(CmbN, QStringLiteral("Select or type an integer number | Dimension of objective function J(u)"));

    Label5 = NewLabel(this, "Label5", QStringLiteral("Starting point"), 149, 12);
    Label8 = NewLabel(this, "Label8", QStringLiteral("u°:"), 215, 12, true);
    CmbU0 = NewCombo(this, "CmbU0", false, 234, 9, 71, 21);
    SetHint(CmbU0, QStringLiteral(
        "Select two first components of vector u° | Two first components of a starting point or point from a file"));

    Label2 = NewLabel(this, "Label2", QStringLiteral("Function"), 8, 41);
    Label7 = NewLabel(this, "Label7", QStringLiteral("J(u):"), 53, 41, true);
    CmbFunctionsAll = NewCombo(this, "CmbFunctionsAll", false, 81, 36, 224, 21);
    SetHint(CmbFunctionsAll, QStringLiteral("Select a function | Objective function"));
    CmbFunctionsNmore2 = NewCombo(this, "CmbFunctionsNmore2", false, 80, 36, 225, 21);
    SetHint(CmbFunctionsNmore2, QStringLiteral("Select a function | Objective function"));
    CmbFunctionsNmore2->hide();

    BvlObjectFun = new QFrame(this);
    BvlObjectFun->setObjectName(QStringLiteral("BvlObjectFun"));
    BvlObjectFun->setFrameShape(QFrame::Box);
    BvlObjectFun->setFrameShadow(QFrame::Sunken);
    BvlObjectFun->setGeometry(312, 37, 321, 55);
    ImageJ = new QLabel(this);
    ImageJ->setObjectName(QStringLiteral("ImageJ"));
    ImageJ->setAlignment(Qt::AlignCenter);
    ImageJ->setGeometry(312, 37, 321, 55);
    ImageU0 = new QLabel(this);
    ImageU0->setObjectName(QStringLiteral("ImageU0"));
    ImageU0->setGeometry(303, 0, 218, 97);
    ImageU0->hide();

    connect(CmbN->lineEdit(), &QLineEdit::textEdited, this, [this] { emit dimensionChanged(); });
    connect(CmbN, qOverload<int>(&QComboBox::activated), this, [this] { emit dimensionChanged(); });
    connect(CmbFunctionsAll, qOverload<int>(&QComboBox::activated), this, [this] { emit functionChanged(true); });
    connect(CmbFunctionsNmore2, qOverload<int>(&QComboBox::activated), this, [this] { emit functionChanged(false); });
    connect(CmbU0, qOverload<int>(&QComboBox::activated), this, [this](int item) { emit startChanged(item); });
}

void ProblemPanel::FillLists() {
    for (std::string_view item : StartPointItems) CmbU0->addItem(FromView(item));
    CmbU0->setCurrentIndex(0);

    CmbN->addItems({QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("5"), QStringLiteral("10"),
                    QStringLiteral("20"), QStringLiteral("30"), QStringLiteral("50"), QStringLiteral("100"),
                    QStringLiteral("300"), QStringLiteral("500"), QStringLiteral("1000"), QStringLiteral("3000"),
                    QStringLiteral("5000"), QStringLiteral("10000")});
    CmbN->setCurrentIndex(0);

    for (const FunctionId id : FunctionsInListOrder()) {
        const FunctionTraits& f = Traits(id);
        CmbFunctionsAll->addItem(FromView(f.name), static_cast<int>(f.id));
        if (!f.twoDimensionalOnly) CmbFunctionsNmore2->addItem(FromView(f.name), static_cast<int>(f.id));
    }
    CmbFunctionsAll->setCurrentIndex(0);
    CmbFunctionsNmore2->setCurrentIndex(0);
}

FunctionId ProblemPanel::Function() const {
    if (!CmbFunctionsNmore2->isHidden() && CmbFunctionsNmore2->currentIndex() >= 0) return FunctionOf(CmbFunctionsNmore2);
    if (!CmbFunctionsAll->isHidden() && CmbFunctionsAll->currentIndex() >= 0) return FunctionOf(CmbFunctionsAll);
    return FunctionList().front().id;
}

ProblemChoice ProblemPanel::Choice() const {
    ProblemChoice c;
    c.dimension = CmbN->currentText().toStdString();
    c.startItem = CmbU0->currentIndex();
    if (c.startItem >= StartPointItemCount) {
        const QStringList figure = CmbU0->currentData().toStringList();
        c.figurePoint = figure.value(0).toStdString();
        c.startItem = figure.value(1).toInt();
    }
    c.fullList = !CmbFunctionsAll->isHidden();
    c.shortList = !CmbFunctionsNmore2->isHidden();
    c.function = Function();
    c.functionName = FromView(Traits(*c.function).name).left(60).toStdString();
    return c;
}

void ProblemPanel::SetChoice(const ProblemChoice& choice) {
    SetComboText(CmbN, QString::fromStdString(choice.dimension));
    if (!choice.figurePoint.empty())
        ChooseFigurePoint(choice.figurePoint, choice.startItem);
    else
        SetItemIndex(CmbU0, choice.startItem);
    CmbFunctionsAll->setVisible(choice.fullList);
    CmbFunctionsNmore2->setVisible(choice.shortList);
    if (!choice.function) return;
    if (choice.fullList) SelectFunction(CmbFunctionsAll, *choice.function);
    if (choice.shortList) SelectFunction(CmbFunctionsNmore2, *choice.function);
}

void ProblemPanel::ShowListFor(int n) {
    if (n > 2 && !CmbFunctionsAll->isHidden()) {
        // A two-dimensional function has no place in the short list: its
        // first quadratic is taken instead.
        const int found = CmbFunctionsNmore2->findData(CmbFunctionsAll->currentData());
        CmbFunctionsNmore2->setCurrentIndex(found >= 0 ? found : 0);
        CmbFunctionsAll->hide();
        CmbFunctionsNmore2->show();
    } else if (n == 2 && CmbFunctionsAll->isHidden()) {
        CmbFunctionsAll->setCurrentIndex(CmbFunctionsAll->findData(CmbFunctionsNmore2->currentData()));
        CmbFunctionsNmore2->hide();
        CmbFunctionsAll->show();
    }
}

void ProblemPanel::SetChoosersEnabled(bool enabled) {
    for (QComboBox* c : {CmbN, CmbU0, CmbFunctionsAll, CmbFunctionsNmore2}) c->setEnabled(enabled);
}

QWidgetList ProblemPanel::FocusOrder() const { return {CmbN, CmbU0, CmbFunctionsAll, CmbFunctionsNmore2}; }

void ProblemPanel::ShowPicture(const QImage& picture) {
    QPixmap pixmap = QPixmap::fromImage(picture);
    if (pixmap.width() > ImageJ->width() || pixmap.height() > ImageJ->height())
        pixmap = pixmap.scaled(ImageJ->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    ImageJ->setPixmap(pixmap);
}

void ProblemPanel::ClearPicture() { ImageJ->clear(); }

void ProblemPanel::ShowPairHint() { SetHint(CmbU0, kPairHint); }

void ProblemPanel::ShowPairHintUnlessFile() {
    if (!FileStartChosen()) ShowPairHint();
}

bool ProblemPanel::FileStartChosen() const { return CmbU0->currentIndex() == StartPointFromFileItem; }

void ProblemPanel::ChooseFigurePoint(const std::string& coordinates) {
    const int current = CmbU0->currentIndex();
    ChooseFigurePoint(coordinates, current < StartPointItemCount ? current : Choice().startItem);
}

void ProblemPanel::ChooseFigurePoint(const std::string& coordinates, int baseItem) {
    if (baseItem < 0 || baseItem >= StartPointItemCount) baseItem = 0;
    const QString given = QString::fromStdString(coordinates);
    QString caption = given;
    caption.replace(QLatin1Char(','), QStringLiteral("; "));
    // One such item: a new point takes the place of the one before.
    while (CmbU0->count() > StartPointItemCount) CmbU0->removeItem(CmbU0->count() - 1);
    CmbU0->addItem(QStringLiteral("figure: ") + caption, QStringList{given, QString::number(baseItem)});
    CmbU0->setCurrentIndex(CmbU0->count() - 1);
    ShowPairHint();
}

void ProblemPanel::ShowStartFileHint(const QString& path) { SetHint(CmbU0, path); }

void ProblemPanel::ChooseFirstStart() {
    CmbU0->setCurrentIndex(0);
    ShowPairHint();
}

} // namespace tarvik::ui
