#pragma once

// How the `tasks` table moves from one saved list to the next. Each row's
// sort_order is its index in the list, and the finish times are a running sum,
// so an edit in the middle of the day shifts both by the same amounts for every
// row after it. Those rows are described as ranges of their old sort_order and
// moved by one UPDATE; only rows that changed otherwise are written one by one.

#include "model/records.h"

#include <QList>

#include <optional>

namespace vorn {

// The rows whose old sort_order lies in [firstOrder, lastOrder] (and that are
// kept) move by orderDelta and have finishDelta added to their finish time.
struct TaskRowShift {
    qint64 firstOrder = 0;
    qint64 lastOrder = 0;
    qint64 orderDelta = 0;
    double finishDelta = 0;

    bool operator==(const TaskRowShift&) const = default;
};

struct TaskRowChanges {
    QList<QUuid> removed;
    QList<TaskRowShift> shifts; // ascending and disjoint
    QList<qsizetype> updated;   // indexes into the new list: rows written whole, by ID
    QList<qsizetype> added;     // indexes into the new list: rows inserted
};

// At most this many shifts go into one statement; the rows of the shortest
// beyond it are written one by one instead.
inline constexpr qsizetype kMaxTaskRowShifts = 16;

// What turns a table holding `before` (sort_order = index) into one holding
// `after`: applied as deletes, then the shifts, then the updates, then the
// inserts. `before` holds distinct IDs (it is what the table holds); nullopt
// when an ID of `after` is seen repeating.
std::optional<TaskRowChanges> taskRowChanges(const QList<TaskItem>& before, const QList<TaskItem>& after);

} // namespace vorn
