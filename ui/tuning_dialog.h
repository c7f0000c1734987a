#pragma once
// The "Tuning" dialog: up to six rows of a label and an edit box, a combo
// box for the Wolfe interpolation lying over the second edit box, and "OK".
// The "M" button fills it with the method's parameters followed by the
// limits every run has, the "F" button with function parameters; the height
// given to it decides how many rows show.
#include <QDialog>
#include <cstdint>
#include <exception>
#include <functional>
#include <span>
#include <vector>

#include "core/parameter_table.h"
#include "core/run_state.h"

class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tarvik::ui {

class TSecondForm : public QDialog {
    Q_OBJECT
public:
    // state supplies MethodCode, FunctionCode and the parameters that OK
    // stores. onError receives a rejection ("Incorrect data in parameter!");
    // onAccepted runs after a successful OK, before the dialog closes.
    TSecondForm(RunState& state, std::function<void(std::exception_ptr)> onError,
                std::function<void()> onAccepted, QWidget* parent = nullptr);

    QLabel* LabelConst1 = nullptr;
    QLabel* LabelConst2 = nullptr;
    QLabel* LabelConst3 = nullptr;
    QLabel* LabelConst4 = nullptr;
    QLabel* LabelConst5 = nullptr;
    QLabel* LabelConst6 = nullptr;
    QLineEdit* EditConst1 = nullptr;
    QLineEdit* EditConst2 = nullptr;
    QLineEdit* EditConst3 = nullptr;
    QLineEdit* EditConst4 = nullptr;
    QLineEdit* EditConst5 = nullptr;
    QLineEdit* EditConst6 = nullptr;
    QComboBox* CmbInterpol = nullptr;
    QPushButton* ButtonSet = nullptr;

    // 1: OK stores method parameters, 0: function parameters.
    uint8_t TuningMethod = 1;

    QLabel* Label(int row) const;
    QLineEdit* Edit(int row) const;

    // Outer height as the rows count it: 75 shows one row, 110 two, 145
    // three, and so on, 35 more for each row.
    static constexpr int kMaxRows = 6;
    static constexpr int kFrameHeight = 30;
    int FormHeight() const { return formHeight_; }
    void SetFormHeight(int height);

    // Fills the rows of the parameter table of state.MethodCode, then the
    // run's limits, which every method has.
    void FillForMethod();
    // The same for the function of state.FunctionCode.
    bool FillForFunction();

    // "OK": validates and stores the parameters, then closes.
    void ButtonSetClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void EditConst1KeyPress(int key);
    bool FormKeyDown(int key);

private:
    void SetRow(int row, const QString& label, const QString& hint, Real value);
    void FillRows(std::span<const ParameterRow> rows);
    void StoreRows(std::span<const ParameterRow> rows);
    void StoreMethodParameters();
    void StoreFunctionParameters();

    RunState& state_;
    std::function<void(std::exception_ptr)> onError_;
    std::function<void()> onAccepted_;
    int formHeight_ = 185;
    // What the "M" button shows and OK stores: the method's rows and the limits.
    std::vector<ParameterRow> methodRows_;
};

} // namespace tarvik::ui
