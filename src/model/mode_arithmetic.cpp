#include "model/mode_arithmetic.h"

#include "platform/random_source.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace vorn::boss {

double clampUrgency(double urgency) {
    if (std::isnan(urgency))
        return 0;
    return std::clamp(urgency, 0.0, 100.0);
}

double demonProbability(double urgency) {
    return std::min(std::max(urgency / 120.0 * 100.0, 1.0), 85.0);
}

ModeProbabilities modeProbabilities(double urgency, int recentCompletions, bool demonLock) {
    if (demonLock)
        return {0, 100, 0};
    if (urgency < 35 && recentCompletions >= 2)
        return {100, 0, 0};
    const double p = demonProbability(urgency);
    return {0, p, 100 - p};
}

BossAIMode selectMode(const ModeInputs& in, RandomSource& random) {
    if (!in.hasTasks || in.motivationalPhase)
        return BossAIMode::messianic;
    if (in.surgeActive || in.demonLock)
        return BossAIMode::demon;
    if (in.urgency < 35 && in.recentCompletions > 1)
        return BossAIMode::messianic;
    const double r = random.uniform(0, 100);
    return r < demonProbability(in.urgency) ? BossAIMode::demon : BossAIMode::normal;
}

bool demonLockHolds(double elapsedSeconds, qint64 durationMinutes) {
    const double allowed = static_cast<double>(std::max<qint64>(durationMinutes, 1)) * 60.0;
    return elapsedSeconds / allowed >= 1.5;
}

Mood mood(bool surgeActive, bool demonShown, bool motivationalPhase, const ModeProbabilities& probabilities,
          double demonModeProbability) {
    const QString angry = QStringLiteral("VornAngry");
    const QString happy = QStringLiteral("VornHappy");
    if (surgeActive)
        return {angry, QCoreApplication::translate("Mood", "⚡ SURGE MODE"),
                QCoreApplication::translate("Mood", "Time cut in half in this list — move now"),
                MoodColor::red};
    if (demonShown)
        return {angry, QCoreApplication::translate("Mood", "Demon Mode"),
                QCoreApplication::translate("Mood", "No excuses. Execute."), MoodColor::red};
    if (motivationalPhase || probabilities.messianic >= 99)
        return {happy, QCoreApplication::translate("Mood", "Mission Mode"),
                QCoreApplication::translate("Mood", "Build the future"), MoodColor::orange};
    // Truncated toward zero: 37.5 shows as 37.
    const auto percent = static_cast<long long>(std::trunc(demonModeProbability));
    return {happy, QCoreApplication::translate("Mood", "Normal Mode"),
            QCoreApplication::translate("Mood", "Demon chance %1%").arg(percent), MoodColor::blue};
}

} // namespace vorn::boss
