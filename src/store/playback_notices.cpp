#include "store/playback_notices.h"

#include <QCoreApplication>

namespace vorn {

std::optional<QString> PlaybackNotices::noticeFor(const FishAudioError& error, Instant now) {
    if (error.kind == FishAudioError::Kind::noOutputDevice) {
        if (m_toldNoDevice)
            return std::nullopt;
        m_toldNoDevice = true;
        return error.description();
    }
    // A clock set back counts as time gone by: better one line too many than silence.
    if (m_lastFailureNotice && now >= *m_lastFailureNotice &&
        now - *m_lastFailureNotice < kRepeatAfterSeconds)
        return std::nullopt;
    m_lastFailureNotice = now;
    QString reason = error.description().trimmed();
    if (!reason.endsWith(QLatin1Char('.')))
        reason += QLatin1Char('.');
    return QCoreApplication::translate("ChatLog", "Speech failed: %1 Vorn writes instead.").arg(reason);
}

} // namespace vorn
