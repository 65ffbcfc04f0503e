// Drag and drop in the outline: tasks before tasks, tasks into folders, and
// top-level folders among themselves.
#include "model/outline_edit.h"
#include "store/task_store_editing_support.h"

namespace vorn {

void TaskStore::moveOutlineTask(const QUuid& draggedID, const QUuid& targetID) {
    const OutlineChange change(*this);
    if (draggedID == targetID)
        return;
    if (const std::optional<Workspace> edited =
            outline::reorderTopLevelTask(workspace(), draggedID, targetID)) {
        recordUndoSnapshot();
        editing::adopt(*this, *edited);
        editing::reorderAndReschedule(*this);
        persistWorkspace();
        return;
    }
    moveTask(draggedID, targetID);
}

namespace {

// A task moved to another place: one undo step, the new order and times, the
// overdue bookkeeping of every task cleared, activity noted, saved.
void applyTaskMove(TaskStore& store, const std::optional<Workspace>& edited) {
    if (!edited)
        return;
    store.recordUndoSnapshot();
    editing::adopt(store, *edited);
    editing::reorderAndReschedule(store);
    store.clearOverdueNotificationCooldowns(0);
    store.recordActivity();
    store.persistWorkspace();
}

} // namespace

void TaskStore::moveTask(const QUuid& draggedID, const QUuid& targetID) {
    const OutlineChange change(*this);
    applyTaskMove(*this, outline::moveTask(workspace(), draggedID, targetID));
}

void TaskStore::moveTask(const QUuid& taskID, const QUuid& toSection, const std::optional<QUuid>& before) {
    const OutlineChange change(*this);
    applyTaskMove(*this, outline::moveTaskToSection(workspace(), taskID, toSection, before));
}

void TaskStore::moveOutlineSection(const QUuid& sectionID, const std::optional<QUuid>& before) {
    const OutlineChange change(*this);
    const std::optional<Workspace> edited = outline::reorderTopLevelSection(workspace(), sectionID, before);
    if (!edited)
        return;
    recordUndoSnapshot();
    editing::adopt(*this, *edited);
    moveSection(sectionID, before);
}

void TaskStore::moveSection(const QUuid& sectionID, const std::optional<QUuid>& before) {
    const OutlineChange change(*this);
    const std::optional<Workspace> edited = outline::moveSection(workspace(), sectionID, before);
    if (!edited)
        return;
    editing::adopt(*this, *edited);
    editing::reorderAndReschedule(*this);
    persistWorkspace();
}

} // namespace vorn
