#include "ui/figure_panel.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <algorithm>

#include "tarvik_version.h"
#include "ui/design_widgets.h"
#include "ui/figure_widget.h"
#include "ui/hint_text.h"

namespace tarvik::ui {

namespace {

const QColor kMoneyGreen(192, 220, 192);

void MoveTop(QWidget* w, int top) { w->move(w->x(), top); }

// A link: Tab reaches it and, as the style does for buttons, shows the
// focus that the keyboard gave it.
class LinkLabel : public QLabel {
public:
    LinkLabel(QWidget* parent, const char* name, const QString& text, int left, int top) : QLabel(text, parent) {
        setObjectName(QString::fromLatin1(name));
        setFocusPolicy(Qt::TabFocus);
        move(left, top);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QLabel::paintEvent(event);
        if (!hasFocus()) return;
        QStylePainter painter(this);
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        // Around the text: the label may reach across the panel.
        focus.rect.setWidth(std::min(focus.rect.width(), fontMetrics().horizontalAdvance(text()) + 2));
        focus.backgroundColor = palette().color(QPalette::Window);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
};

} // namespace

FigurePanel::FigurePanel(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("PanelContours"));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setLineWidth(2);
    SetBackground(this, kMoneyGreen);

    LabelUnconstrained = NewLabel(this, "LabelUnconstrained", QStringLiteral("Unconstrained"), 56, 80);
    LabelTarvik = NewLabel(this, "LabelTarvik", QStringLiteral("Tarvik"), 64, 120);
    for (QLabel* title : {LabelUnconstrained, LabelTarvik}) {
        title->setFont(ComicFont(29));
        SetTextColour(title, QColor(0, 128, 0));
        title->adjustSize();
    }

    LabelSoft = NewLabel(this, "LabelSoft", QStringLiteral("Teaching software for methods of unconstrained minimization"),
                         7, 258);
    LabelVarnel = NewLabel(this, "LabelVarnel", QStringLiteral(TARVIK_WINDOW_TITLE ", the Tarvik authors"), 5, 273);
    LabelURL = new LinkLabel(this, "LabelURL", QStringLiteral("https://tarvik.example.org"), 7, 288);
    lblTelegram = new LinkLabel(this, "lblTelegram", QStringLiteral("Questions, comments"), 160, 288);
    for (QLabel* link : {LabelURL, lblTelegram}) {
        QFont font = link->font();
        font.setUnderline(true);
        link->setFont(font);
        SetTextColour(link, QColor(0, 0, 255));
        link->setCursor(Qt::PointingHandCursor);
        link->adjustSize();
        link->installEventFilter(this);
    }
    LabelURL->setProperty("tarvikUrl", QStringLiteral("https://tarvik.example.org"));
    lblTelegram->setProperty("tarvikUrl", QStringLiteral("https://t.me/tarvik_questions"));
    SetHint(LabelURL, QStringLiteral("Personal Site| Click to start a Web-browsing"));
    SetHint(lblTelegram, QStringLiteral("Telegram messenger|\u0421lick to send a message "));
}

FigureWidget* FigurePanel::NewFigure(const QRect& screenArea, const QString& fontName) {
    const int side = std::max(0, std::min({width(), height() + 7, screenArea.width(), screenArea.height() + 7}));
    auto* figure = new FigureWidget(side, fontName, this);
    const int imageWidth = side - 7;
    figure->setGeometry(3, 3, imageWidth, imageWidth - 7);
    return figure;
}

void FigurePanel::StackCreditsAtBottom() {
    MoveTop(LabelURL, height() - LabelURL->height() - 10);
    MoveTop(LabelVarnel, LabelURL->y() - LabelURL->height());
    MoveTop(LabelSoft, LabelVarnel->y() - LabelVarnel->height());
}

void FigurePanel::PlaceLabels(int bottom) {
    const int panelWidth = width();
    LabelUnconstrained->move((panelWidth - LabelUnconstrained->width()) / 2, LabelUnconstrained->y());
    LabelTarvik->move((panelWidth - LabelTarvik->width()) / 2, LabelTarvik->y());
    // The credit line was measured for the design's font; in Liberation Sans
    // it is two pixels longer at the design width, and the panel has room
    // for them.
    for (QLabel* label : {LabelURL, LabelSoft})
        label->resize(std::max(0, std::max(panelWidth - 15, std::min(label->sizeHint().width(), panelWidth - label->x()))),
                      label->height());
    MoveTop(LabelSoft, bottom - 8 - 3 * (LabelURL->height() + 1));
    MoveTop(LabelVarnel, LabelSoft->y() + LabelSoft->height() + 1);
    MoveTop(LabelURL, LabelVarnel->y() + LabelVarnel->height() + 1);
}

void FigurePanel::MoveSecondLink(int dy) { MoveTop(lblTelegram, lblTelegram->y() + dy); }

void FigurePanel::ShowTitles(bool show) {
    LabelUnconstrained->setVisible(show);
    LabelTarvik->setVisible(show);
}

void FigurePanel::ShowAbout(bool show) {
    for (QLabel* l : {LabelURL, LabelSoft, LabelVarnel, lblTelegram}) l->setVisible(show);
}

QWidgetList FigurePanel::FocusOrder() const { return {LabelURL, lblTelegram}; }

bool FigurePanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched != LabelURL && watched != lblTelegram) return QFrame::eventFilter(watched, event);
    bool open = event->type() == QEvent::MouseButtonRelease;
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        open = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
    }
    if (open) emit linkClicked(watched->property("tarvikUrl").toString());
    return QFrame::eventFilter(watched, event);
}

} // namespace tarvik::ui
