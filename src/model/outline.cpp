#include "model/outline.h"

#include "model/outline_index.h"

#include <QSet>

#include <algorithm>
#include <utility>
#include <vector>

namespace vorn::outline {

namespace {

// Walks the displayed outline in row order: a folder's own tasks (each followed
// by its group, recursively), then its folder subsections; group sections get no
// row of their own. Every task and every section is met at most once per walk,
// so an item reachable twice (a repeated entry, a repeated ID, a parentID cycle,
// a group headed from inside itself) appears where it is met first and the walk
// always ends. Nesting lives on an explicit stack, never on the call stack.
class DisplayWalk {
public:
    // With `keepMissingTasks`, a task entry naming no task still yields its ID
    // (and the group headed by that ID); otherwise such an entry yields nothing.
    DisplayWalk(const OutlineIndex& index, bool keepMissingTasks)
        : m_index(index), m_ws(index.workspace()), m_keepMissingTasks(keepMissingTasks),
          m_taskSeen(size_t(m_ws.tasks.size()), 0), m_sectionSeen(size_t(m_ws.sections.size()), 0) {}

    // onTask(position, depth, isGroupHeader, missingID): the position is -1 only for
    // a kept missing task, whose ID is then `missingID`. onSection(position, depth).
    template <typename OnTask, typename OnSection>
    void run(const QList<OutlineEntry>& entries, OnTask&& onTask, OnSection&& onSection) {
        for (const OutlineEntry& entry : entries) {
            if (entry.isTask())
                pushTaskEntry(entry.id);
            else
                pushSectionEntry(entry.id);
            drain(onTask, onSection);
        }
    }

private:
    struct Pending {
        bool isTask = false;
        qsizetype pos = -1;
        int depth = 0;
        QUuid missingID;
    };

    bool claimTask(qsizetype pos) { return !std::exchange(m_taskSeen[size_t(m_index.firstTaskPos(pos))], 1); }
    bool claimSection(qsizetype pos) {
        return !std::exchange(m_sectionSeen[size_t(m_index.firstSectionPos(pos))], 1);
    }

    void pushTaskEntry(const QUuid& id) {
        if (const qsizetype pos = m_index.taskPos(id); pos >= 0) {
            if (claimTask(pos))
                m_stack.push_back({true, pos, 0, {}});
        } else if (m_keepMissingTasks && !m_missingSeen.contains(id)) {
            m_missingSeen.insert(id);
            m_stack.push_back({true, -1, 0, id});
        }
    }

    void pushSectionEntry(const QUuid& id) {
        const qsizetype pos = m_index.sectionPos(id);
        if (pos >= 0 && !m_ws.sections.at(pos).headerTaskID && claimSection(pos))
            m_stack.push_back({false, pos, 0, {}});
    }

    template <typename OnTask, typename OnSection> void drain(OnTask& onTask, OnSection& onSection) {
        while (!m_stack.empty()) {
            const Pending item = m_stack.back();
            m_stack.pop_back();
            if (item.isTask)
                visitTask(item, onTask);
            else
                visitSection(item, onSection);
        }
    }

    // Claims the tasks of the section at `sectionPos` not met yet, in array order.
    void claimTasksIn(qsizetype sectionPos) {
        m_claimedTasks.clear();
        for (qsizetype pos : m_index.tasksInSectionAt(sectionPos)) {
            if (claimTask(pos))
                m_claimedTasks.push_back(pos);
        }
    }

    template <typename OnTask> void visitTask(const Pending& item, OnTask& onTask) {
        const qsizetype group =
            item.pos >= 0 ? m_index.groupOfTask(item.pos) : m_index.groupPos(item.missingID);
        if (group >= 0)
            claimTasksIn(group);
        else
            m_claimedTasks.clear();
        onTask(item.pos, item.depth, !m_claimedTasks.empty(), item.missingID);
        for (auto it = m_claimedTasks.crbegin(); it != m_claimedTasks.crend(); ++it)
            m_stack.push_back({true, *it, item.depth + 1, {}});
    }

    template <typename OnSection> void visitSection(const Pending& item, OnSection& onSection) {
        onSection(item.pos, item.depth);

        // Pushed in reverse, so the tasks come off the stack before the subfolders.
        m_claimedSections.clear();
        for (qsizetype child : m_index.childrenOf(m_ws.sections.at(item.pos).id)) {
            const qsizetype pos = m_index.firstSectionPos(child);
            if (!m_ws.sections.at(pos).headerTaskID && claimSection(pos))
                m_claimedSections.push_back(pos);
        }
        for (auto it = m_claimedSections.crbegin(); it != m_claimedSections.crend(); ++it)
            m_stack.push_back({false, *it, item.depth + 1, {}});

        claimTasksIn(item.pos);
        for (auto it = m_claimedTasks.crbegin(); it != m_claimedTasks.crend(); ++it)
            m_stack.push_back({true, *it, item.depth + 1, {}});
    }

