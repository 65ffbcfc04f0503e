// Renaming, dissolving and emptying sections.
#include "model/outline_edit_support.h"

#include <QHash>

#include <limits>
#include <vector>

namespace vorn::outline {

using namespace detail;

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
