#pragma once

#include "model/records.h"

namespace vorn {

// The outline as the store holds it: the task array (in schedule order), the
// section tree and the ordered top level of the root.
struct Workspace {
    QList<TaskItem> tasks;
    QList<TaskSection> sections;
    QList<OutlineEntry> rootOutlineOrder;

    bool operator==(const Workspace&) const = default;
};

} // namespace vorn
