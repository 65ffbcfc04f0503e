#include "services/speech_player.h"

#include "platform/log.h"
#include "services/audio_output.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>

namespace vorn {

SpeechPlayer::SpeechPlayer(AudioOutput* output, QObject* parent) : QObject(parent), m_output(output) {}

SpeechPlayer::~SpeechPlayer() = default;

SpeechPlayer& SpeechPlayer::shared() {
    static QPointer<SpeechPlayer> player;
    if (!player)
        player = new SpeechPlayer(nullptr, QCoreApplication::instance());
    return *player;
}

AudioOutput& SpeechPlayer::output() const {
    return m_output ? *m_output : defaultAudioOutput();
}

bool SpeechPlayer::hasOutputDevice() const {
    return output().hasOutputDevice();
}

float SpeechPlayer::clampedRate(float rate) {
    return std::clamp(rate, minimumRate, maximumRate);
}

Result<std::monostate, FishAudioError> SpeechPlayer::play(const QByteArray& data, float rate) {
    stop();

    if (!looksLikeMp3(data)) {
        qCWarning(lcAudio) << "Speech is not MP3 audio," << data.size() << "bytes";
        return FishAudioError{
            FishAudioError::Kind::unreadableAudio,
            QCoreApplication::translate("Speech", "The speech audio could not be read: it is not MP3 data.")};
    }

    if (!hasOutputDevice())
        return FishAudioError::of(FishAudioError::Kind::noOutputDevice);
    std::unique_ptr<AudioPlayback> player = output().createPlayback(data);
    if (!player)
        return FishAudioError::api(QCoreApplication::translate("Speech", "Could not play audio."));

    // The end report is queued, so it is handled on this thread after the
    // current work; the generation tells whether it is about the playback
    // that is current by then.
    const quint64 generation = ++m_generation;
    connect(
        player.get(), &AudioPlayback::finished, this,
        [this, generation](bool) { playbackFinished(generation); }, Qt::QueuedConnection);
    player->setRate(clampedRate(rate));
    if (!player->start())
        return FishAudioError::api(QCoreApplication::translate("Speech", "Could not play audio."));

    m_player = std::move(player);
    setPlaying(true);
    return std::monostate{};
}

void SpeechPlayer::stop() {
    if (std::unique_ptr<AudioPlayback> player = std::move(m_player))
        player->stop();
    setPlaying(false);
}

void SpeechPlayer::playbackFinished(quint64 generation) {
    if (generation != m_generation || !m_player)
        return;
    m_player.reset();
    setPlaying(false);
}

void SpeechPlayer::setPlaying(bool playing) {
    if (m_isPlaying == playing)
        return;
    m_isPlaying = playing;
    emit isPlayingChanged(playing);
}

} // namespace vorn
