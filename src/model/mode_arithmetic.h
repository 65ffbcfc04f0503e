#pragma once

#include "model/mode_probabilities.h"
#include "model/records.h"

#include <QString>

namespace vorn {
class RandomSource;
}

// The numbers behind the boss's mood: urgency, the Demon chance, the mode
// probabilities, the choice of a mode and the mood banner's texts.
namespace vorn::boss {

// Urgency changes made by the boss engine stay within 0 … 100.
double clampUrgency(double urgency);

// The Demon chance in percent for an urgency: u / 120 × 100, at least 1, at most 85.
double demonProbability(double urgency);

// The published probabilities from the urgency, the completions of the last
// 48 hours and the Demon lock.
ModeProbabilities modeProbabilities(double urgency, int recentCompletions, bool demonLock);

struct ModeInputs {
    bool hasTasks = false;
    bool motivationalPhase = false;
    bool surgeActive = false;
    bool demonLock = false;
    double urgency = 0;
    int recentCompletions = 0;
};

// The mode of the next boss message; draws from `random` only when nothing
// forces the mode.
BossAIMode selectMode(const ModeInputs& inputs, RandomSource& random);

// Whether the active task runs so far over its time that Demon mode locks on.
bool demonLockHolds(double elapsedSeconds, qint64 durationMinutes);

enum class MoodColor { red, orange, blue };

struct Mood {
    QString imageName;
    QString headline;
    QString subtitle;
    MoodColor accentColor = MoodColor::blue;

    bool operator==(const Mood&) const = default;
};

// `demonShown`: the Demon lock is set or the last boss message was in Demon mode.
Mood mood(bool surgeActive, bool demonShown, bool motivationalPhase, const ModeProbabilities& probabilities,
          double demonModeProbability);

} // namespace vorn::boss
