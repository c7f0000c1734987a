#pragma once
// The editor behind "J(u) = your formula": the formula, what it asks of
// the dimension, an optional u*, and examples to start from. A formula the
// parser refuses is not taken: its message points at the place, and the
// function keeps the formula it had.
#include <QDialog>

#include "core/typed_function.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace tarvik::ui {

class FormulaDialog : public QDialog {
    Q_OBJECT
public:
    explicit FormulaDialog(const TypedFunction& current, QWidget* parent = nullptr);

    // The function as accepted (the one given until OK takes another).
    const TypedFunction& Function() const { return function_; }
    // OK: takes the texts, or shows why not and stays open; true when taken.
    bool TryAccept();

    QPlainTextEdit* EditFormula = nullptr;
    QLineEdit* EditUStar = nullptr;
    QComboBox* CmbExamples = nullptr;
    QLabel* LblDimension = nullptr;
    QLabel* LblMessage = nullptr;

private:
    void ShowDimensionRule();

    TypedFunction function_;
};

} // namespace tarvik::ui
