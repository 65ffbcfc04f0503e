#pragma once

#include "model/records.h"
#include "model/workspace.h"

#include <optional>

// Laying the day out: open tasks end to end from the schedule start, completed
// tasks kept at the time they were really finished.
namespace vorn::schedule {

// Sets every task's finishTime along the array. Returns true when any changed.
bool recalculateFinishTimes(QList<TaskItem>& tasks, Instant scheduleStart);
// When the task starts: the schedule start for the first (or an unknown) task,
// else the predecessor's completedAt (when completed), else its finishTime.
Instant taskStartTime(const QList<TaskItem>& tasks, const QUuid& taskID, Instant scheduleStart);
// The latest finish among the tasks of the section and its sub-sections.
std::optional<Instant> sectionFinishTime(const Workspace& ws, const QUuid& sectionID);

} // namespace vorn::schedule

namespace vorn::TimeCalculator {

// Minutes from typed text ("90", "1h 30m", "2h", "45m"), at least 1; nullopt when invalid.
std::optional<qint64> parseDurationInput(const QString& text);
// "%d:%02d left" from the seconds truncated toward zero.
QString formatRemaining(double seconds);
// Seconds until the surge ends, when it ends after `now`.
std::optional<double> surgeRemaining(const std::optional<Instant>& surgeModeUntil, Instant now);

} // namespace vorn::TimeCalculator
