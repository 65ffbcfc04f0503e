#pragma once

#include "model/records.h"

#include <QString>

namespace vorn {

class AudioOutput;

// The short alert that sounds whenever a boss message enters the chat, one
// per mode. The sounds ship inside the application as ":/sounds/<name>.wav".
class NotificationSoundService {
public:
    // "Tink" for Normal, "Basso" for Demon, "Glass" for Messianic.
    static QString soundName(BossAIMode mode);
    static QString soundResource(BossAIMode mode);

    // Starts the mode's sound without waiting, or beeps when it cannot be
    // loaded. Never fails. `output` nullptr means the default output.
    static void play(BossAIMode mode, AudioOutput* output = nullptr);
};

} // namespace vorn
