#include "ui/sound_player.h"

#include <QFileInfo>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

#include "ui/media_files.h"

namespace tarvik::ui {

SoundPlayer::SoundPlayer(QObject* parent) : QObject(parent) {}

bool SoundPlayer::AudioAvailable() {
    // Probed on first use: asking for devices starts the audio back end,
    // which a program that never plays anything should not pay for.
    if (audioState_ < 0) {
        if (qEnvironmentVariableIsSet("TARVIK_NO_AUDIO"))
            audioState_ = 0;
        else
            audioState_ = QMediaDevices::audioOutputs().isEmpty() ? 0 : 1;
    }
    return audioState_ == 1;
}

void SoundPlayer::Play(const QString& fileName) {
    // The window plays a sound at every run's end: keep only the latest few
    // requests so that a long session does not accumulate them.
    if (requested_.size() >= kRequestsKept) requested_.removeFirst();
    requested_.append(fileName);
    const QString path = MediaPath(fileName);
    if (!QFileInfo::exists(path) || !AudioAvailable()) return;
    if (effect_ == nullptr) effect_ = new QSoundEffect(this);
    effect_->stop();
    effect_->setSource(QUrl::fromLocalFile(path));
    effect_->play();
}

} // namespace tarvik::ui
