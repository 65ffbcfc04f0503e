#pragma once

#include "platform/result.h"
#include "services/fish_audio_service.h"

#include <QByteArray>
#include <QObject>

#include <memory>
#include <variant>

namespace vorn {

class AudioOutput;
class AudioPlayback;

// Plays synthesized speech, one message at a time: each new playback cuts off
// the previous one. Main thread only.
class SpeechPlayer : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isPlaying READ isPlaying NOTIFY isPlayingChanged)

public:
    static constexpr float minimumRate = 0.5f;
    static constexpr float maximumRate = 2.0f;

    // `output` nullptr plays through the default output (audio_output.h),
    // looked up at each play.
    explicit SpeechPlayer(AudioOutput* output = nullptr, QObject* parent = nullptr);
    ~SpeechPlayer() override;

    // The process-wide player, created on first use.
    static SpeechPlayer& shared();

    // True while a playback this player started is running.
    bool isPlaying() const { return m_isPlaying; }

    // Whether there is a device to play speech on now.
    bool hasOutputDevice() const;

    // Stops what is playing, then starts `data` (MP3) at `rate`, clamped to
    // 0.5…2.0, and returns without waiting for the end. Bytes that are not MP3
    // fail at once, so does a system without a sound device (noOutputDevice);
    // a player that will not start fails with "Could not play audio.". Either
    // way nothing plays afterwards.
    Result<std::monostate, FishAudioError> play(const QByteArray& data, float rate);

    // Stops and forgets the current playback.
    void stop();

    static float clampedRate(float rate);

signals:
    void isPlayingChanged(bool isPlaying);

private:
    void setPlaying(bool playing);
    void playbackFinished(quint64 generation);
    AudioOutput& output() const;

    AudioOutput* m_output;
    std::unique_ptr<AudioPlayback> m_player;
    quint64 m_generation = 0; // names the current playback in its end report
    bool m_isPlaying = false;
};

} // namespace vorn
