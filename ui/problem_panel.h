#pragma once
// The strip along the top of the window that states the problem: the
// dimension n, the starting point u°, the two function lists (all functions
// for n = 2, those of any dimension otherwise) and the function's formula
// picture above the figure.
#include <QWidget>
#include <optional>
#include <string>

#include "core/catalogue_ids.h"

class QComboBox;
class QFrame;
class QImage;
class QLabel;

namespace tarvik::ui {

// What the panel holds, as the run and data.ini take it.
struct ProblemChoice {
    std::string dimension = "2";  // the text of CmbN as typed
    int startItem = 0;            // CmbU0, or the item a figure's point was picked over
    // u1,u2 picked on the figure ("-1.2,1.0") when its item is chosen; the
    // other coordinates are those of startItem.
    std::string figurePoint;
    bool fullList = true;         // CmbFunctionsAll shows
    bool shortList = false;       // CmbFunctionsNmore2 shows
    // The function of the visible list (the short one wins); put back, none
    // leaves the lists as they are.
    std::optional<FunctionId> function;
    std::string functionName;     // its name as the report heads it; read, never put back

    bool operator==(const ProblemChoice&) const = default;
};

class ProblemPanel : public QWidget {
    Q_OBJECT
public:
    // The panel starts at the window's top left corner, so its controls keep
    // the window's coordinates; it reaches across the window.
    explicit ProblemPanel(QWidget* parent);

    QLabel* Label1 = nullptr;
    QLabel* Label6 = nullptr;
    QComboBox* CmbN = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label8 = nullptr;
    QComboBox* CmbU0 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label7 = nullptr;
    QComboBox* CmbFunctionsAll = nullptr;
    QComboBox* CmbFunctionsNmore2 = nullptr;
    QFrame* BvlObjectFun = nullptr;
    QLabel* ImageJ = nullptr;
    QLabel* ImageU0 = nullptr;

    // The dimensions, the starting points and both function lists
    // (FunctionsInListOrder()); each item keeps its function's id.
    void FillLists();
    ProblemChoice Choice() const;
    // Puts back a stored choice; an item a list does not have leaves it as
    // it is.
    void SetChoice(const ProblemChoice& choice);
    // The function of the visible list.
    FunctionId Function() const;
    // The list that fits dimension n shows, with the function of the other
    // list where it has it.
    void ShowListFor(int n);
    void SetChoosersEnabled(bool enabled);
    // The controls in the order Tab visits them: as they stand on the screen.
    QWidgetList FocusOrder() const;

    // The formula picture, scaled down to fit when larger.
    void ShowPicture(const QImage& picture);
    void ClearPicture();
    // The starting point's hint: the first two components, or the file chosen.
    void ShowPairHint();
    // The pair's hint unless the starting point comes from a file.
    void ShowPairHintUnlessFile();
    void ShowStartFileHint(const QString& path);
    // Back to the first starting point, as a cancelled file choice leaves it.
    void ChooseFirstStart();
    // The item "figure: -1.2; 1.0" after the list's own, chosen: u1 and u2
    // given as "-1.2,1.0" over the item chosen now (or baseItem).
    void ChooseFigurePoint(const std::string& coordinates);
    void ChooseFigurePoint(const std::string& coordinates, int baseItem);
    // The list's item "from file" is the one chosen.
    bool FileStartChosen() const;

signals:
    // Only what the user does is a change; setting a list from code is not.
    void dimensionChanged();
    void functionChanged(bool fromFullList);
    void startChanged(int item);
};

} // namespace tarvik::ui
