#pragma once
// The replay of an ended run under its figure: first, previous, play/pause,
// next, last and a speed. It only counts positions 0..count-1; the window
// shows what a position stands for.
#include <QTimer>
#include <QWidget>

class QComboBox;
class QLabel;
class QToolButton;

namespace tarvik::ui {

class ReplayBar : public QWidget {
    Q_OBJECT
public:
    explicit ReplayBar(QWidget* parent);

    QToolButton* BtnFirst = nullptr;
    QToolButton* BtnPrevious = nullptr;
    QToolButton* BtnPlay = nullptr;
    QToolButton* BtnNext = nullptr;
    QToolButton* BtnLast = nullptr;
    QComboBox* CmbSpeed = nullptr;
    QLabel* LabPosition = nullptr;

    // A new replay of count positions, standing at the last (not playing).
    void Reset(int count);
    int Position() const { return position_; }
    int Count() const { return count_; }
    bool Playing() const { return timer_.isActive(); }
    void MoveTo(int position);
    void SetPositionText(const QString& text);

signals:
    // The user moved the replay (also by playing).
    void positionChanged(int position);

private:
    void Play(bool play);

    QTimer timer_;
    int position_ = 0;
    int count_ = 0;
};

} // namespace tarvik::ui