    const OutlineIndex& m_index;
    const Workspace& m_ws;
    const bool m_keepMissingTasks;
    std::vector<char> m_taskSeen;
    std::vector<char> m_sectionSeen;
    QSet<QUuid> m_missingSeen;
    std::vector<Pending> m_stack;
    std::vector<qsizetype> m_claimedTasks;
    std::vector<qsizetype> m_claimedSections;
};

QList<QUuid> flatten(const OutlineIndex& index, const QList<OutlineEntry>& entries) {
    const Workspace& ws = index.workspace();
    QList<QUuid> ids;
    ids.reserve(ws.tasks.size());
    const auto onTask = [&](qsizetype pos, int, bool, const QUuid& missingID) {
        ids.append(pos >= 0 ? ws.tasks.at(pos).id : missingID);
    };
    DisplayWalk(index, true).run(entries, onTask, [](qsizetype, int) {});
    return ids;
}

// Walks the section-tree order of `start`: each child section's order (in
// sortOrder, folders and groups alike), then the section's own tasks, calling
// onTask(position) for each. Sections already marked in `seen` (indexed by first
// position) are not entered again; the caller marks `start` itself.
template <typename OnTask>
void walkSectionTree(const OutlineIndex& index, const QUuid& start, std::vector<char>& seen,
                     OnTask&& onTask) {
    const Workspace& ws = index.workspace();
    struct Frame {
        QUuid id;
        size_t nextChild = 0;
    };
    std::vector<Frame> stack{{start, 0}};
    while (!stack.empty()) {
        const QUuid id = stack.back().id;
        const OutlineIndex::Span children = index.childrenOf(id);
        size_t& next = stack.back().nextChild;
        if (next < children.size()) {
            const qsizetype child = index.firstSectionPos(children[next++]);
            if (!std::exchange(seen[size_t(child)], 1))
                stack.push_back({ws.sections.at(child).id, 0});
            continue;
        }
        for (qsizetype pos : index.tasksIn(id))
            onTask(pos);
        stack.pop_back();
    }
}

// The section-tree order of every root, in sortOrder.
template <typename OnTask> void walkAllRoots(const OutlineIndex& index, OnTask&& onTask) {
    const Workspace& ws = index.workspace();
    std::vector<char> seen(size_t(ws.sections.size()), 0);
    for (qsizetype root : index.roots()) {
        const qsizetype pos = index.firstSectionPos(root);
        if (!std::exchange(seen[size_t(pos)], 1))
            walkSectionTree(index, ws.sections.at(pos).id, seen, onTask);
    }
}

// The ancestor of `sectionID` (or the section itself) that stands directly in
// the root. A chain broken by a missing parent ends at its topmost section,
// which is then shown at the top level rather than not at all; a parentID cycle
// leaves the section itself.
QUuid topLevelSection(const OutlineIndex& index, const QUuid& rootID, const QUuid& sectionID) {
    const QList<TaskSection>& sections = index.workspace().sections;
    QSet<QUuid> passed;
    QUuid current = sectionID;
    while (!passed.contains(current)) {
        passed.insert(current);
        const qsizetype pos = index.sectionPos(current);
        if (pos < 0)
            return current;
        const std::optional<QUuid>& parent = sections.at(pos).parentID;
        if (!parent || *parent == rootID || index.sectionPos(*parent) < 0)
            return current;
        current = *parent;
    }
    return sectionID;
}

QList<OutlineEntry> snapshot(const OutlineIndex& index) {
    const qsizetype rootPos = index.rootPos();
    if (rootPos < 0)
        return {};
    const Workspace& ws = index.workspace();
    const QUuid rootID = ws.sections.at(rootPos).id;

    // A task outside the root contributes the top-level section it lies in, so
    // nested folders stay under their parents.
    QList<OutlineEntry> entries;
    QSet<QUuid> seenSections;
    for (const TaskItem& task : ws.tasks) {
        if (task.sectionID == rootID) {
            entries.append(OutlineEntry::task(task.id));
            continue;
        }
        const QUuid top = topLevelSection(index, rootID, task.sectionID);
        if (!seenSections.contains(top)) {
            seenSections.insert(top);
            entries.append(OutlineEntry::section(top));
        }
    }
    for (qsizetype child : index.childrenOf(rootID)) {
        const QUuid& id = ws.sections.at(child).id;
        if (!seenSections.contains(id)) {
            seenSections.insert(id);
            entries.append(OutlineEntry::section(id));
        }
    }
    return entries;
}

QList<OutlineEntry> activeOrder(const OutlineIndex& index) {
    const Workspace& ws = index.workspace();
    if (ws.rootOutlineOrder.isEmpty())
        return snapshot(index);
    QList<OutlineEntry> entries;
    entries.reserve(ws.rootOutlineOrder.size());
    for (const OutlineEntry& entry : ws.rootOutlineOrder) {
        const bool exists = entry.isTask() ? index.taskPos(entry.id) >= 0 : index.sectionPos(entry.id) >= 0;
        if (exists)
            entries.append(entry);
    }
    return entries;
}

} // namespace

std::optional<QUuid> rootSectionID(const Workspace& ws) {
    const TaskSection* root = nullptr;
    for (const TaskSection& section : ws.sections) {
        if (!section.parentID && (!root || section.sortOrder < root->sortOrder))
            root = &section;
    }
    if (!root)
        return std::nullopt;
    return root->id;
}

QString sectionTitle(const Workspace& ws, const QUuid& sectionID) {
    for (const TaskSection& section : ws.sections) {
        if (section.id == sectionID)
            return section.title;
    }
    return QStringLiteral("Other");
}

QList<TaskSection> childSections(const Workspace& ws, const std::optional<QUuid>& parent) {
    QList<TaskSection> children;
    for (const TaskSection& section : ws.sections) {
        if (section.parentID == parent)
            children.append(section);
    }
    std::stable_sort(children.begin(), children.end(),
                     [](const TaskSection& a, const TaskSection& b) { return a.sortOrder < b.sortOrder; });
    return children;
}

std::optional<TaskSection> childSectionForHeaderTask(const Workspace& ws, const QUuid& taskID) {
    for (const TaskSection& section : ws.sections) {
        if (section.headerTaskID == taskID)
            return section;
    }
    return std::nullopt;
}

QList<TaskItem> tasksInSection(const Workspace& ws, const QUuid& sectionID) {
    QList<TaskItem> tasks;
    for (const TaskItem& task : ws.tasks) {
        if (task.sectionID == sectionID)
            tasks.append(task);
    }
    return tasks;
}

QList<QUuid> taskIDsInSectionFromGlobalOrder(const Workspace& ws, const QUuid& sectionID) {
    QList<QUuid> ids;
    for (const TaskItem& task : ws.tasks) {
        if (task.sectionID == sectionID)
            ids.append(task.id);
    }
    return ids;
}

QList<QUuid> orderedTaskIDs(const Workspace& ws, const QUuid& sectionID) {
    const OutlineIndex index(ws);
    std::vector<char> seen(size_t(ws.sections.size()), 0);
    const qsizetype pos = index.sectionPos(sectionID);
    if (pos >= 0)
        seen[size_t(pos)] = 1;
    QList<QUuid> ids;
    walkSectionTree(index, sectionID, seen, [&](qsizetype task) { ids.append(ws.tasks.at(task).id); });
    return ids;
}

QList<QUuid> fullDisplayOrder(const Workspace& ws) {
    const OutlineIndex index(ws);
    QList<QUuid> ids;
    ids.reserve(ws.tasks.size());
    walkAllRoots(index, [&](qsizetype task) { ids.append(ws.tasks.at(task).id); });
    return ids;
}

QList<OutlineEntry> computeOutlineOrderSnapshot(const Workspace& ws) {
    return snapshot(OutlineIndex(ws));
}

QList<OutlineEntry> activeOutlineOrder(const Workspace& ws) {
    return activeOrder(OutlineIndex(ws));
}

QList<OutlineEntry> repairedRootOrder(const Workspace& ws) {
    const OutlineIndex index(ws);
    if (ws.rootOutlineOrder.isEmpty() || index.rootPos() < 0)
        return snapshot(index);
    const QUuid rootID = ws.sections.at(index.rootPos()).id;
    const QList<OutlineEntry> kept = activeOrder(index);

    std::vector<char> taskShown(size_t(ws.tasks.size()), 0);
    std::vector<char> sectionShown(size_t(ws.sections.size()), 0);
    DisplayWalk(index, false)
        .run(
            kept,
            [&](qsizetype pos, int, bool, const QUuid&) {
                if (pos >= 0)
                    taskShown[size_t(pos)] = 1;
            },
            [&](qsizetype pos, int) { sectionShown[size_t(pos)] = 1; });
    const bool everyTaskShown = std::all_of(taskShown.cbegin(), taskShown.cend(), [](char c) { return c; });
    bool everyFolderShown = true;
    for (qsizetype child : index.childrenOf(rootID)) {
        const qsizetype pos = index.firstSectionPos(child);
        if (!ws.sections.at(pos).headerTaskID && !sectionShown[size_t(pos)])
            everyFolderShown = false;
    }
    if (everyTaskShown && everyFolderShown)
        return ws.rootOutlineOrder;

    QList<OutlineEntry> repaired = kept;
    const QSet<OutlineEntry> present(kept.cbegin(), kept.cend());
    for (const OutlineEntry& entry : snapshot(index)) {
        if (present.contains(entry))
            continue;
        // A group section is shown under its header task, never from the root order.
        if (entry.isSection() && ws.sections.at(index.sectionPos(entry.id)).headerTaskID)
            continue;
        repaired.append(entry);
    }
    return repaired;
}

QList<TaskSection> withSectionCyclesBroken(QList<TaskSection> sections, const QUuid& rootID) {
    QHash<QUuid, qsizetype> position;
    for (qsizetype i = 0; i < sections.size(); ++i)
        position.insert(sections.at(i).id, i); // a repeated ID: its last record, as any walk may meet it
    enum class State : char { unknown, onPath, settled };
    std::vector<State> state(size_t(sections.size()), State::unknown);
    std::vector<qsizetype> path;
    for (qsizetype start = 0; start < sections.size(); ++start) {
        path.clear();
        for (qsizetype at = start; state[size_t(at)] != State::settled;) {
            if (state[size_t(at)] == State::onPath) {
                // `at` is its own ancestor: hanging it from the root ends the cycle
                // and gives every section above it on the path a way up.
                sections[at].parentID = rootID;
                break;
            }
            state[size_t(at)] = State::onPath;
            path.push_back(at);
            const std::optional<QUuid>& parent = sections.at(at).parentID;
            const auto next = parent ? position.constFind(*parent) : position.cend();
            if (!parent || *parent == rootID || next == position.cend())
                break;
            at = *next;
        }
        for (qsizetype p : path)
            state[size_t(p)] = State::settled;
    }
    return sections;
}

QList<QUuid> flattenOutlineEntries(const Workspace& ws, const QList<OutlineEntry>& entries) {
    return flatten(OutlineIndex(ws), entries);
}

QList<QUuid> flattenTaskWithDescendants(const Workspace& ws, const QUuid& taskID) {
    return flatten(OutlineIndex(ws), {OutlineEntry::task(taskID)});
}

QList<OutlineRow> outlineRows(const Workspace& ws) {
    const OutlineIndex index(ws);
    if (index.rootPos() < 0)
        return {};
    QList<OutlineRow> rows;
    rows.reserve(ws.tasks.size() + ws.sections.size());
    DisplayWalk(index, false)
        .run(
            activeOrder(index),
            [&](qsizetype pos, int depth, bool isGroupHeader, const QUuid&) {
                rows.emplaceBack(ws.tasks.at(pos), depth, isGroupHeader);
            },
            [&](qsizetype pos, int depth) { rows.emplaceBack(ws.sections.at(pos), depth, false); });
    return rows;
}

std::optional<QList<TaskItem>> tasksInDisplayOrder(const Workspace& ws) {
    const OutlineIndex index(ws);
    // Without unique IDs no order can place every record exactly once.
    if (index.hasRepeatedTaskIDs())
        return std::nullopt;

    // Target positions; entries naming no task are passed over.
    const qsizetype count = ws.tasks.size();
    std::vector<qsizetype> order;
    order.reserve(size_t(count));
    const auto place = [&](qsizetype pos) {
        if (pos >= 0)
            order.push_back(pos);
    };
    if (ws.rootOutlineOrder.isEmpty())
        walkAllRoots(index, place);
    else
        DisplayWalk(index, true)
            .run(
                ws.rootOutlineOrder, [&](qsizetype pos, int, bool, const QUuid&) { place(pos); },
                [](qsizetype, int) {});

    // A task the outline cannot reach blocks the reordering as a whole.
    if (order.size() != size_t(count))
        return std::nullopt;
    bool moved = false;
    for (size_t i = 0; i < order.size() && !moved; ++i)
        moved = order[i] != qsizetype(i);
    if (!moved)
        return std::nullopt;

    QList<TaskItem> ordered;
    ordered.reserve(count);
    for (qsizetype pos : order)
        ordered.append(ws.tasks.at(pos));
    return ordered;
}

} // namespace vorn::outline
