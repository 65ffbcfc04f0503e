// Tab and Shift+Tab: nesting a task under the row above it and lifting it out
// again, with the group sections that nesting under a task makes.
#include "model/outline_edit.h"
#include "store/task_store_editing_support.h"

namespace vorn {

void TaskStore::indentTask(const QUuid& taskID) {
    const OutlineChange change(*this);
    const std::optional<Workspace> edited = outline::indentTask(workspace(), taskID);
    if (!edited)
        return;
    recordUndoSnapshot();
    editing::adopt(*this, *edited);
    editing::reorderAndReschedule(*this);
    persistWorkspace();
}

void TaskStore::outdentTask(const QUuid& taskID) {
    const OutlineChange change(*this);
    const std::optional<Workspace> edited = outline::outdentTask(workspace(), taskID);
    if (!edited)
        return;
    recordUndoSnapshot();
    editing::adopt(*this, *edited);
    collapseEmptyChildSections();
    editing::reorderAndReschedule(*this);
    persistWorkspace();
}

QUuid TaskStore::ensureChildSection(const TaskItem& task) {
    const OutlineChange change(*this);
    Workspace edited = workspace();
    const QUuid groupID = outline::ensureChildSection(edited, task);
    editing::adopt(*this, edited);
    return groupID;
}

void TaskStore::collapseEmptyChildSections() {
    const OutlineChange change(*this);
    Workspace edited = workspace();
    if (outline::collapseEmptyChildSections(edited))
        setSections(std::move(edited.sections));
}

} // namespace vorn
