#pragma once

#include "platform/instant.h"
#include "services/fish_audio_service.h"

#include <QString>

#include <optional>

namespace vorn {

// Telling the user that a message was written but not spoken, without getting
// in the way: a missing sound device is told once per run, any other playback
// failure at most once a minute. The lines go to the chat, never to a dialog.
class PlaybackNotices {
public:
    static constexpr double kRepeatAfterSeconds = 60;

    // The chat line for `error` at `now`; nothing when the user was told
    // recently enough (and then nothing is remembered).
    std::optional<QString> noticeFor(const FishAudioError& error, Instant now);

private:
    bool m_toldNoDevice = false;
    std::optional<Instant> m_lastFailureNotice;
};

} // namespace vorn
