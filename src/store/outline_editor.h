#pragma once

#include "model/records.h"
#include "model/workspace.h"
#include "store/store_part.h"

#include <QObject>
#include <QSet>

#include <optional>

namespace vorn {

// Editing the outline, with undo and redo. Each edit records one undo step
// (none when it changes nothing), leaves `tasks` in outline order with the
// finish times laid along it, and saves. An ID that names nothing makes an
// edit a no-op, except for addTask.
class OutlineEditor : public QObject {
    Q_OBJECT

public:
    static constexpr int kUndoLimit = 50;

    explicit OutlineEditor(TaskStore& store);

    // ---- undo (store/task_store_saving.cpp) ----------------------------
    const QList<WorkspaceSnapshot>& undoStack() const { return m_undoStack; }
    const QList<WorkspaceSnapshot>& redoStack() const { return m_redoStack; }
    bool canUndo() const { return !m_undoStack.isEmpty(); }
    bool canRedo() const { return !m_redoStack.isEmpty(); }
    void undo();
    void redo();
    WorkspaceSnapshot currentWorkspaceSnapshot() const;
    void applyWorkspaceSnapshot(const WorkspaceSnapshot& snapshot);

    // Tasks (store/outline_editor.cpp).
    QUuid addTask(const std::optional<QUuid>& after = std::nullopt,
                  const std::optional<QUuid>& in = std::nullopt);
    // Commits the title (an undo step when it changes) and adds the task below.
    QUuid focusTaskBelow(const QUuid& taskID, const QString& title);
    // One undo step when the title changes.
    void updateTitle(const QUuid& taskID, const QString& title);
    void updateDuration(const QUuid& taskID, qint64 minutes);
    void removeTask(const QUuid& taskID);
    // Indent and outdent (store/outline_editor_indent.cpp).
    void indentTask(const QUuid& taskID);
    void outdentTask(const QUuid& taskID);
    QUuid ensureChildSection(const TaskItem& task);
    // Drag and drop (store/outline_editor_moves.cpp). A task is never moved into its own
    // group or below it.
    void moveOutlineTask(const QUuid& draggedID, const QUuid& targetID);
    void moveTask(const QUuid& draggedID, const QUuid& targetID);
    void moveTask(const QUuid& taskID, const QUuid& toSection, const std::optional<QUuid>& before);
    void moveOutlineSection(const QUuid& sectionID, const std::optional<QUuid>& before);
    // Reorders among the siblings and saves; the undo step is the caller's.
    void moveSection(const QUuid& sectionID, const std::optional<QUuid>& before);
    // Sections (store/outline_editor_sections.cpp). A root is never deleted.
    void renameSection(const QUuid& sectionID, const QString& title);
    void renameRootTitle(const QString& title);
    bool canDeleteSection(const QUuid& sectionID) const;
    // The subsections first, one undo step per deleted section; the tasks move up.
    void deleteSection(const QUuid& sectionID);
    // Empties the section for a paste; no undo step, no reordering, no saving.
    void clearSectionContent(const QUuid& sectionID);

signals:
    void undoStateChanged();
    // addTask() asks for the new task's title to open with its text selected;
    // sent inside the operation, before its outlineChanged().
    void titleFocusRequested(const QUuid& taskID);

private:
    // The store and its other parts reach this part's internals.
    friend class TaskStore;
    friend class Outline;
    friend class BossEngine;
    friend class BossWatch;
    friend class ChatLog;
    friend class WebsiteBlocking;
    friend class TimelineEstimator;
    friend class StorePreferences;
    friend class WindowState;

    // Every operation that changes the workspace takes its own step first.
    void recordUndoSnapshot();
    // store/outline_editor_indent.cpp
    void collapseEmptyChildSections();
    // store/outline_editor_moves.cpp, outline_editor_sections.cpp
    void applyTaskMove(const std::optional<Workspace>& edited);
    void deleteSectionTree(const QUuid& sectionID, QSet<QUuid>& entered);

    TaskStore& m_store;
    QList<WorkspaceSnapshot> m_undoStack;
    QList<WorkspaceSnapshot> m_redoStack;
    bool m_isApplyingUndoRedo = false;
};

} // namespace vorn
