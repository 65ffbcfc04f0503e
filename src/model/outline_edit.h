#pragma once

#include "model/workspace.h"

#include <optional>

// The changes behind the store's outline editing, as functions over a copy of
// the workspace. The edits return the changed outline, or nullopt when the edit
// changes nothing (and the store then records no undo step). They place tasks
// among their siblings but leave bringing the whole array into outline order and
// the finish times to the store.
//
// Every edit keeps the outline sound when it was sound before: each task and
// section names an existing section, the section tree hangs from one root
// without a cycle, every heading task of a group exists and stands outside its
// own group, and every top-level task and folder has its entry in the root order.
namespace vorn::outline {

// ---- building blocks ------------------------------------------------------------

// Position of the first task or section with the ID, or -1.
qsizetype taskIndex(const QList<TaskItem>& tasks, const QUuid& id);
qsizetype sectionIndex(const QList<TaskSection>& sections, const QUuid& id);

// The ID of the task's group section, appending a new one (titled like the task,
// under the task's section, after its siblings) when the task heads none yet.
QUuid ensureChildSection(Workspace& ws, const TaskItem& task);
// Removes the group sections that hold no task and no section, also those that
// become empty by the removal. Returns whether any went.
bool collapseEmptyChildSections(Workspace& ws);
// Where a new task of the section goes in `order` (section-tree order without
// it): after the last task of the section and everything below it, else after
// what comes before the section.
qsizetype insertionIndexForSection(const Workspace& ws, const QUuid& sectionID, const QList<QUuid>& order);
std::optional<qsizetype> insertionIndexInParent(const Workspace& ws, const QUuid& parentID,
                                                const QUuid& childSectionID, const QList<QUuid>& order);
// The tasks rearranged to `order` (IDs naming no task are passed over); nullopt
// unless that places as many tasks as there are.
std::optional<QList<TaskItem>> tasksInOrder(const QList<TaskItem>& tasks, const QList<QUuid>& order);
// Whether the section is the task's own group or lies anywhere below it: under
// it in the section tree, or in the group of a task shown beneath the task.
// Moving the task there would make it its own descendant.
bool liesWithinOwnGroup(const Workspace& ws, const QUuid& taskID, const QUuid& sectionID);
// The root order with every task and folder of the top level: an empty root
// order is replaced by the order derived from the arrays.
void materializeRootOrder(Workspace& ws);

// ---- tasks ----------------------------------------------------------------------

struct AddedTask {
    Workspace outline;
    QUuid taskID;
};
// A new empty 30-minute task: in `in`, else beside `after`, else in the root
// (made first when there is no section at all); right after `after` when given,
// else last in its section.
AddedTask addTask(const Workspace& ws, const std::optional<QUuid>& after, const std::optional<QUuid>& in);
// Stores the title as given (never a blank one) and renames the group the task heads.
std::optional<Workspace> updateTitle(const Workspace& ws, const QUuid& id, const QString& title);
// The duration limited to 1 … 120 minutes; nullopt when that is the current one.
std::optional<Workspace> updateDuration(const Workspace& ws, const QUuid& id, qint64 minutes);
// Removes the task. The tasks of a group it heads take its place in its section,
// and the group goes (its subsections move up to the group's parent).
std::optional<Workspace> removeTask(const Workspace& ws, const QUuid& id);

// ---- indent and outdent -----------------------------------------------------------

// Makes the task a child of the row above it: the last task of a folder, or a
// child of the task above (its group made when needed).
std::optional<Workspace> indentTask(const Workspace& ws, const QUuid& id);
// Lifts the task out of its section: beside its former heading task, or into
// the parent section. Empty groups are left for collapseEmptyChildSections.
std::optional<Workspace> outdentTask(const Workspace& ws, const QUuid& id);

// ---- moves ------------------------------------------------------------------------

// Moves top-level task `dragged` directly before top-level task `target` in the
// root order; nullopt unless both stand in the root with entries there.
std::optional<Workspace> reorderTopLevelTask(const Workspace& ws, const QUuid& dragged, const QUuid& target);
// Moves `dragged` into the section of `target`, directly before it. Refused
// (nullopt) for a missing task and for a move into the task's own group.
std::optional<Workspace> moveTask(const Workspace& ws, const QUuid& dragged, const QUuid& target);
// Moves the task into the section: before `before` when given and present, else
// as its last task. Refused for a missing task or section and for a move into
// the task's own group.
std::optional<Workspace> moveTaskToSection(const Workspace& ws, const QUuid& id, const QUuid& sectionID,
                                           const std::optional<QUuid>& before);
// Moves the top-level entry of the section before that of `before` (or to the
// end); nullopt when the section has no top-level entry or is dropped on itself.
std::optional<Workspace> reorderTopLevelSection(const Workspace& ws, const QUuid& id,
                                                const std::optional<QUuid>& before);
// Places the section before `before` among its siblings (or last) and numbers
// the siblings' sortOrder 0, 1, 2, … without changing the array order.
std::optional<Workspace> moveSection(const Workspace& ws, const QUuid& id,
                                     const std::optional<QUuid>& before);

// ---- sections -----------------------------------------------------------------------

// Stores the title trimmed; nullopt when it is blank or already the title.
std::optional<Workspace> renameSection(const Workspace& ws, const QUuid& id, const QString& title);
// Removes one section whose subsections are gone. A folder's tasks move into its
// parent section (appended to the root order when that is the root); a group's
// tasks become siblings right after its heading task.
std::optional<Workspace> dissolveSection(const Workspace& ws, const QUuid& id);
// Removes every task and subsection inside the section, with the groups of the
// removed tasks; the section itself stays. Task entries of the root order stay.
Workspace clearSectionContent(const Workspace& ws, const QUuid& id);

} // namespace vorn::outline
