#pragma once
// A status bar of text panels laid side by side, with the panel widths set
// by the window's own layout (small buttons and the progress bar sit on top
// of panels 1 to 5).
#include <QFrame>
#include <QString>
#include <vector>

class QLabel;

namespace tarvik::ui {

class TStatusBar : public QFrame {
    Q_OBJECT
public:
    explicit TStatusBar(int panelCount, QWidget* parent = nullptr);

    int PanelCount() const { return static_cast<int>(panels_.size()); }
    QLabel* Panel(int index) const { return panels_.at(static_cast<std::size_t>(index)); }
    QString PanelText(int index) const;
    void SetPanelText(int index, const QString& text);
    int PanelWidth(int index) const { return widths_.at(static_cast<std::size_t>(index)); }
    // The last panel takes what is left.
    void SetPanelWidth(int index, int width);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ArrangePanels();

    std::vector<QLabel*> panels_;
    std::vector<int> widths_;
};

} // namespace tarvik::ui
