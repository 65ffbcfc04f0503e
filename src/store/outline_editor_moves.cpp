// Drag and drop in the outline: tasks before tasks, tasks into folders, and
// top-level folders among themselves.
#include "model/outline_edit.h"
#include "store/task_store_editing_support.h"

namespace vorn {

// A task moved to another place: one undo step, the new order and times, the
// overdue bookkeeping of every task cleared, activity noted, saved.
void OutlineEditor::applyTaskMove(const std::optional<Workspace>& edited) {
    if (!edited)
        return;
    recordUndoSnapshot();
    editing::adopt(m_store, *edited);
    editing::reorderAndReschedule(m_store);
    m_store.watch().clearOverdueNotificationCooldowns(0);
    m_store.boss().recordActivity();
    m_store.persistWorkspace();
}

void OutlineEditor::moveOutlineTask(const QUuid& draggedID, const QUuid& targetID) {
    const Outline::OutlineChange change(m_store.outline());
    if (draggedID == targetID)
        return;
    if (const std::optional<Workspace> edited =
            outline::reorderTopLevelTask(m_store.outline().workspace(), draggedID, targetID)) {
        recordUndoSnapshot();
        editing::adopt(m_store, *edited);
        editing::reorderAndReschedule(m_store);
        m_store.persistWorkspace();
        return;
    }
    moveTask(draggedID, targetID);
}

void OutlineEditor::moveTask(const QUuid& draggedID, const QUuid& targetID) {
    const Outline::OutlineChange change(m_store.outline());
    applyTaskMove(outline::moveTask(m_store.outline().workspace(), draggedID, targetID));
}

void OutlineEditor::moveTask(const QUuid& taskID, const QUuid& toSection,
                             const std::optional<QUuid>& before) {
    const Outline::OutlineChange change(m_store.outline());
    applyTaskMove(outline::moveTaskToSection(m_store.outline().workspace(), taskID, toSection, before));
}

void OutlineEditor::moveOutlineSection(const QUuid& sectionID, const std::optional<QUuid>& before) {
    const Outline::OutlineChange change(m_store.outline());
    const std::optional<Workspace> edited =
        outline::reorderTopLevelSection(m_store.outline().workspace(), sectionID, before);
    if (!edited)
        return;
    recordUndoSnapshot();
    editing::adopt(m_store, *edited);
    moveSection(sectionID, before);
}

void OutlineEditor::moveSection(const QUuid& sectionID, const std::optional<QUuid>& before) {
    const Outline::OutlineChange change(m_store.outline());
    const std::optional<Workspace> edited =
        outline::moveSection(m_store.outline().workspace(), sectionID, before);
    if (!edited)
        return;
    editing::adopt(m_store, *edited);
    editing::reorderAndReschedule(m_store);
    m_store.persistWorkspace();
}

} // namespace vorn
