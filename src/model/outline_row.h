#pragma once

#include "model/records.h"

#include <variant>

namespace vorn {

// One displayed row of the outline: a task or a (folder) section.
struct OutlineRow {
    std::variant<TaskItem, TaskSection> kind;
    int depth = 0;
    bool isGroupHeader = false;

    bool isTask() const { return kind.index() == 0; }
    bool isSection() const { return kind.index() == 1; }
    const TaskItem& task() const { return std::get<0>(kind); }
    const TaskSection& section() const { return std::get<1>(kind); }

    // "task:" or "section:" followed by the upper-case UUID; also what a drag carries.
    QString id() const;

    bool operator==(const OutlineRow&) const = default;
};

} // namespace vorn
