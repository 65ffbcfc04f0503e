#include "model/outline_index.h"

#include <algorithm>
#include <numeric>

namespace vorn::outline {

OutlineIndex::OutlineIndex(const Workspace& ws) : m_ws(ws) {
    const qsizetype taskCount = ws.tasks.size();
    const qsizetype sectionCount = ws.sections.size();

    m_sectionByID.reserve(sectionCount);
    m_firstSectionPos.resize(size_t(sectionCount));
    for (qsizetype i = 0; i < sectionCount; ++i) {
        const TaskSection& section = ws.sections.at(i);
        auto it = m_sectionByID.find(section.id);
        if (it == m_sectionByID.end())
            it = m_sectionByID.insert(section.id, i);
        m_firstSectionPos[size_t(i)] = it.value();
        if (section.headerTaskID && !m_groupByHeader.contains(*section.headerTaskID))
            m_groupByHeader.insert(*section.headerTaskID, i);
    }

    // Tasks are bucketed by the position of their section with a counting sort,
    // which keeps each bucket in array order.
    m_taskByID.reserve(taskCount);
    m_firstTaskPos.resize(size_t(taskCount));
    std::vector<qsizetype> sectionOfTask(size_t(taskCount), -1);
    m_sectionTasksBegin.assign(size_t(sectionCount) + 1, 0);
    QUuid lastSectionID;
    qsizetype lastSection = sectionPos(lastSectionID);
    for (qsizetype i = 0; i < taskCount; ++i) {
        const TaskItem& task = ws.tasks.at(i);
        qsizetype& first = m_taskByID[task.id];
        if (first == 0)
            first = i + 1;
        m_firstTaskPos[size_t(i)] = first - 1;
        // Arrays mostly hold a section's tasks side by side.
        if (task.sectionID != lastSectionID) {
            lastSectionID = task.sectionID;
            lastSection = sectionPos(task.sectionID);
        }
        const qsizetype section = lastSection;
        if (section < 0) {
            m_strayTasks[task.sectionID].append(i);
            continue;
        }
        sectionOfTask[size_t(i)] = section;
        ++m_sectionTasksBegin[size_t(section) + 1];
    }
    std::partial_sum(m_sectionTasksBegin.begin(), m_sectionTasksBegin.end(), m_sectionTasksBegin.begin());
    std::vector<qsizetype> fill(m_sectionTasksBegin.begin(), m_sectionTasksBegin.end() - 1);
    m_tasksBySection.resize(size_t(m_sectionTasksBegin.back()));
    for (qsizetype i = 0; i < taskCount; ++i) {
        if (const qsizetype section = sectionOfTask[size_t(i)]; section >= 0)
            m_tasksBySection[size_t(fill[size_t(section)]++)] = i;
    }

    m_groupOfTask.assign(size_t(taskCount), -1);
    for (auto it = m_groupByHeader.cbegin(); it != m_groupByHeader.cend(); ++it) {
        if (const qsizetype header = taskPos(it.key()); header >= 0)
            m_groupOfTask[size_t(header)] = it.value();
    }

    // Distributing the sections in one stable sortOrder pass leaves every
    // sibling list sorted, with ties in array order.
    Positions bySortOrder(sectionCount);
    std::iota(bySortOrder.begin(), bySortOrder.end(), qsizetype(0));
    std::stable_sort(bySortOrder.begin(), bySortOrder.end(), [&](qsizetype a, qsizetype b) {
        return ws.sections.at(a).sortOrder < ws.sections.at(b).sortOrder;
    });
    for (qsizetype pos : bySortOrder) {
        const TaskSection& section = ws.sections.at(pos);
        if (section.parentID)
            m_childrenByParent[*section.parentID].append(pos);
        else
            m_roots.append(pos);
    }
}

OutlineIndex::Span OutlineIndex::tasksInSectionAt(qsizetype pos) const {
    const size_t section = size_t(firstSectionPos(pos));
    const size_t begin = size_t(m_sectionTasksBegin[section]);
    const size_t end = size_t(m_sectionTasksBegin[section + 1]);
    return Span(m_tasksBySection).subspan(begin, end - begin);
}

OutlineIndex::Span OutlineIndex::tasksIn(const QUuid& sectionID) const {
    if (const qsizetype section = sectionPos(sectionID); section >= 0)
        return tasksInSectionAt(section);
    const auto it = m_strayTasks.constFind(sectionID);
    return it == m_strayTasks.cend() ? Span() : Span(it->cbegin(), it->cend());
}

OutlineIndex::Span OutlineIndex::childrenOf(const QUuid& parentID) const {
    const auto it = m_childrenByParent.constFind(parentID);
    return it == m_childrenByParent.cend() ? Span() : Span(it->cbegin(), it->cend());
}

} // namespace vorn::outline
