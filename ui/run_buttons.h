#pragma once
// The row of buttons at the top right: Start, Stop and Clear take turns at
// one place, Compare and Save as at another, Step and Export trace beside
// them and Exit at the right end. While a run taken step by step waits,
// Start stands at Compare's place beside Stop. The row keeps the buttons' spacing; the window
// places the row by its right end. Alt and the underlined letter of a
// caption press its button.
#include <QWidget>

class QPushButton;

namespace tarvik::ui {

class RunButtons : public QWidget {
    Q_OBJECT
public:
    explicit RunButtons(QWidget* parent);

    QPushButton* BtnStart = nullptr;
    QPushButton* BtnStop = nullptr;
    QPushButton* BtnClear = nullptr;
    QPushButton* BtnSaveAS = nullptr;
    QPushButton* BtnExit = nullptr;
    QPushButton* BtnCompare = nullptr;
    QPushButton* BtnExportTrace = nullptr;
    QPushButton* BtnStep = nullptr;

    // Start at Compare's place while a stepped run waits, at its own otherwise.
    void PlaceStartForSteps(bool waiting);

    // Exit's left edge at exitLeft in the window, the others to its left
    // with gaps that grow with e (twice the output pane's margin).
    void Arrange(int exitLeft, int e);
    // Save as's left edge in the window's coordinates.
    int SaveAsLeft() const;
    // The buttons in the order Tab visits them: from left to right (of the
    // buttons that share a place, one shows at a time).
    QWidgetList FocusOrder() const;

signals:
    void startClicked();
    void stopClicked();
    void clearClicked();
    void saveAsClicked();
    void exitClicked();
    void compareClicked();
    void exportTraceClicked();
    void stepClicked();

private:
    bool startAtCompare_ = false;
};

} // namespace tarvik::ui
