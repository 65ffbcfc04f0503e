#pragma once

#include "model/workspace.h"

#include <QHash>
#include <QList>

#include <span>
#include <vector>

namespace vorn::outline {

// Lookups over one workspace, built once per query so that the walks never scan
// the arrays again. Positions index `ws.tasks` and `ws.sections`. Where an ID is
// held by several records, lookups by ID answer the first one in array order.
// The index refers to the workspace it was built from, which must outlive it and
// stay unchanged.
class OutlineIndex {
public:
    using Positions = QList<qsizetype>;
    using Span = std::span<const qsizetype>;

    explicit OutlineIndex(const Workspace& ws);

    const Workspace& workspace() const { return m_ws; }

    // Position of the first record with the ID, or -1.
    qsizetype taskPos(const QUuid& id) const { return m_taskByID.value(id, 0) - 1; }
    qsizetype sectionPos(const QUuid& id) const { return m_sectionByID.value(id, -1); }
    // The group section of a heading task: the first section whose headerTaskID it is, or -1.
    qsizetype groupPos(const QUuid& headerTaskID) const { return m_groupByHeader.value(headerTaskID, -1); }
    // The same for the task at `pos`, without hashing its ID.
    qsizetype groupOfTask(qsizetype pos) const { return m_groupOfTask[size_t(firstTaskPos(pos))]; }

    // The first position holding the same ID as the record at `pos`. Walks mark
    // these as visited, so a repeated ID is walked once.
    qsizetype firstTaskPos(qsizetype pos) const { return m_firstTaskPos[size_t(pos)]; }
    qsizetype firstSectionPos(qsizetype pos) const { return m_firstSectionPos[size_t(pos)]; }
    bool hasRepeatedTaskIDs() const { return m_taskByID.size() != m_ws.tasks.size(); }

    // Tasks standing in the section, in array order.
    Span tasksIn(const QUuid& sectionID) const;
    // The same for the section at `pos`.
    Span tasksInSectionAt(qsizetype pos) const;
    // Sections whose parentID is `parentID`, by sortOrder, ties in array order.
    Span childrenOf(const QUuid& parentID) const;
    // Sections without a parent, in the same order.
    const Positions& roots() const { return m_roots; }
    // The first root, or -1.
    qsizetype rootPos() const { return m_roots.isEmpty() ? -1 : m_roots.first(); }

private:
    const Workspace& m_ws;
    QHash<QUuid, qsizetype> m_taskByID; // first position + 1
    QHash<QUuid, qsizetype> m_sectionByID;
    QHash<QUuid, qsizetype> m_groupByHeader;
    // Tasks grouped by section: the tasks of the section at first position p are
    // m_tasksBySection[m_sectionTasksBegin[p] .. m_sectionTasksBegin[p + 1]).
    std::vector<qsizetype> m_tasksBySection;
    std::vector<qsizetype> m_sectionTasksBegin;
    // Tasks whose sectionID names no section.
    QHash<QUuid, Positions> m_strayTasks;
    QHash<QUuid, Positions> m_childrenByParent;
    Positions m_roots;
    std::vector<qsizetype> m_firstTaskPos;
    std::vector<qsizetype> m_firstSectionPos;
    std::vector<qsizetype> m_groupOfTask; // by first task position
};

} // namespace vorn::outline
