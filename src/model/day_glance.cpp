#include "model/day_glance.h"

#include <cmath>

namespace vorn {

namespace {

GlanceTask glance(const TaskItem& task, Instant now) {
    GlanceTask result{task.id, task.title, task.finishTime, 0};
    if (task.finishTime)
        result.minutesLeft = static_cast<qint64>(std::ceil((*task.finishTime - now) / 60.0));
    return result;
}

} // namespace

DayGlance glanceAtDay(const QList<TaskItem>& tasks, Instant now, int nextCount) {
    DayGlance day;
    for (const TaskItem& task : tasks) {
        if (task.isCompleted) {
            ++day.doneCount;
            continue;
        }
        ++day.openCount;
        if (!day.current)
            day.current = glance(task, now);
        else if (day.next.size() < nextCount)
            day.next.append(glance(task, now));
    }
    return day;
}

} // namespace vorn
