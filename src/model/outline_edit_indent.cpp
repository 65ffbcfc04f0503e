// Indenting a task under the row above and outdenting it.
#include "model/outline_edit_support.h"

#include <QHash>

#include <limits>
#include <vector>

namespace vorn::outline {

using namespace detail;

// ---- indent and outdent -----------------------------------------------------------

std::optional<Workspace> indentTask(const Workspace& current, const QUuid& id) {
    const QList<OutlineRow> rows = outlineRows(current);
    const auto row = std::find_if(rows.cbegin(), rows.cend(),
                                  [&](const OutlineRow& r) { return r.isTask() && r.task().id == id; });
    if (row == rows.cend() || row == rows.cbegin())
        return std::nullopt;
    const OutlineRow& above = *(row - 1);

    Workspace ws = current;
    materializeRootOrder(ws);
    const qsizetype i = taskIndex(ws.tasks, id);
    if (above.isSection()) {
        ws.tasks[i].sectionID = above.section().id;
        removeTaskEntries(ws.rootOutlineOrder, id);
    } else {
        const QUuid group = ensureChildSection(ws, above.task());
        ws.tasks[i].sectionID = group;
        if (const auto root = rootSectionID(ws); root && *root != group)
            removeTaskEntries(ws.rootOutlineOrder, id);
    }
    return ws;
}

std::optional<Workspace> outdentTask(const Workspace& current, const QUuid& id) {
    const std::optional<QUuid> root = rootSectionID(current);
    const qsizetype i = taskIndex(current.tasks, id);
    if (!root || i < 0 || current.tasks.at(i).sectionID == *root)
        return std::nullopt;
    const qsizetype from = sectionIndex(current.sections, current.tasks.at(i).sectionID);
    if (from < 0)
        return std::nullopt;

    Workspace ws = current;
    materializeRootOrder(ws);
    const TaskSection& section = current.sections.at(from);
    const qsizetype header = section.headerTaskID ? taskIndex(ws.tasks, *section.headerTaskID) : -1;
    const QUuid target = header >= 0 ? ws.tasks.at(header).sectionID : section.parentID.value_or(*root);
    ws.tasks[i].sectionID = target;

    if (target == *root) {
        QList<OutlineEntry>& order = ws.rootOutlineOrder;
        removeTaskEntries(order, id);
        // Right after the former heading task, so that it shows after that task's group.
        const qsizetype headerEntry =
            section.headerTaskID ? order.indexOf(OutlineEntry::task(*section.headerTaskID)) : -1;
        order.insert(headerEntry >= 0 ? headerEntry + 1 : order.size(), OutlineEntry::task(id));
    }
    return ws;
}

} // namespace vorn::outline
