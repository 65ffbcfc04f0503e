#pragma once

#include "model/records.h"
#include "platform/instant.h"

#include <optional>

namespace vorn {
class RandomSource;
}

// The arithmetic of ticking a task off, apart from the store that applies it.
namespace vorn::completion {

// On time unless finished after the planned finish; without one, on time.
bool isOnTime(const std::optional<Instant>& finishTime, Instant completedAt);
// Whole minutes from the start to the completion, at least one.
qint64 actualMinutes(Instant start, Instant completedAt);
// The counters after one more completion: an on-time one extends the streak
// (and the best one), a late one ends it.
GamificationState counted(GamificationState state, bool onTime);
// `state` without the latest completion, which was on time or not: the total
// and an on-time run shrink by one (a late one's broken run stays broken).
GamificationState withdrawn(GamificationState state, bool onTime);
// The urgency after a completion outside the Demon lock: down 8–15 on time,
// up 20–35 late, kept within the urgency range.
double urgencyAfter(double urgency, bool onTime, RandomSource& random);

} // namespace vorn::completion
