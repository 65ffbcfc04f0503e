// Adding, retitling, re-timing and removing tasks, and the insertion indexes
// and display order behind them.
#include "model/outline_edit.h"
#include "store/task_store_editing_support.h"

namespace vorn {

namespace editing {

void adopt(TaskStore& store, const Workspace& edited) {
    const Workspace& current = store.workspace();
    if (!edited.tasks.isSharedWith(current.tasks))
        store.setTasks(edited.tasks);
    if (!edited.sections.isSharedWith(current.sections))
        store.setSections(edited.sections);
    if (!edited.rootOutlineOrder.isSharedWith(current.rootOutlineOrder))
        store.setRootOutlineOrder(edited.rootOutlineOrder);
}

void reorderAndReschedule(TaskStore& store) {
    if (store.tasks().isEmpty())
        return;
    store.ensureTasksInDisplayOrder();
    store.recalculateFinishTimes();
}

} // namespace editing

QUuid TaskStore::addTask(const std::optional<QUuid>& after, const std::optional<QUuid>& in) {
    const OutlineChange change(*this);
    recordUndoSnapshot();
    const outline::AddedTask added = outline::addTask(workspace(), after, in);
    editing::adopt(*this, added.outline);
    editing::reorderAndReschedule(*this);
    recordActivity();
    persistWorkspace();
    setPendingTitleFocusID(added.taskID);
    setPendingTitleSelectAll(true);
    return added.taskID;
}

QUuid TaskStore::focusTaskBelow(const QUuid& taskID, const QString& title) {
    const OutlineChange change(*this);
    const QString trimmed = title.trimmed();
    const qsizetype pos = outline::taskIndex(tasks(), taskID);
    std::optional<QUuid> sectionID;
    if (pos >= 0) {
        sectionID = tasks().at(pos).sectionID;
        if (!trimmed.isEmpty() && trimmed != tasks().at(pos).title) {
            recordUndoSnapshot();
            // As updateTitle, but saved, and the activity noted, once with the new task.
            editing::adopt(*this, *outline::updateTitle(workspace(), taskID, trimmed));
        }
    }
    return addTask(taskID, sectionID);
}

void TaskStore::updateTitle(const QUuid& taskID, const QString& title) {
    const OutlineChange change(*this);
    const std::optional<Workspace> edited = outline::updateTitle(workspace(), taskID, title);
    if (!edited)
        return;
    editing::adopt(*this, *edited);
    recordActivity();
    persistWorkspace();
}

void TaskStore::updateDuration(const QUuid& taskID, qint64 minutes) {
    const OutlineChange change(*this);
    const std::optional<Workspace> edited = outline::updateDuration(workspace(), taskID, minutes);
    if (!edited)
        return;
    recordUndoSnapshot();
    editing::adopt(*this, *edited);
    clearOverdueNotificationCooldowns(outline::taskIndex(tasks(), taskID));
    recordActivity();
    editing::reorderAndReschedule(*this);
    persistWorkspace();
    checkLateAndNotify(); // runs on by itself
}

void TaskStore::removeTask(const QUuid& taskID) {
    const OutlineChange change(*this);
    const std::optional<Workspace> edited = outline::removeTask(workspace(), taskID);
    if (!edited)
        return;
    recordUndoSnapshot();
    clearOverdueEscalationState(taskID);
    editing::adopt(*this, *edited);
    if (tasks().isEmpty()) {
        ensurePlaceholderTaskIfEmpty();
        persistWorkspace();
        return;
    }
    collapseEmptyChildSections();
    editing::reorderAndReschedule(*this);
    recordActivity();
    persistWorkspace();
    checkLateAndNotify(); // runs on by itself
}

} // namespace vorn
