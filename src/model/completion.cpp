#include "model/completion.h"

#include "model/mode_arithmetic.h"
#include "platform/random_source.h"

#include <algorithm>
#include <cmath>

namespace vorn::completion {

bool isOnTime(const std::optional<Instant>& finishTime, Instant completedAt) {
    return !(finishTime.value_or(completedAt) < completedAt);
}

qint64 actualMinutes(Instant start, Instant completedAt) {
    return std::max<qint64>(static_cast<qint64>(std::trunc((completedAt - start) / 60.0)), 1);
}

GamificationState counted(GamificationState state, bool onTime) {
    state.totalCompletions += 1;
    if (onTime) {
        state.onTimeStreak += 1;
        state.bestOnTimeStreak = std::max(state.bestOnTimeStreak, state.onTimeStreak);
    } else {
        state.onTimeStreak = 0;
    }
    return state;
}

GamificationState withdrawn(GamificationState state, bool onTime) {
    state.totalCompletions = std::max(0, state.totalCompletions - 1);
    if (onTime && state.onTimeStreak > 0) {
        if (state.bestOnTimeStreak == state.onTimeStreak)
            state.bestOnTimeStreak -= 1;
        state.onTimeStreak -= 1;
    }
    return state;
}

double urgencyAfter(double urgency, bool onTime, RandomSource& random) {
    const double change = onTime ? -random.uniform(8, 15) : random.uniform(20, 35);
    return boss::clampUrgency(urgency + change);
}

} // namespace vorn::completion
