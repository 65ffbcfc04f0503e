// Tab and Shift+Tab: nesting a task under the row above it and lifting it out
// again, with the group sections that nesting under a task makes.
#include "model/outline_edit.h"
#include "store/task_store_editing_support.h"

namespace vorn {

void OutlineEditor::indentTask(const QUuid& taskID) {
    const Outline::OutlineChange change(m_store.outline());
    const std::optional<Workspace> edited = outline::indentTask(m_store.outline().workspace(), taskID);
    if (!edited)
        return;
    recordUndoSnapshot();
    editing::adopt(m_store, *edited);
    editing::reorderAndReschedule(m_store);
    m_store.persistWorkspace();
}

void OutlineEditor::outdentTask(const QUuid& taskID) {
    const Outline::OutlineChange change(m_store.outline());
    const std::optional<Workspace> edited = outline::outdentTask(m_store.outline().workspace(), taskID);
    if (!edited)
        return;
    recordUndoSnapshot();
    editing::adopt(m_store, *edited);
    collapseEmptyChildSections();
    editing::reorderAndReschedule(m_store);
    m_store.persistWorkspace();
}

QUuid OutlineEditor::ensureChildSection(const TaskItem& task) {
    const Outline::OutlineChange change(m_store.outline());
    Workspace edited = m_store.outline().workspace();
    const QUuid groupID = outline::ensureChildSection(edited, task);
    editing::adopt(m_store, edited);
    return groupID;
}

void OutlineEditor::collapseEmptyChildSections() {
    const Outline::OutlineChange change(m_store.outline());
    Workspace edited = m_store.outline().workspace();
    if (outline::collapseEmptyChildSections(edited))
        m_store.outline().setSections(std::move(edited.sections));
}

} // namespace vorn
