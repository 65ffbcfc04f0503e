#include "model/outline_edit.h"

#include "model/outline.h"
#include "model/outline_index.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

namespace vorn::outline {

namespace {

constexpr qint64 kNewTaskMinutes = 30;
constexpr qint64 kShortestMinutes = 1;
constexpr qint64 kLongestMinutes = 120;

qsizetype groupIndex(const QList<TaskSection>& sections, const QUuid& headerTaskID) {
    for (qsizetype i = 0; i < sections.size(); ++i) {
        if (sections.at(i).headerTaskID == headerTaskID)
            return i;
    }
    return -1;
}

void removeTaskEntries(QList<OutlineEntry>& order, const QUuid& id) {
    order.removeIf([&](const OutlineEntry& e) { return e.isTask() && e.id == id; });
}

void removeSectionEntries(QList<OutlineEntry>& order, const QSet<QUuid>& ids) {
    order.removeIf([&](const OutlineEntry& e) { return e.isSection() && ids.contains(e.id); });
}

int nextSortOrder(int highest) {
    return highest == std::numeric_limits<int>::max() ? highest : highest + 1;
}

// The section-tree order of the section: its child sections' orders (by
// sortOrder, folders and groups alike), then its own tasks. Each section is
// entered once, so a damaged tree still ends.
QList<QUuid> treeOrder(const OutlineIndex& index, const QUuid& sectionID) {
    const Workspace& ws = index.workspace();
    std::vector<char> seen(size_t(ws.sections.size()), 0);
    if (const qsizetype pos = index.sectionPos(sectionID); pos >= 0)
        seen[size_t(pos)] = 1;
    struct Frame {
        QUuid id;
        size_t nextChild = 0;
    };
    QList<QUuid> ids;
    std::vector<Frame> stack{{sectionID, 0}};
    while (!stack.empty()) {
        const QUuid id = stack.back().id;
        const OutlineIndex::Span children = index.childrenOf(id);
        if (stack.back().nextChild < children.size()) {
            const qsizetype child = index.firstSectionPos(children[stack.back().nextChild++]);
            if (!std::exchange(seen[size_t(child)], 1))
                stack.push_back({ws.sections.at(child).id, 0});
            continue;
        }
        for (qsizetype pos : index.tasksIn(id))
            ids.append(ws.tasks.at(pos).id);
        stack.pop_back();
    }
    return ids;
}

std::optional<qsizetype> indexInParent(const OutlineIndex& index, const QUuid& parentID, const QUuid& childID,
                                       const QList<QUuid>& order, qsizetype hops);

qsizetype indexForSection(const OutlineIndex& index, const QUuid& sectionID, const QList<QUuid>& order,
                          qsizetype hops) {
    const Workspace& ws = index.workspace();
    const QList<QUuid> tree = treeOrder(index, sectionID);
    const QSet<QUuid> inTree(tree.cbegin(), tree.cend());
    for (qsizetype i = order.size() - 1; i >= 0 && !inTree.isEmpty(); --i) {
        if (inTree.contains(order.at(i)))
            return i + 1;
    }

    const qsizetype pos = index.sectionPos(sectionID);
    if (pos >= 0 && ws.sections.at(pos).parentID) {
        if (hops > ws.sections.size()) // a parent cycle
            return order.size();
        return indexForSection(index, *ws.sections.at(pos).parentID, order, hops + 1);
    }

    // A root, or no section at all: after everything of the roots before it.
    std::optional<QUuid> lastBefore;
    for (qsizetype root : index.roots()) {
        const QUuid& rootID = ws.sections.at(root).id;
        if (rootID == sectionID) {
            if (!lastBefore)
                return 0;
            const qsizetype at = order.indexOf(*lastBefore);
            return at >= 0 ? at + 1 : 0;
        }
        if (const auto at = indexInParent(index, rootID, sectionID, order, hops + 1))
            return *at;
        if (const QList<QUuid> ids = treeOrder(index, rootID); !ids.isEmpty())
            lastBefore = ids.last();
    }
    return order.size();
}

std::optional<qsizetype> indexInParent(const OutlineIndex& index, const QUuid& parentID, const QUuid& childID,
                                       const QList<QUuid>& order, qsizetype hops) {
    const Workspace& ws = index.workspace();
    const OutlineIndex::Span children = index.childrenOf(parentID);
    const auto child = std::find_if(children.begin(), children.end(),
                                    [&](qsizetype pos) { return ws.sections.at(pos).id == childID; });
    if (child == children.end())
        return std::nullopt;
    std::optional<QUuid> lastBefore;
    for (auto it = children.begin(); it != child; ++it) {
        if (const QList<QUuid> ids = treeOrder(index, ws.sections.at(*it).id); !ids.isEmpty())
            lastBefore = ids.last();
    }
    if (lastBefore) {
        if (const qsizetype at = order.indexOf(*lastBefore); at >= 0)
            return at + 1;
    }
    return indexForSection(index, parentID, order, hops + 1);
}

// Puts `id` into the root order directly before the entry of `before`, or at the end.
void insertTaskEntryBefore(QList<OutlineEntry>& order, const QUuid& id, const std::optional<QUuid>& before) {
    const qsizetype at = before ? order.indexOf(OutlineEntry::task(*before)) : -1;
    order.insert(at >= 0 ? at : order.size(), OutlineEntry::task(id));
}

// Section-tree order with `id` taken out and put back at the position `place`
// chooses from the order without it.
template <typename Place> void placeInTreeOrder(Workspace& ws, const QUuid& id, Place&& place) {
    QList<QUuid> order = fullDisplayOrder(ws);
    order.removeAll(id);
    const qsizetype at = std::clamp<qsizetype>(place(std::as_const(order)), 0, order.size());
    order.insert(at, id);
    if (auto arranged = tasksInOrder(ws.tasks, order))
        ws.tasks = std::move(*arranged);
}

bool isRoot(const Workspace& ws, const QUuid& sectionID) {
    return rootSectionID(ws) == sectionID;
}

} // namespace

// ---- building blocks ------------------------------------------------------------

qsizetype taskIndex(const QList<TaskItem>& tasks, const QUuid& id) {
    for (qsizetype i = 0; i < tasks.size(); ++i) {
        if (tasks.at(i).id == id)
            return i;
    }
    return -1;
}

qsizetype sectionIndex(const QList<TaskSection>& sections, const QUuid& id) {
    for (qsizetype i = 0; i < sections.size(); ++i) {
        if (sections.at(i).id == id)
            return i;
    }
    return -1;
}

QUuid ensureChildSection(Workspace& ws, const TaskItem& task) {
    std::optional<int> highest;
    for (const TaskSection& section : std::as_const(ws.sections)) {
        if (section.headerTaskID == task.id)
            return section.id;
        if (section.parentID == task.sectionID)
            highest = std::max(highest.value_or(section.sortOrder), section.sortOrder);
    }
    TaskSection group;
    group.id = newUuid();
    group.title = task.title;
    group.parentID = task.sectionID;
    group.sortOrder = highest ? nextSortOrder(*highest) : 0;
    group.headerTaskID = task.id;
    ws.sections.append(group);
    return group.id;
}

bool collapseEmptyChildSections(Workspace& ws) {
    const QList<TaskSection>& sections = ws.sections;
    QHash<QUuid, qsizetype> taskCount;
    for (const TaskItem& task : std::as_const(ws.tasks))
        ++taskCount[task.sectionID];
    QHash<QUuid, qsizetype> childCount;
    QHash<QUuid, qsizetype> positionByID;
    for (qsizetype i = 0; i < sections.size(); ++i) {
        if (sections.at(i).parentID)
            ++childCount[*sections.at(i).parentID];
        positionByID.insert(sections.at(i).id, i);
    }
    const auto isEmptyGroup = [&](const TaskSection& s) {
        return s.headerTaskID && taskCount.value(s.id) == 0 && childCount.value(s.id) == 0;
    };

    // Removing an empty group can leave its parent group empty in turn.
    std::vector<char> removed(size_t(sections.size()), 0);
    std::vector<qsizetype> pending;
    for (qsizetype i = 0; i < sections.size(); ++i) {
        if (isEmptyGroup(sections.at(i)))
            pending.push_back(i);
    }
    bool any = false;
    while (!pending.empty()) {
        const qsizetype pos = pending.back();
        pending.pop_back();
        if (std::exchange(removed[size_t(pos)], 1))
            continue;
        any = true;
        const std::optional<QUuid>& parent = sections.at(pos).parentID;
        if (!parent || --childCount[*parent] > 0)
            continue;
        const qsizetype parentPos = positionByID.value(*parent, -1);
        if (parentPos >= 0 && !removed[size_t(parentPos)] && isEmptyGroup(sections.at(parentPos)))
            pending.push_back(parentPos);
    }
    if (!any)
        return false;
    QList<TaskSection> kept;
    kept.reserve(sections.size());
    for (qsizetype i = 0; i < sections.size(); ++i) {
        if (!removed[size_t(i)])
            kept.append(sections.at(i));
    }
    ws.sections = std::move(kept);
    return true;
}

qsizetype insertionIndexForSection(const Workspace& ws, const QUuid& sectionID, const QList<QUuid>& order) {
    return indexForSection(OutlineIndex(ws), sectionID, order, 0);
}

std::optional<qsizetype> insertionIndexInParent(const Workspace& ws, const QUuid& parentID,
                                                const QUuid& childSectionID, const QList<QUuid>& order) {
    return indexInParent(OutlineIndex(ws), parentID, childSectionID, order, 0);
}

std::optional<QList<TaskItem>> tasksInOrder(const QList<TaskItem>& tasks, const QList<QUuid>& order) {
    QHash<QUuid, qsizetype> byID;
    byID.reserve(tasks.size());
    for (qsizetype i = tasks.size() - 1; i >= 0; --i)
        byID.insert(tasks.at(i).id, i); // the first record of an ID wins
    QList<TaskItem> arranged;
    arranged.reserve(tasks.size());
    for (const QUuid& id : order) {
        if (const qsizetype pos = byID.value(id, -1); pos >= 0)
            arranged.append(tasks.at(pos));
    }
    if (arranged.size() != tasks.size())
        return std::nullopt;
    return arranged;
}

bool liesWithinOwnGroup(const Workspace& ws, const QUuid& taskID, const QUuid& sectionID) {
    if (groupIndex(ws.sections, taskID) < 0) // most tasks head no group
        return false;
    const OutlineIndex index(ws);
    const qsizetype group = index.groupPos(taskID);
    if (group < 0)
        return false;
    std::vector<char> seen(size_t(ws.sections.size()), 0);
    std::vector<qsizetype> pending;
    const auto visit = [&](qsizetype pos) {
        pos = index.firstSectionPos(pos);
        if (!std::exchange(seen[size_t(pos)], 1))
            pending.push_back(pos);
    };
    visit(group);
    while (!pending.empty()) {
        const qsizetype pos = pending.back();
        pending.pop_back();
        const TaskSection& section = ws.sections.at(pos);
        if (section.id == sectionID)
            return true;
        for (qsizetype child : index.childrenOf(section.id))
            visit(child);
        for (qsizetype task : index.tasksInSectionAt(pos)) {
            if (const qsizetype headed = index.groupOfTask(task); headed >= 0)
                visit(headed);
        }
    }
    return false;
}

void materializeRootOrder(Workspace& ws) {
    if (ws.rootOutlineOrder.isEmpty())
        ws.rootOutlineOrder = computeOutlineOrderSnapshot(ws);
}

// ---- tasks ----------------------------------------------------------------------

AddedTask addTask(const Workspace& current, const std::optional<QUuid>& after,
                  const std::optional<QUuid>& in) {
    AddedTask added{current, newUuid()};
    Workspace& ws = added.outline;
    if (ws.sections.isEmpty()) {
        TaskSection root;
        root.id = newUuid();
        root.title = TaskSection::defaultTitles.first();
        ws.sections.append(root);
    }
    materializeRootOrder(ws);

    const std::optional<QUuid> root = rootSectionID(ws);
    const qsizetype afterIndex = after ? taskIndex(ws.tasks, *after) : -1;
    QUuid sectionID;
    if (in && sectionIndex(ws.sections, *in) >= 0)
        sectionID = *in;
    else if (afterIndex >= 0)
        sectionID = ws.tasks.at(afterIndex).sectionID;
    else
        sectionID = root.value_or(ws.sections.first().id);

    // The new task goes into the section-tree order, which does not hold it yet.
    QList<QUuid> order = fullDisplayOrder(ws);
    qsizetype at = after ? order.indexOf(*after) : -1;
    at = at >= 0 ? at + 1 : std::min(insertionIndexForSection(ws, sectionID, order), order.size());
    order.insert(at, added.taskID);

    TaskItem task;
    task.id = added.taskID;
    task.durationMinutes = kNewTaskMinutes;
    task.sectionID = sectionID;
    ws.tasks.append(task);
    if (auto arranged = tasksInOrder(ws.tasks, order))
        ws.tasks = std::move(*arranged);

    if (root == sectionID) {
        const qsizetype at = after ? ws.rootOutlineOrder.indexOf(OutlineEntry::task(*after)) : -1;
        ws.rootOutlineOrder.insert(at >= 0 ? at + 1 : ws.rootOutlineOrder.size(),
                                   OutlineEntry::task(task.id));
    }
    return added;
}

std::optional<Workspace> updateTitle(const Workspace& current, const QUuid& id, const QString& title) {
    const qsizetype i = taskIndex(current.tasks, id);
    if (i < 0 || title.trimmed().isEmpty())
        return std::nullopt;
    Workspace ws = current;
    ws.tasks[i].title = title;
    if (const qsizetype group = groupIndex(ws.sections, id);
        group >= 0 && ws.sections.at(group).title != title)
        ws.sections[group].title = title;
    return ws;
}

std::optional<Workspace> updateDuration(const Workspace& current, const QUuid& id, qint64 minutes) {
    const qsizetype i = taskIndex(current.tasks, id);
    if (i < 0)
        return std::nullopt;
    const qint64 clamped = std::clamp(minutes, kShortestMinutes, kLongestMinutes);
    if (clamped == current.tasks.at(i).durationMinutes)
        return std::nullopt;
    Workspace ws = current;
    ws.tasks[i].durationMinutes = clamped;
    return ws;
}

std::optional<Workspace> removeTask(const Workspace& current, const QUuid& id) {
    const qsizetype i = taskIndex(current.tasks, id);
    if (i < 0)
        return std::nullopt;
    Workspace ws = current;
    materializeRootOrder(ws);
    const QUuid home = ws.tasks.at(i).sectionID;
    const qsizetype groupPos = groupIndex(ws.sections, id);
    if (groupPos < 0) {
        ws.tasks.removeAt(i);
        removeTaskEntries(ws.rootOutlineOrder, id);
        return ws;
    }

    // The group's tasks take the removed task's place in its section.
    const TaskSection group = ws.sections.at(groupPos);
    QList<TaskItem> children;
    for (const TaskItem& task : std::as_const(ws.tasks)) {
        if (task.sectionID == group.id && task.id != id) {
            children.append(task);
            children.last().sectionID = home;
        }
    }
    QList<TaskItem> tasks;
    tasks.reserve(ws.tasks.size() - 1 + children.size());
    for (qsizetype k = 0; k < ws.tasks.size(); ++k) {
        if (k == i)
            tasks.append(children);
        else if (ws.tasks.at(k).sectionID != group.id)
            tasks.append(ws.tasks.at(k));
    }
    ws.tasks = std::move(tasks);

    QList<OutlineEntry>& order = ws.rootOutlineOrder;
    for (const TaskItem& child : std::as_const(children))
        removeTaskEntries(order, child.id);
    if (isRoot(ws, home)) {
        qsizetype at = order.indexOf(OutlineEntry::task(id));
        removeTaskEntries(order, id);
        at = at >= 0 ? at : order.size();
        for (const TaskItem& child : std::as_const(children))
            order.insert(at++, OutlineEntry::task(child.id));
    } else {
        removeTaskEntries(order, id);
    }

    // The group goes; sections still under it move up to its parent, after the siblings there.
    const std::optional<QUuid> parent = group.parentID ? group.parentID : rootSectionID(ws);
    std::optional<int> highest;
    for (const TaskSection& section : std::as_const(ws.sections)) {
        if (section.parentID && section.parentID == parent && section.id != group.id)
            highest = std::max(highest.value_or(section.sortOrder), section.sortOrder);
    }
    for (qsizetype k = 0; k < ws.sections.size(); ++k) {
        if (ws.sections.at(k).parentID != group.id)
            continue;
        ws.sections[k].parentID = parent;
        highest = highest ? nextSortOrder(*highest) : 0;
        ws.sections[k].sortOrder = *highest;
    }
    ws.sections.removeIf([&](const TaskSection& s) { return s.id == group.id; });
    removeSectionEntries(order, {group.id});
    return ws;
}

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

// ---- moves ------------------------------------------------------------------------

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

