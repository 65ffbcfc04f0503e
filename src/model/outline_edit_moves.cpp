// Dragging tasks and folders to new places.
#include "model/outline_edit_support.h"

#include <QHash>

#include <limits>
#include <vector>

namespace vorn::outline {

using namespace detail;

// ---- moves ------------------------------------------------------------------------

namespace {

// `current` with the task at `index` moved into `sectionID`: before `before` in
// the root list (when that is its section) and in the tree order, or where
// `fallback` puts it when `before` is not there.
template <typename Fallback>
Workspace withTaskMoved(const Workspace& current, qsizetype index, const QUuid& sectionID,
                        const std::optional<QUuid>& before, Fallback&& fallback) {
    const QUuid id = current.tasks.at(index).id;
    Workspace ws = current;
    materializeRootOrder(ws);
    if (ws.tasks.at(index).sectionID != sectionID) // leaves the list shared when nothing changes
        ws.tasks[index].sectionID = sectionID;
    removeTaskEntries(ws.rootOutlineOrder, id);
    if (isRoot(ws, sectionID))
        insertTaskEntryBefore(ws.rootOutlineOrder, id, before);
    placeInTreeOrder(ws, id, [&](const QList<QUuid>& order) {
        if (const qsizetype at = before ? order.indexOf(*before) : -1; at >= 0)
            return at;
        return fallback(ws, order);
    });
    return ws;
}

} // namespace

std::optional<Workspace> reorderTopLevelTask(const Workspace& current, const QUuid& dragged,
                                             const QUuid& target) {
    if (dragged == target)
        return std::nullopt;
    const QList<OutlineEntry>& order = current.rootOutlineOrder;
    const qsizetype from = order.indexOf(OutlineEntry::task(dragged));
    const qsizetype to = order.indexOf(OutlineEntry::task(target));
    if (from < 0 || to < 0)
        return std::nullopt;
    const std::optional<QUuid> root = rootSectionID(current);
    const auto standsInRoot = [&](const QUuid& id) {
        const qsizetype pos = taskIndex(current.tasks, id);
        return pos >= 0 && current.tasks.at(pos).sectionID == root;
    };
    if (!standsInRoot(dragged) || !standsInRoot(target))
        return std::nullopt;

    Workspace ws = current;
    ws.rootOutlineOrder.removeAt(from);
    ws.rootOutlineOrder.insert(from < to ? to - 1 : to, OutlineEntry::task(dragged));
    return ws;
}

std::optional<Workspace> moveTask(const Workspace& current, const QUuid& dragged, const QUuid& target) {
    if (dragged == target)
        return std::nullopt;
    const qsizetype d = taskIndex(current.tasks, dragged);
    const qsizetype t = taskIndex(current.tasks, target);
    if (d < 0 || t < 0)
        return std::nullopt;
    const QUuid sectionID = current.tasks.at(t).sectionID;
    if (liesWithinOwnGroup(current, dragged, sectionID))
        return std::nullopt;

    return withTaskMoved(current, d, sectionID, target,
                         [](const Workspace&, const QList<QUuid>& order) { return order.size(); });
}

std::optional<Workspace> moveTaskToSection(const Workspace& current, const QUuid& id, const QUuid& sectionID,
                                           const std::optional<QUuid>& before) {
    const qsizetype i = taskIndex(current.tasks, id);
    if (i < 0 || sectionIndex(current.sections, sectionID) < 0 || liesWithinOwnGroup(current, id, sectionID))
        return std::nullopt;

    return withTaskMoved(current, i, sectionID, before, [&](const Workspace& ws, const QList<QUuid>& order) {
        return insertionIndexForSection(ws, sectionID, order);
    });
}

std::optional<Workspace> reorderTopLevelSection(const Workspace& current, const QUuid& id,
                                                const std::optional<QUuid>& before) {
    const qsizetype from = current.rootOutlineOrder.indexOf(OutlineEntry::section(id));
    if (from < 0 || before == id)
        return std::nullopt;
    Workspace ws = current;
    QList<OutlineEntry>& order = ws.rootOutlineOrder;
    order.removeAt(from);
    const qsizetype to = before ? order.indexOf(OutlineEntry::section(*before)) : -1;
    order.insert(to >= 0 ? to : order.size(), OutlineEntry::section(id));
    return ws;
}

std::optional<Workspace> moveSection(const Workspace& current, const QUuid& id,
                                     const std::optional<QUuid>& before) {
    const qsizetype pos = sectionIndex(current.sections, id);
    if (pos < 0)
        return std::nullopt;
    QList<QUuid> siblings;
    for (const TaskSection& sibling : childSections(current, current.sections.at(pos).parentID)) {
        if (sibling.id != id)
            siblings.append(sibling.id);
    }
    const qsizetype at = before ? siblings.indexOf(*before) : -1;
    siblings.insert(at >= 0 ? at : siblings.size(), id);

    QHash<QUuid, int> rank;
    for (qsizetype k = 0; k < siblings.size(); ++k)
        rank.insert(siblings.at(k), int(std::min<qsizetype>(k, std::numeric_limits<int>::max())));
    Workspace ws = current;
    for (qsizetype k = 0; k < ws.sections.size(); ++k) {
        const TaskSection& section = std::as_const(ws.sections).at(k);
        const auto it = rank.constFind(section.id);
        if (it != rank.cend() && section.parentID == current.sections.at(pos).parentID &&
            section.sortOrder != *it)
            ws.sections[k].sortOrder = *it;
    }
    return ws;
}

} // namespace vorn::outline
