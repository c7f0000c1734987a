#pragma once
// The green panel on the right: the program's titles and credits while no
// run is shown, the figure of a run (from its preparation until Clear), and
// two links at the bottom.
#include <QFrame>

class QLabel;
class QRect;

namespace tarvik::ui {

class FigureWidget;

class FigurePanel : public QFrame {
    Q_OBJECT
public:
    explicit FigurePanel(QWidget* parent);

    QLabel* LabelUnconstrained = nullptr;
    QLabel* LabelTarvik = nullptr;
    QLabel* LabelSoft = nullptr;
    QLabel* LabelVarnel = nullptr;
    QLabel* LabelURL = nullptr;
    QLabel* lblTelegram = nullptr;

    // A new figure, a square in the panel; a panel cut short by the screen
    // area (or a window larger than it) gives a smaller square, never an
    // image larger than the screen.
    FigureWidget* NewFigure(const QRect& screenArea, const QString& fontName);

    // The credit lines stacked up from the panel's bottom, as the design
    // places them at start-up.
    void StackCreditsAtBottom();
    // The titles centred, the credit lines as wide as the panel allows and
    // stacked up from bottom (in the panel's coordinates).
    void PlaceLabels(int bottom);
    // The second link follows the panel's bottom edge by dy.
    void MoveSecondLink(int dy);
    void ShowTitles(bool show);
    // The credits and links go while a figure shows, and come back with set-up.
    void ShowAbout(bool show);
    // The links in the order Tab visits them.
    QWidgetList FocusOrder() const;

signals:
    void linkClicked(const QString& address);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace tarvik::ui