    Workspace ws = current;
    materializeRootOrder(ws);
    if (ws.tasks.at(d).sectionID != sectionID)
        ws.tasks[d].sectionID = sectionID;
    removeTaskEntries(ws.rootOutlineOrder, dragged);
    if (isRoot(ws, sectionID))
        insertTaskEntryBefore(ws.rootOutlineOrder, dragged, target);
    placeInTreeOrder(ws, dragged, [&](const QList<QUuid>& order) {
        const qsizetype at = order.indexOf(target);
        return at >= 0 ? at : order.size();
    });
    return ws;
}

std::optional<Workspace> moveTaskToSection(const Workspace& current, const QUuid& id, const QUuid& sectionID,
                                           const std::optional<QUuid>& before) {
    const qsizetype i = taskIndex(current.tasks, id);
    if (i < 0 || sectionIndex(current.sections, sectionID) < 0 || liesWithinOwnGroup(current, id, sectionID))
        return std::nullopt;

    Workspace ws = current;
    materializeRootOrder(ws);
    if (ws.tasks.at(i).sectionID != sectionID)
        ws.tasks[i].sectionID = sectionID;
    removeTaskEntries(ws.rootOutlineOrder, id);
    if (isRoot(ws, sectionID))
        insertTaskEntryBefore(ws.rootOutlineOrder, id, before);
    placeInTreeOrder(ws, id, [&](const QList<QUuid>& order) {
        if (const qsizetype at = before ? order.indexOf(*before) : -1; at >= 0)
            return at;
        return insertionIndexForSection(ws, sectionID, order);
    });
    return ws;
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

// ---- sections -----------------------------------------------------------------------

std::optional<Workspace> renameSection(const Workspace& current, const QUuid& id, const QString& title) {
    const QString trimmed = title.trimmed();
    const qsizetype pos = sectionIndex(current.sections, id);
    if (trimmed.isEmpty() || pos < 0 || current.sections.at(pos).title == trimmed)
        return std::nullopt;
    Workspace ws = current;
    ws.sections[pos].title = trimmed;
    return ws;
}

std::optional<Workspace> dissolveSection(const Workspace& current, const QUuid& id) {
    const qsizetype pos = sectionIndex(current.sections, id);
    if (pos < 0 || !current.sections.at(pos).parentID)
        return std::nullopt;
    Workspace ws = current;
    materializeRootOrder(ws);
    const TaskSection& section = current.sections.at(pos);
    // A group's tasks become siblings of its heading task, as outdenting each would
    // make them: the group's parent may by now lie inside one of their own groups.
    const qsizetype header = section.headerTaskID ? taskIndex(ws.tasks, *section.headerTaskID) : -1;
    QUuid receiving = *section.parentID;
    if (header >= 0 && ws.tasks.at(header).sectionID != id)
        receiving = ws.tasks.at(header).sectionID;
    const bool intoRoot = isRoot(ws, receiving);
    qsizetype entryAt =
        header >= 0 ? ws.rootOutlineOrder.indexOf(OutlineEntry::task(*section.headerTaskID)) : -1;
    for (qsizetype k = 0; k < ws.tasks.size(); ++k) {
        if (std::as_const(ws.tasks).at(k).sectionID != id)
            continue;
        ws.tasks[k].sectionID = receiving;
        if (!intoRoot)
            continue;
        const OutlineEntry entry = OutlineEntry::task(ws.tasks.at(k).id);
        if (entryAt >= 0)
            ws.rootOutlineOrder.insert(++entryAt, entry);
        else
            ws.rootOutlineOrder.append(entry);
    }
    // Only a damaged tree still has sections below this one here; they move up too.
    for (qsizetype k = 0; k < ws.sections.size(); ++k) {
        const TaskSection& section = std::as_const(ws.sections).at(k);
        if (section.parentID == id && section.id != id)
            ws.sections[k].parentID = receiving;
    }
    ws.sections.removeIf([&](const TaskSection& s) { return s.id == id; });
    removeSectionEntries(ws.rootOutlineOrder, {id});
    return ws;
}

Workspace clearSectionContent(const Workspace& current, const QUuid& id) {
    const OutlineIndex index(current);
    std::vector<char> sectionVisited(size_t(current.sections.size()), 0);
    std::vector<char> sectionGone(size_t(current.sections.size()), 0);
    std::vector<char> taskGone(size_t(current.tasks.size()), 0);
    if (const qsizetype start = index.sectionPos(id); start >= 0)
        sectionVisited[size_t(start)] = 1;

    // Everything below the section goes: its folders, their tasks, and the
    // groups those tasks head, wherever the groups hang. A group hanging here
    // whose heading task has moved elsewhere belongs to that task and stays.
    QSet<QUuid> goneSectionIDs;
    std::vector<QUuid> pending{id};
    const auto drop = [&](qsizetype pos) {
        pos = index.firstSectionPos(pos);
        if (std::exchange(sectionVisited[size_t(pos)], 1))
            return;
        sectionGone[size_t(pos)] = 1;
        goneSectionIDs.insert(current.sections.at(pos).id);
        pending.push_back(current.sections.at(pos).id);
    };
    while (!pending.empty()) {
        const QUuid sectionID = pending.back();
        pending.pop_back();
        for (qsizetype child : index.childrenOf(sectionID)) {
            const std::optional<QUuid>& header = current.sections.at(child).headerTaskID;
            if (!header || index.taskPos(*header) < 0)
                drop(child);
        }
        for (qsizetype task : index.tasksIn(sectionID)) {
            taskGone[size_t(task)] = 1;
            if (const qsizetype group = index.groupOfTask(task); group >= 0)
                drop(group);
        }
    }

    Workspace ws = current;
    QList<TaskItem> tasks;
    for (qsizetype k = 0; k < current.tasks.size(); ++k) {
        if (!taskGone[size_t(k)])
            tasks.append(current.tasks.at(k));
    }
    QList<TaskSection> sections;
    bool reparented = false;
    for (qsizetype k = 0; k < current.sections.size(); ++k) {
        if (sectionGone[size_t(index.firstSectionPos(k))])
            continue;
        TaskSection section = current.sections.at(k);
        // A kept group whose parent goes hangs from its heading task's section.
        const qsizetype header = section.headerTaskID ? index.taskPos(*section.headerTaskID) : -1;
        if (header >= 0 && section.parentID && goneSectionIDs.contains(*section.parentID)) {
            section.parentID = current.tasks.at(header).sectionID;
            reparented = true;
        }
        sections.append(section);
    }
    if (tasks.size() != current.tasks.size())
        ws.tasks = std::move(tasks);
    if (reparented || sections.size() != current.sections.size())
        ws.sections = std::move(sections);
    removeSectionEntries(ws.rootOutlineOrder, goneSectionIDs);
    return ws;
}

} // namespace vorn::outline
