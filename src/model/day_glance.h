#pragma once

#include "model/records.h"
#include "platform/instant.h"

#include <QList>
#include <QUuid>

#include <optional>

namespace vorn {

// One open task as the panel shows it: when it is due and how many whole
// minutes remain until then (negative once it runs over).
struct GlanceTask {
    QUuid id;
    QString title;
    std::optional<Instant> finishTime;
    qint64 minutesLeft = 0;

    bool operator==(const GlanceTask&) const = default;
};

// The day at a glance: the task at hand (the first open one in display order),
// the few after it, and the counts.
struct DayGlance {
    std::optional<GlanceTask> current;
    QList<GlanceTask> next;
    int openCount = 0;
    int doneCount = 0;
};

// `tasks` in display order. Minutes left round up, so a task due in 30 s still
// has 1 minute and one due 30 s ago has 0.
DayGlance glanceAtDay(const QList<TaskItem>& tasks, Instant now, int nextCount = 3);

} // namespace vorn
