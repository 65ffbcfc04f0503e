// Adding, retitling, re-timing and removing a task.
#include "model/outline_edit_support.h"

#include <QHash>

#include <limits>
#include <vector>

namespace vorn::outline {

using namespace detail;

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

} // namespace vorn::outline
