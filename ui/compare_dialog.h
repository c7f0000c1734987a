#pragma once
// The dialog behind "Compare": which methods to run one after another on the
// current problem, how many iterations each may take, and how a recoverable
// method failure is answered while nobody is asked.
#include <QDialog>
#include <array>
#include <vector>

#include "core/host.h"
#include "core/method_catalogue.h"

class QCheckBox;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace tarvik::ui {

struct CompareSettings {
    // One method of each kind: gradient, conjugate gradient, quasi-Newton
    // (full and limited memory), Newton, trust region, collinear gradients.
    std::vector<int> positions = {ListPosition(MethodId::SteepestWolfe), ListPosition(MethodId::PolakRibiereWolfe),
                                  ListPosition(MethodId::BfgsWolfe),     ListPosition(MethodId::LbfgsWolfe),
                                  ListPosition(MethodId::Newton),        ListPosition(MethodId::TrustRegion),
                                  ListPosition(MethodId::Collinear)};
    int maxIterations = 1000;
    // FailureAnswer::Cancel ends a failing run; FailureAnswer::YesToAll goes on with the
    // substitute step as the failure dialog's Yes to All does.
    FailureAnswer failureAnswer = FailureAnswer::Cancel;
};

class CompareDialog : public QDialog {
    Q_OBJECT
public:
    explicit CompareDialog(const CompareSettings& settings, QWidget* parent = nullptr);

    std::array<QCheckBox*, MethodCount> MethodBoxes{};
    QSpinBox* IterationLimit = nullptr;
    QRadioButton* CancelFailedRun = nullptr;
    QRadioButton* SubstituteStep = nullptr;
    QPushButton* StartButton = nullptr;

    // The choices as the dialog shows them now.
    CompareSettings Settings() const;

private:
    void UpdateStartButton();
};

} // namespace tarvik::ui
