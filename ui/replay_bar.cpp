#include "ui/replay_bar.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <algorithm>

#include "ui/hint_text.h"

namespace tarvik::ui {

namespace {

QToolButton* NewTool(QWidget* parent, const char* name, const QString& text, const QString& hint) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(text);
    b->setAutoRaise(false);
    SetHint(b, hint);
    return b;
}

// Iterations a second at each speed of the list.
constexpr int kRates[] = {2, 5, 10, 25, 100};

} // namespace

ReplayBar::ReplayBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ReplayBar"));
    setAutoFillBackground(true);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(3);
    BtnFirst = NewTool(this, "BtnReplayFirst", QStringLiteral("|<"), QStringLiteral("| Replay: the starting point"));
    BtnPrevious = NewTool(this, "BtnReplayPrevious", QStringLiteral("<"), QStringLiteral("| Replay: one iteration back"));
    BtnPlay = NewTool(this, "BtnReplayPlay", QStringLiteral("Play"), QStringLiteral("| Replay: play or pause"));
    BtnNext = NewTool(this, "BtnReplayNext", QStringLiteral(">"), QStringLiteral("| Replay: one iteration on"));
    BtnLast = NewTool(this, "BtnReplayLast", QStringLiteral(">|"), QStringLiteral("| Replay: the last iteration"));
    CmbSpeed = new QComboBox(this);
    CmbSpeed->setObjectName(QStringLiteral("CmbReplaySpeed"));
    for (int rate : kRates) CmbSpeed->addItem(QStringLiteral("%1 it/s").arg(rate));
    CmbSpeed->setCurrentIndex(1);
    SetHint(CmbSpeed, QStringLiteral("| Replay: iterations a second"));
    LabPosition = new QLabel(this);
    LabPosition->setObjectName(QStringLiteral("LabReplayPosition"));
    for (QWidget* w : std::initializer_list<QWidget*>{BtnFirst, BtnPrevious, BtnPlay, BtnNext, BtnLast, CmbSpeed})
        row->addWidget(w);
    row->addWidget(LabPosition, 1);

    connect(BtnFirst, &QToolButton::clicked, this, [this] { Play(false); MoveTo(0); });
    connect(BtnPrevious, &QToolButton::clicked, this, [this] { Play(false); MoveTo(position_ - 1); });
    connect(BtnNext, &QToolButton::clicked, this, [this] { Play(false); MoveTo(position_ + 1); });
    connect(BtnLast, &QToolButton::clicked, this, [this] { Play(false); MoveTo(count_ - 1); });
    connect(BtnPlay, &QToolButton::clicked, this, [this] {
        // Play from the end starts again from the beginning.
        if (!Playing() && position_ >= count_ - 1) MoveTo(0);
        Play(!Playing());
    });
    connect(CmbSpeed, qOverload<int>(&QComboBox::activated), this, [this] {
        if (Playing()) Play(true);
    });
    connect(&timer_, &QTimer::timeout, this, [this] {
        MoveTo(position_ + 1);
        if (position_ >= count_ - 1) Play(false);
    });
}

void ReplayBar::Reset(int count) {
    Play(false);
    count_ = std::max(0, count);
    position_ = std::max(0, count_ - 1);
}

void ReplayBar::MoveTo(int position) {
    if (count_ == 0) return;
    position_ = std::clamp(position, 0, count_ - 1);
    emit positionChanged(position_);
}

void ReplayBar::SetPositionText(const QString& text) { LabPosition->setText(text); }

void ReplayBar::Play(bool play) {
    if (play) {
        const int rate = kRates[std::clamp(CmbSpeed->currentIndex(), 0, static_cast<int>(std::size(kRates)) - 1)];
        timer_.start(1000 / rate);
    } else {
        timer_.stop();
    }
    BtnPlay->setText(play ? QStringLiteral("Pause") : QStringLiteral("Play"));
}

} // namespace tarvik::ui
