#pragma once

#include "model/outline_row.h"
#include "model/workspace.h"

#include <optional>

// Read-only queries over the outline and its canonical orders. Every function
// builds what it needs in O(n log n) at most (indexes by ID, never a scan of all
// tasks per section) and terminates on any data, including parentID cycles and
// groups headed by a task inside themselves.
namespace vorn::outline {

// The first section without a parent, in sortOrder order (stable); nullopt without one.
std::optional<QUuid> rootSectionID(const Workspace& ws);
// Title of the section, or "Other" when no section has that ID.
QString sectionTitle(const Workspace& ws, const QUuid& sectionID);
// Sections whose parentID equals `parent` (nullopt: the roots), stable-sorted by sortOrder.
QList<TaskSection> childSections(const Workspace& ws, const std::optional<QUuid>& parent);
// The first section, in array order, whose headerTaskID is the task.
std::optional<TaskSection> childSectionForHeaderTask(const Workspace& ws, const QUuid& taskID);
// Tasks whose sectionID is the section, in array order.
QList<TaskItem> tasksInSection(const Workspace& ws, const QUuid& sectionID);
QList<QUuid> taskIDsInSectionFromGlobalOrder(const Workspace& ws, const QUuid& sectionID);
// Section-tree order: child sections first (recursively, in sortOrder), then own tasks.
QList<QUuid> orderedTaskIDs(const Workspace& ws, const QUuid& sectionID);
// orderedTaskIDs of every root, concatenated in sortOrder order.
QList<QUuid> fullDisplayOrder(const Workspace& ws);
QList<OutlineEntry> computeOutlineOrderSnapshot(const Workspace& ws);
// rootOutlineOrder without entries naming nothing, or the snapshot when it is empty.
QList<OutlineEntry> activeOutlineOrder(const Workspace& ws);
// The root order to keep after a load: `ws.rootOutlineOrder` when it shows
// every task and every top-level folder; otherwise its entries that still name
// something followed by the missing top-level entries of the snapshot (all of
// the snapshot when none is left), so that no stored task goes without a row.
QList<OutlineEntry> repairedRootOrder(const Workspace& ws);
// `sections` with every section that is its own ancestor (a parentID cycle,
// a section naming itself) moved directly under `rootID`; the rest unchanged.
QList<TaskSection> withSectionCyclesBroken(QList<TaskSection> sections, const QUuid& rootID);
QList<QUuid> flattenOutlineEntries(const Workspace& ws, const QList<OutlineEntry>& entries);
QList<QUuid> flattenTaskWithDescendants(const Workspace& ws, const QUuid& taskID);
QList<OutlineRow> outlineRows(const Workspace& ws);
// The task array in outline order; nullopt when it is already in that order or
// when the outline cannot reach every task (then the array must stay as it is).
std::optional<QList<TaskItem>> tasksInDisplayOrder(const Workspace& ws);

} // namespace vorn::outline
