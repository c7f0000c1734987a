#pragma once
// The group box "Quadratic function from files": three file buttons whose
// hints hold the chosen paths, the free term C, the three u* options and the
// OK and Close buttons. The window drives it; this class only builds it.
#include <QGroupBox>
#include <QString>
#include <string>

#include "app/quadratic_files.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tarvik::ui {

inline const QString kDefaultHintA = QString::fromLatin1(DefaultHintFileA);
inline const QString kDefaultHintB = QString::fromLatin1(DefaultHintFileB);
inline const QString kDefaultHintUe = QString::fromLatin1(DefaultHintFileUStar);

enum class QuadraticFile { A, B, UStar };

// What the panel holds, as the run and data.ini take it.
struct QuadraticFilesChoice {
    std::string pathA, pathB, pathUStar;  // the button hints
    std::string c = "0";                  // the text of EditC
    bool uStarFromFile = false;           // RBtnUeFile
    bool uStarZero = true;                // RBtnUe0
    bool uStarUnknown = false;            // RBtnUeUnknown

    // The u* choice of the three radio buttons.
    UStarSource Option() const;
    bool operator==(const QuadraticFilesChoice&) const = default;
};

class InputFilesPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit InputFilesPanel(QWidget* parent);

    QPushButton* BitBtnInputFileA = nullptr;
    QPushButton* BitBtnInputFileB = nullptr;
    QPushButton* BitBtnInputFileUe = nullptr;
    QLineEdit* EditC = nullptr;
    QRadioButton* RBtnUeFile = nullptr;
    QRadioButton* RBtnUe0 = nullptr;
    QRadioButton* RBtnUeUnknown = nullptr;

    // The u* choice of the three radio buttons.
    UStarSource UStarOption() const;
    QPushButton* BtnPanelOk = nullptr;
    QPushButton* BtnPanelClose = nullptr;

    // The paths live in the button hints; a hint equal to its default text
    // means "nothing chosen".
    QString FileA() const;
    QString FileB() const;
    QString FileUStar() const;
    void SetFileA(const QString& path);
    void SetFileB(const QString& path);
    void SetFileUStar(const QString& path);
    bool FileUStarChosen() const { return FileUStar() != kDefaultHintUe; }
    QuadraticFilesChoice Choice() const;
    // Puts back a stored choice; the radio buttons as stored, none checked
    // included.
    void SetChoice(const QuadraticFilesChoice& choice);
    // The controls in the order Tab visits them, row by row.
    QWidgetList FocusOrder() const;

signals:
    // One of the three file buttons was clicked.
    void fileAsked(QuadraticFile file);
    // The user clicked one of the u* options.
    void uStarChosen(UStarSource source);
    void okClicked();
    void closeClicked();
    // Focus left "u* is unknown".
    void UStarUnknownLeft();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* AddLabel(const QString& text, int left, int top);
};

} // namespace tarvik::ui
