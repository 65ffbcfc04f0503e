#pragma once

#include "model/outline_row.h"
#include "model/records.h"
#include "model/workspace.h"
#include "store/store_part.h"

#include <QObject>
#include <QSet>

#include <optional>

namespace vorn {

// The outline as the store holds it: the tasks, the sections, the outline
// order, the collapsed sections and the schedule start, with the queries the
// views read and the finish times laid along the order. Every published field
// has a change signal that is emitted on each assignment.
class Outline : public QObject {
    Q_OBJECT

public:
    explicit Outline(TaskStore& store);

    // ---- published fields (store/task_store_fields.cpp) -----------------
    const QList<TaskItem>& tasks() const { return m_workspace.tasks; }
    void setTasks(QList<TaskItem> tasks);
    const QList<TaskSection>& sections() const { return m_workspace.sections; }
    void setSections(QList<TaskSection> sections);
    const QList<OutlineEntry>& rootOutlineOrder() const { return m_workspace.rootOutlineOrder; }
    void setRootOutlineOrder(QList<OutlineEntry> order);
    const QSet<QUuid>& collapsedSectionIDs() const { return m_collapsedSectionIDs; }
    void setCollapsedSectionIDs(const QSet<QUuid>& ids);
    Instant scheduleStartTime() const { return m_scheduleStartTime; }
    void setScheduleStartTime(Instant start);
    const Workspace& workspace() const { return m_workspace; }
    QList<TaskItem> completedTasks() const;
    QList<TaskItem> pendingTasks() const;

    // ---- queries and orders (store/outline.cpp) --------
    std::optional<QUuid> rootSectionID() const;
    QString sectionTitle(const QUuid& sectionID) const;
    QList<TaskSection> childSections(const std::optional<QUuid>& parent) const;
    std::optional<TaskSection> childSection(const QUuid& headerTaskID) const;
    QList<TaskItem> tasksIn(const QUuid& sectionID) const;
    QList<QUuid> orderedTaskIDs(const QUuid& sectionID) const;
    QList<QUuid> fullDisplayOrder() const;
    QList<OutlineEntry> computeOutlineOrderSnapshot() const;
    QList<OutlineEntry> activeOutlineOrder() const;
    QList<OutlineRow> outlineRows() const;
    void ensureTasksInDisplayOrder();

    // ---- schedule (store/outline.cpp, outline_schedule.cpp) ----
    void recalculateFinishTimes();
    Instant taskStartTime(const QUuid& taskID) const;
    std::optional<Instant> sectionFinishTime(const QUuid& sectionID) const;
    void resetStartToNow();

signals:
    void tasksChanged();
    void sectionsChanged();
    void rootOutlineOrderChanged();
    void collapsedSectionIDsChanged();
    void scheduleStartTimeChanged();
    // Once at the end of every operation that changed the tasks, the sections
    // or the outline order, after their own signals: the rows to show changed.
    void outlineChanged();

private:
    // The store and its other parts reach this part's internals.
    friend class TaskStore;
    friend class OutlineEditor;
    friend class BossEngine;
    friend class BossWatch;
    friend class ChatLog;
    friend class WebsiteBlocking;
    friend class TimelineEstimator;
    friend class StorePreferences;
    friend class WindowState;

    // Held for the length of an outline operation (nested ones included), so
    // that outlineChanged() goes out once, at the end (store/task_store_fields.cpp).
    class OutlineChange {
    public:
        explicit OutlineChange(Outline& outline);
        ~OutlineChange();
        OutlineChange(const OutlineChange&) = delete;
        OutlineChange& operator=(const OutlineChange&) = delete;

    private:
        Outline& m_outline;
    };
    void noteOutlineChanged();
    void saveCollapsedSections();

    TaskStore& m_store;
    Workspace m_workspace;
    QSet<QUuid> m_collapsedSectionIDs;
    Instant m_scheduleStartTime = 0;
    int m_outlineChangeDepth = 0;
    bool m_outlineChangePending = false;
};

} // namespace vorn
