#include "ui/status_bar.h"

#include <QLabel>
#include <QProgressBar>
#include <QToolButton>
#include <algorithm>

#include "ui/app_glyphs.h"
#include "ui/hint_text.h"

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

void TStatusBar::SetPanelText(int index, const QString& text) {
    Panel(index)->setText(text);
    ++textChanges_;
}

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

namespace {

QToolButton* NewSmallButton(QWidget* parent, const char* name) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoRaise(false);
    // Tab reaches the tools; a mouse click leaves the focus where it is.
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

} // namespace

StatusBar::StatusBar(QWidget* parent) : TStatusBar(6, parent) {
    setObjectName(QStringLiteral("StatusBar1"));

    BitBtnSoundYes = NewSmallButton(this, "BitBtnSoundYes");
    BitBtnSoundYes->setIcon(MakeSoundOnGlyph());
    SetHint(BitBtnSoundYes, QStringLiteral("Sound | Click to turn off a sound"));
    BitBtnSoundNo = NewSmallButton(this, "BitBtnSoundNo");
    BitBtnSoundNo->setIcon(MakeSoundOffGlyph());
    SetHint(BitBtnSoundNo, QStringLiteral("Sound | Click to turn on a sound"));
    BitBtnSoundNo->hide();
    BitBtnAbout = NewSmallButton(this, "BitBtnAbout");
    BitBtnAbout->setIcon(MakeHelpGlyph());
    SetHint(BitBtnAbout, QStringLiteral("Help (Help system is under construction) | General information about Tarvik"));
    BitBtnAbout->setEnabled(false);
    BitBtnFun = NewSmallButton(this, "BitBtnFun");
    BitBtnFun->setText(QStringLiteral("F"));
    SetHint(BitBtnFun, QStringLiteral("Tune the function | Click to tune the function parameters"));
    BitBtnMet = NewSmallButton(this, "BitBtnMet");
    BitBtnMet->setText(QStringLiteral("M"));
    SetHint(BitBtnMet, QStringLiteral("Tune the Method  | Click to tune the method parameters"));
    for (QToolButton* b : {BitBtnFun, BitBtnMet}) {
        QFont font = b->font();
        font.setBold(true);
        b->setFont(font);
    }

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setMaximum(0);
    SetHint(ProgressBar1, QStringLiteral("Progress of the current iteration"));
    ProgressBar1->hide();

    connect(BitBtnSoundYes, &QToolButton::clicked, this, [this] { emit soundSwitched(false); });
    connect(BitBtnSoundNo, &QToolButton::clicked, this, [this] { emit soundSwitched(true); });
    connect(BitBtnFun, &QToolButton::clicked, this, [this] { emit functionToolClicked(); });
    connect(BitBtnMet, &QToolButton::clicked, this, [this] { emit methodToolClicked(); });
}

void StatusBar::ArrangeTools(int firstWidth, int right) {
    SetPanelWidth(0, firstWidth);
    for (int i = 1; i <= 4; ++i) SetPanelWidth(i, height());
    const int p0 = PanelWidth(0);
    const int p1 = PanelWidth(1);
    ProgressBar1->setGeometry(p0 + 4 * p1, 2, right - p0 - 4 * p1, height() - 2);

    const int smallTop = 3;
    const int smallHeight = height() - 4;
    BitBtnSoundYes->setGeometry(p0 + 3, smallTop, p1 - 4, smallHeight);
    BitBtnSoundNo->setGeometry(BitBtnSoundYes->geometry());
    BitBtnAbout->setGeometry(BitBtnSoundYes->x() + p1, smallTop, PanelWidth(2) - 4, smallHeight);
    BitBtnFun->setGeometry(BitBtnAbout->x() + PanelWidth(2), smallTop, PanelWidth(3) - 4, smallHeight);
    BitBtnMet->setGeometry(BitBtnFun->x() + PanelWidth(3), smallTop, PanelWidth(4) - 4, smallHeight);
}

void StatusBar::WidenProgress(int dx) {
    ProgressBar1->resize(std::max(0, ProgressBar1->width() + dx), ProgressBar1->height());
}

void StatusBar::StartProgress(int maximum) {
    ProgressBar1->setMaximum(maximum);
    ProgressBar1->setValue(0);
    ProgressBar1->show();
}

void StatusBar::StepProgress() {
    if (ProgressBar1->value() < ProgressBar1->maximum()) ProgressBar1->setValue(ProgressBar1->value() + 1);
}

void StatusBar::HideProgress() { ProgressBar1->hide(); }

bool StatusBar::IsTool(const QWidget* widget) const {
    for (const QWidget* tool : std::initializer_list<const QWidget*>{BitBtnSoundYes, BitBtnSoundNo, BitBtnAbout,
                                                                     BitBtnFun, BitBtnMet, ProgressBar1})
        if (widget == tool) return true;
    return false;
}

QWidgetList StatusBar::FocusOrder() const { return {BitBtnSoundYes, BitBtnSoundNo, BitBtnAbout, BitBtnFun, BitBtnMet}; }

bool StatusBar::SoundOn() const { return !BitBtnSoundYes->isHidden(); }

void StatusBar::SetSoundOn(bool on) {
    BitBtnSoundYes->setVisible(on);
    BitBtnSoundNo->setVisible(!on);
}

} // namespace tarvik::ui
