// The building blocks of the outline edits: indexes, insertion points, the
// section tree and the helpers the edits share.
#include "model/outline_edit.h"

#include "model/outline_edit_support.h"

#include "model/outline.h"
#include "model/outline_index.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

namespace vorn::outline {

namespace detail {

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

bool isRoot(const Workspace& ws, const QUuid& sectionID) {
    return rootSectionID(ws) == sectionID;
}

} // namespace detail

using namespace detail;

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

} // namespace vorn::outline
