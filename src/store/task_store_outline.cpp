// The store's outline queries and the schedule: thin calls into the pure
// functions over the workspace.
#include "store/task_store.h"

#include "model/outline.h"
#include "model/schedule.h"

namespace vorn {

std::optional<QUuid> TaskStore::rootSectionID() const {
    return outline::rootSectionID(m_workspace);
}

QString TaskStore::sectionTitle(const QUuid& sectionID) const {
    return outline::sectionTitle(m_workspace, sectionID);
}

QList<TaskSection> TaskStore::childSections(const std::optional<QUuid>& parent) const {
    return outline::childSections(m_workspace, parent);
}

std::optional<TaskSection> TaskStore::childSection(const QUuid& headerTaskID) const {
    return outline::childSectionForHeaderTask(m_workspace, headerTaskID);
}

QList<TaskItem> TaskStore::tasksIn(const QUuid& sectionID) const {
    return outline::tasksInSection(m_workspace, sectionID);
}

QList<QUuid> TaskStore::orderedTaskIDs(const QUuid& sectionID) const {
    return outline::orderedTaskIDs(m_workspace, sectionID);
}

QList<QUuid> TaskStore::fullDisplayOrder() const {
    return outline::fullDisplayOrder(m_workspace);
}

QList<OutlineEntry> TaskStore::computeOutlineOrderSnapshot() const {
    return outline::computeOutlineOrderSnapshot(m_workspace);
}

QList<OutlineEntry> TaskStore::activeOutlineOrder() const {
    return outline::activeOutlineOrder(m_workspace);
}

QList<OutlineRow> TaskStore::outlineRows() const {
    return outline::outlineRows(m_workspace);
}

void TaskStore::ensureTasksInDisplayOrder() {
    const OutlineChange change(*this);
    if (auto reordered = outline::tasksInDisplayOrder(m_workspace))
        setTasks(std::move(*reordered));
}

void TaskStore::recalculateFinishTimes() {
    const OutlineChange change(*this);
    QList<TaskItem> updated = tasks();
    if (schedule::recalculateFinishTimes(updated, m_scheduleStartTime))
        setTasks(std::move(updated));
}

Instant TaskStore::taskStartTime(const QUuid& taskID) const {
    return schedule::taskStartTime(tasks(), taskID, m_scheduleStartTime);
}

std::optional<Instant> TaskStore::sectionFinishTime(const QUuid& sectionID) const {
    return schedule::sectionFinishTime(m_workspace, sectionID);
}

} // namespace vorn
