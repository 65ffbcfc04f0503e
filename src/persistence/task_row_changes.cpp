#include "persistence/task_row_changes.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace vorn {

namespace {

// Whether `after` is `before` with only the finish time moved, and by how much
// (nullopt for "any": both have none).
bool finishShiftOnly(const TaskItem& before, const TaskItem& after, std::optional<double>& delta) {
    if (before.id != after.id || before.title != after.title ||
        before.durationMinutes != after.durationMinutes || before.isCompleted != after.isCompleted ||
        before.completedAt != after.completedAt || before.sectionID != after.sectionID ||
        before.startedAt != after.startedAt || before.finishTime.has_value() != after.finishTime.has_value())
        return false;
    delta.reset();
    if (!before.finishTime)
        return true;
    const double d = *after.finishTime - *before.finishTime;
    // The database adds the same double; the result must be the new time exactly.
    if (*before.finishTime + d != *after.finishTime)
        return false;
    delta = d;
    return true;
}

struct OpenShift {
    TaskRowShift shift;
    bool anyFinish = true; // no row of it has a finish time yet
};

} // namespace

std::optional<TaskRowChanges> taskRowChanges(const QList<TaskItem>& before, const QList<TaskItem>& after) {
    // Rows at the same place from the start or from the end are paired without
    // hashing; an edit leaves most of the list there.
    const qsizetype common = std::min(before.size(), after.size());
    qsizetype head = 0;
    while (head < common && before.at(head).id == after.at(head).id)
        ++head;
    qsizetype tail = 0;
    while (tail < common - head &&
           before.at(before.size() - 1 - tail).id == after.at(after.size() - 1 - tail).id)
        ++tail;

    QList<qsizetype> newIndex(before.size(), -1); // -1: removed
    for (qsizetype j = 0; j < head; ++j)
        newIndex[j] = j;
    for (qsizetype k = 1; k <= tail; ++k)
        newIndex[before.size() - k] = after.size() - k;

    QHash<QUuid, qsizetype> oldIndex;
    oldIndex.reserve(before.size() - head - tail);
    for (qsizetype j = head; j < before.size() - tail; ++j) {
        if (oldIndex.contains(before.at(j).id))
            return std::nullopt;
        oldIndex.insert(before.at(j).id, j);
    }
    // An ID of the new list that repeats one paired above is taken for a new
    // row; its insert then fails on the primary key, as a whole rewrite would.
    TaskRowChanges changes;
    QSet<QUuid> addedIDs;
    for (qsizetype i = head; i < after.size() - tail; ++i) {
        const qsizetype j = oldIndex.value(after.at(i).id, -1);
        if (j < 0) {
            if (addedIDs.contains(after.at(i).id))
                return std::nullopt;
            addedIDs.insert(after.at(i).id);
            changes.added.append(i);
        } else if (newIndex.at(j) >= 0) {
            return std::nullopt;
        } else {
            newIndex[j] = i;
        }
    }

    std::optional<OpenShift> open;
    const auto close = [&] {
        if (open)
            changes.shifts.append(open->shift);
        open.reset();
    };
    for (qsizetype j = 0; j < before.size(); ++j) {
        const qsizetype i = newIndex.at(j);
        if (i < 0) {
            // Deleted first, so a shift may run across it.
            changes.removed.append(before.at(j).id);
            continue;
        }
        const qint64 orderDelta = i - j;
        std::optional<double> finishDelta;
        if (orderDelta == 0 && before.at(j) == after.at(i)) {
            close();
        } else if (finishShiftOnly(before.at(j), after.at(i), finishDelta)) {
            const bool joins = open && open->shift.orderDelta == orderDelta &&
                               (!finishDelta || open->anyFinish || open->shift.finishDelta == *finishDelta);
            if (!joins) {
                close();
                open = OpenShift{{j, j, orderDelta, 0}, true};
            }
            open->shift.lastOrder = j;
            if (finishDelta && open->anyFinish) {
                open->shift.finishDelta = *finishDelta;
                open->anyFinish = false;
            }
        } else {
            close();
            changes.updated.append(i);
        }
    }
    close();

    if (changes.shifts.size() > kMaxTaskRowShifts) {
        QList<TaskRowShift> longest = changes.shifts;
        std::stable_sort(longest.begin(), longest.end(), [](const TaskRowShift& x, const TaskRowShift& y) {
            return x.lastOrder - x.firstOrder > y.lastOrder - y.firstOrder;
        });
        for (qsizetype k = kMaxTaskRowShifts; k < longest.size(); ++k) {
            for (qint64 j = longest.at(k).firstOrder; j <= longest.at(k).lastOrder; ++j) {
                if (newIndex.at(j) >= 0)
                    changes.updated.append(newIndex.at(j));
            }
        }
        longest.resize(kMaxTaskRowShifts);
        std::sort(longest.begin(), longest.end(),
                  [](const TaskRowShift& x, const TaskRowShift& y) { return x.firstOrder < y.firstOrder; });
        changes.shifts = longest;
    }
    return changes;
}

} // namespace vorn
