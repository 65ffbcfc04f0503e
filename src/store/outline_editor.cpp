// Adding, retitling, re-timing and removing tasks, and the insertion indexes
// and display order behind them.
#include "model/outline_edit.h"
#include "store/task_store_editing_support.h"

namespace vorn {

namespace editing {

void adopt(TaskStore& store, const Workspace& edited) {
    const Workspace& current = store.outline().workspace();
    if (!edited.tasks.isSharedWith(current.tasks))
        store.outline().setTasks(edited.tasks);
    if (!edited.sections.isSharedWith(current.sections))
        store.outline().setSections(edited.sections);
    if (!edited.rootOutlineOrder.isSharedWith(current.rootOutlineOrder))
        store.outline().setRootOutlineOrder(edited.rootOutlineOrder);
}

void reorderAndReschedule(TaskStore& store) {
    if (store.outline().tasks().isEmpty())
        return;
    store.outline().ensureTasksInDisplayOrder();
    store.outline().recalculateFinishTimes();
}

} // namespace editing

QUuid OutlineEditor::addTask(const std::optional<QUuid>& after, const std::optional<QUuid>& in) {
    const Outline::OutlineChange change(m_store.outline());
    recordUndoSnapshot();
    const outline::AddedTask added = outline::addTask(m_store.outline().workspace(), after, in);
    editing::adopt(m_store, added.outline);
    editing::reorderAndReschedule(m_store);
    m_store.boss().recordActivity();
    m_store.persistWorkspace();
    emit titleFocusRequested(added.taskID);
    return added.taskID;
}

QUuid OutlineEditor::focusTaskBelow(const QUuid& taskID, const QString& title) {
    const Outline::OutlineChange change(m_store.outline());
    const QString trimmed = title.trimmed();
    const qsizetype pos = outline::taskIndex(m_store.outline().tasks(), taskID);
    std::optional<QUuid> sectionID;
    if (pos >= 0) {
        sectionID = m_store.outline().tasks().at(pos).sectionID;
        if (!trimmed.isEmpty() && trimmed != m_store.outline().tasks().at(pos).title) {
            recordUndoSnapshot();
            // As updateTitle, but saved, and the activity noted, once with the new task.
            editing::adopt(m_store, *outline::updateTitle(m_store.outline().workspace(), taskID, trimmed));
        }
    }
    return addTask(taskID, sectionID);
}

void OutlineEditor::updateTitle(const QUuid& taskID, const QString& title) {
    const Outline::OutlineChange change(m_store.outline());
    const std::optional<Workspace> edited =
        outline::updateTitle(m_store.outline().workspace(), taskID, title);
    if (!edited)
        return;
    const qsizetype pos = outline::taskIndex(m_store.outline().tasks(), taskID);
    if (m_store.outline().tasks().at(pos).title != title)
        recordUndoSnapshot();
    editing::adopt(m_store, *edited);
    m_store.boss().recordActivity();
    m_store.persistWorkspace();
}

void OutlineEditor::updateDuration(const QUuid& taskID, qint64 minutes) {
    const Outline::OutlineChange change(m_store.outline());
    const std::optional<Workspace> edited =
        outline::updateDuration(m_store.outline().workspace(), taskID, minutes);
    if (!edited)
        return;
    recordUndoSnapshot();
    editing::adopt(m_store, *edited);
    m_store.watch().clearOverdueNotificationCooldowns(outline::taskIndex(m_store.outline().tasks(), taskID));
    m_store.boss().recordActivity();
    editing::reorderAndReschedule(m_store);
    m_store.persistWorkspace();
    m_store.watch().checkLateAndNotify(); // runs on by itself
}

void OutlineEditor::removeTask(const QUuid& taskID) {
    const Outline::OutlineChange change(m_store.outline());
    const std::optional<Workspace> edited = outline::removeTask(m_store.outline().workspace(), taskID);
    if (!edited)
        return;
    recordUndoSnapshot();
    m_store.watch().clearOverdueEscalationState(taskID);
    editing::adopt(m_store, *edited);
    if (m_store.outline().tasks().isEmpty()) {
        m_store.ensurePlaceholderTaskIfEmpty();
        m_store.persistWorkspace();
        return;
    }
    collapseEmptyChildSections();
    editing::reorderAndReschedule(m_store);
    m_store.boss().recordActivity();
    m_store.persistWorkspace();
    m_store.watch().checkLateAndNotify(); // runs on by itself
}

} // namespace vorn
