#include "ui/status_bar.h"

#include <QLabel>

namespace tarvik::ui {

TStatusBar::TStatusBar(int panelCount, QWidget* parent) : QFrame(parent) {
    for (int i = 0; i < panelCount; ++i) {
        auto* panel = new QLabel(this);
        panel->setObjectName(QStringLiteral("StatusBar1Panel%1").arg(i));
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setTextFormat(Qt::PlainText);
        panel->setIndent(2);
        panels_.push_back(panel);
        widths_.push_back(50);
    }
    ArrangePanels();
}

QString TStatusBar::PanelText(int index) const { return Panel(index)->text(); }

void TStatusBar::SetPanelText(int index, const QString& text) { Panel(index)->setText(text); }

void TStatusBar::SetPanelWidth(int index, int width) {
    widths_.at(static_cast<std::size_t>(index)) = width;
    ArrangePanels();
}

void TStatusBar::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    ArrangePanels();
}

void TStatusBar::ArrangePanels() {
    int left = 0;
    const int last = PanelCount() - 1;
    for (int i = 0; i <= last; ++i) {
        const int w = i == last ? std::max(0, width() - left) : widths_[static_cast<std::size_t>(i)];
        panels_[static_cast<std::size_t>(i)]->setGeometry(left, 2, std::max(0, w - 2), std::max(0, height() - 2));
        left += w;
    }
}

} // namespace tarvik::ui
