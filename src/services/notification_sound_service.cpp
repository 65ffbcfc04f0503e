#include "services/notification_sound_service.h"

#include "platform/log.h"
#include "services/audio_output.h"

namespace vorn {

QString NotificationSoundService::soundName(BossAIMode mode) {
    switch (mode) {
    case BossAIMode::normal:
        return QStringLiteral("Tink");
    case BossAIMode::demon:
        return QStringLiteral("Basso");
    case BossAIMode::messianic:
        return QStringLiteral("Glass");
    }
    return QStringLiteral("Tink");
}

QString NotificationSoundService::soundResource(BossAIMode mode) {
    return QStringLiteral(":/sounds/") + soundName(mode) + QStringLiteral(".wav");
}

void NotificationSoundService::play(BossAIMode mode, AudioOutput* output) {
    AudioOutput& out = output ? *output : defaultAudioOutput();
    if (out.playAlert(soundResource(mode)))
        return;
    qCWarning(lcAudio).noquote() << "No alert sound" << soundName(mode) << "- beeping instead";
    out.beep();
}

} // namespace vorn
