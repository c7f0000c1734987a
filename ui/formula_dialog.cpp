#include "ui/formula_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QVBoxLayout>

#include "app/start_point.h"

namespace tarvik::ui {

namespace {

struct Example {
    const char* title;
    const char* formula;
};

// Each shows one thing the formulas can do.
constexpr Example kExamples[] = {
    {"Rosenbrock", "100*(u2-u1^2)^2 + (1-u1)^2"},
    {"Two minima and a saddle at (0, 0)", "(u1^2-1)^2 + 2*u2^2 - 0.3*u1"},
    {"Himmelblau 28", "(u1^2+u2-11)^2 + (u2^2+u1-7)^2"},
    {"Generalized Rosenbrock (any n)", "sum(i, 1, n-1, 100*(u[i+1]-u[i]^2)^2 + (1-u[i])^2)"},
    {"Quadratic (any n)", "sum(i, 1, n, i*u[i]^2) - u1"},
    {"Smooth but not convex", "log(1 + u1^2 + 2*u2^2) + 0.1*sin(3*u1)"},
};

} // namespace

FormulaDialog::FormulaDialog(const TypedFunction& current, QWidget* parent) : QDialog(parent), function_(current) {
    setWindowTitle(QStringLiteral("J(u) = your formula"));
    auto* layout = new QVBoxLayout(this);

    CmbExamples = new QComboBox(this);
    CmbExamples->addItem(QStringLiteral("Start from an example..."));
    for (const Example& e : kExamples) CmbExamples->addItem(QString::fromUtf8(e.title));
    layout->addWidget(CmbExamples);

    layout->addWidget(new QLabel(QStringLiteral("J(u) ="), this));
    EditFormula = new QPlainTextEdit(this);
    EditFormula->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    EditFormula->setPlainText(QString::fromStdString(current.formula.text));
    EditFormula->setMinimumSize(460, 90);
    layout->addWidget(EditFormula);

    LblDimension = new QLabel(this);
    layout->addWidget(LblDimension);
    auto* syntax = new QLabel(
        QStringLiteral("u1 ... un, sum(i, from, to, ... u[i] ...), n, pi, e,  + - * / ^ ( ),\n"
                       "sin cos tan atan exp log sqrt abs sinh cosh tanh"),
        this);
    layout->addWidget(syntax);

    layout->addWidget(new QLabel(QStringLiteral("u* (optional, u1,u2,...; empty: unknown):"), this));
    EditUStar = new QLineEdit(QString::fromStdString(current.uStarText), this);
    layout->addWidget(EditUStar);

    LblMessage = new QLabel(this);
    LblMessage->setStyleSheet(QStringLiteral("color: #c00000"));
    LblMessage->setWordWrap(true);
    layout->addWidget(LblMessage);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (TryAccept()) accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(CmbExamples, &QComboBox::activated, this, [this](int item) {
        if (item < 1) return;
        EditFormula->setPlainText(QString::fromUtf8(kExamples[item - 1].formula));
        EditUStar->clear();
    });
    connect(EditFormula, &QPlainTextEdit::textChanged, this, [this] {
        LblMessage->clear();
        ShowDimensionRule();
    });
    ShowDimensionRule();
}

void FormulaDialog::ShowDimensionRule() {
    ParsedFormula parsed;
    if (ParseFormula(EditFormula->toPlainText().toStdString(), parsed)) {
        LblDimension->setText(QString());
        return;
    }
    LblDimension->setText(parsed.shape.twoDimensional
                              ? QStringLiteral("A function of u1 and u2 only: n = 2.")
                              : QStringLiteral("A function of u1 ... un: any n the formula's indices fit."));
}

bool FormulaDialog::TryAccept() {
    TypedFunction taken = function_;
    if (const std::optional<FormulaError> error = SetFormula(taken, EditFormula->toPlainText().toStdString())) {
        LblMessage->setText(QString::fromStdString(error->message));
        if (error->line > 0) {
            // The cursor goes to the place the message names.
            QTextCursor cursor(EditFormula->document()->findBlockByNumber(error->line - 1));
            cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, error->column - 1);
            EditFormula->setTextCursor(cursor);
        }
        EditFormula->setFocus();
        return false;
    }
    const std::string uStarText = EditUStar->text().trimmed().toStdString();
    taken.uStar.clear();
    if (!uStarText.empty()) {
        if (const std::optional<std::string> error = ParseStartCoordinates(uStarText, taken.uStar, "u*")) {
            LblMessage->setText(QString::fromStdString(*error));
            EditUStar->setFocus();
            return false;
        }
        if (taken.TwoDimensional() && taken.uStar.size() != 2) {
            LblMessage->setText(QStringLiteral("u* of a function of u1 and u2 has two components."));
            EditUStar->setFocus();
            return false;
        }
    }
    taken.uStarText = uStarText;
    function_ = std::move(taken);
    return true;
}

} // namespace tarvik::ui
