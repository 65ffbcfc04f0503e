#pragma once

#include "store/task_store.h"

// What the store's outline edits share between their files.
namespace vorn::editing {

// Stores the lists of the edited outline that are not the store's own: an edit
// leaves a list it did not touch shared with the store's.
void adopt(TaskStore& store, const Workspace& edited);
// Brings `tasks` into outline order and lays the finish times along it.
void reorderAndReschedule(TaskStore& store);

} // namespace vorn::editing
