#pragma once
// Asynchronous playback of the .wav files of Media. A new sound replaces the
// one still playing. Without a sound file or an audio device it stays silent:
// sounds are a courtesy, never a reason for a message.
#include <QObject>
#include <QString>
#include <QStringList>

class QSoundEffect;

namespace tarvik::ui {

class SoundPlayer : public QObject {
    Q_OBJECT
public:
    explicit SoundPlayer(QObject* parent = nullptr);

    void Play(const QString& fileName);

    // The latest names asked for, oldest first (whether or not they could be
    // heard); at most kRequestsKept.
    static constexpr int kRequestsKept = 8;
    const QStringList& Requested() const { return requested_; }
    void ClearRequested() { requested_.clear(); }

private:
    bool AudioAvailable();

    QSoundEffect* effect_ = nullptr;
    int audioState_ = -1;  // -1 not probed yet, 0 no device, 1 device present
    QStringList requested_;
};

} // namespace tarvik::ui
