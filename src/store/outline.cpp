// The store's outline queries and the schedule: thin calls into the pure
// functions over the workspace.
#include "store/task_store.h"

#include "model/outline.h"
#include "model/schedule.h"

namespace vorn {

std::optional<QUuid> Outline::rootSectionID() const {
    return outline::rootSectionID(m_workspace);
}

QString Outline::sectionTitle(const QUuid& sectionID) const {
    return outline::sectionTitle(m_workspace, sectionID);
}

QList<TaskSection> Outline::childSections(const std::optional<QUuid>& parent) const {
    return outline::childSections(m_workspace, parent);
}

std::optional<TaskSection> Outline::childSection(const QUuid& headerTaskID) const {
    return outline::childSectionForHeaderTask(m_workspace, headerTaskID);
}

QList<TaskItem> Outline::tasksIn(const QUuid& sectionID) const {
    return outline::tasksInSection(m_workspace, sectionID);
}

QList<QUuid> Outline::orderedTaskIDs(const QUuid& sectionID) const {
    return outline::orderedTaskIDs(m_workspace, sectionID);
}

QList<QUuid> Outline::fullDisplayOrder() const {
    return outline::fullDisplayOrder(m_workspace);
}

QList<OutlineEntry> Outline::computeOutlineOrderSnapshot() const {
    return outline::computeOutlineOrderSnapshot(m_workspace);
}

QList<OutlineEntry> Outline::activeOutlineOrder() const {
    return outline::activeOutlineOrder(m_workspace);
}

QList<OutlineRow> Outline::outlineRows() const {
    return outline::outlineRows(m_workspace);
}

void Outline::ensureTasksInDisplayOrder() {
    const OutlineChange change(*this);
    if (auto reordered = outline::tasksInDisplayOrder(m_workspace))
        setTasks(std::move(*reordered));
}

void Outline::recalculateFinishTimes() {
    const OutlineChange change(*this);
    QList<TaskItem> updated = tasks();
    if (schedule::recalculateFinishTimes(updated, m_scheduleStartTime))
        setTasks(std::move(updated));
}

Instant Outline::taskStartTime(const QUuid& taskID) const {
    return schedule::taskStartTime(tasks(), taskID, m_scheduleStartTime);
}

std::optional<Instant> Outline::sectionFinishTime(const QUuid& sectionID) const {
    return schedule::sectionFinishTime(m_workspace, sectionID);
}

} // namespace vorn
