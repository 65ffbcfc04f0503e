#pragma once

// What the outline edits share between their files: small steps on the root
// order and the section tree. Not for use outside model/.
#include "model/outline.h"
#include "model/outline_edit.h"
#include "model/outline_index.h"

#include <QSet>

#include <algorithm>
#include <utility>

namespace vorn::outline::detail {

inline constexpr qint64 kNewTaskMinutes = 30;
inline constexpr qint64 kShortestMinutes = 1;
inline constexpr qint64 kLongestMinutes = 120;

// Position of the group whose header is the task; -1 when it has none.
qsizetype groupIndex(const QList<TaskSection>& sections, const QUuid& headerTaskID);
void removeTaskEntries(QList<OutlineEntry>& order, const QUuid& id);
void removeSectionEntries(QList<OutlineEntry>& order, const QSet<QUuid>& ids);
// The next sort order after `highest`, saturating.
int nextSortOrder(int highest);
// The section-tree order of the section: its child sections' orders, then its own tasks.
QList<QUuid> treeOrder(const OutlineIndex& index, const QUuid& sectionID);
// Puts `id` into the root order directly before the entry of `before`, or at the end.
void insertTaskEntryBefore(QList<OutlineEntry>& order, const QUuid& id, const std::optional<QUuid>& before);
bool isRoot(const Workspace& ws, const QUuid& sectionID);

// Section-tree order with `id` taken out and put back at the position `place`
// chooses from the order without it.
template <typename Place> void placeInTreeOrder(Workspace& ws, const QUuid& id, Place&& place) {
    QList<QUuid> order = fullDisplayOrder(ws);
    order.removeAll(id);
    const qsizetype at = std::clamp<qsizetype>(place(std::as_const(order)), 0, order.size());
    order.insert(at, id);
    if (auto arranged = tasksInOrder(ws.tasks, order))
        ws.tasks = std::move(*arranged);
}

} // namespace vorn::outline::detail
