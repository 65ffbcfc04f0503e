// Saving, the chat's system lines, undo and redo, and clearing the list.
#include "store/task_store.h"

#include "platform/log.h"

namespace vorn {

DatabaseService::SessionSnapshot TaskStore::sessionSnapshot() const {
    return {m_scheduleStartTime, m_pasteText, m_inMotivationalStartPhase, m_workspace.rootOutlineOrder};
}

void TaskStore::persistWorkspace() {
    if (!database().canSave())
        return; // read-only, or not yet read: the stored rows stay as they are
    qCDebug(lcStore) << "saving the workspace";
    const bool ok = database().saveWorkspace(tasks(), sections(), m_gamification, sessionSnapshot(),
                                             buildOverdueSnapshots(), m_chatMessages);
    noteSaveResult(ok);
}

void TaskStore::persistSessionOnly() {
    if (!database().canSave())
        return;
    noteSaveResult(database().saveSession(sessionSnapshot()));
}

// A failed save keeps the in-memory state and tells the user once, so nobody
// keeps typing into a list that is silently not being stored. The notice comes
// again after a save has worked in between.
void TaskStore::noteSaveResult(bool ok) {
    m_lastSaveFailed = !ok;
    if (ok) {
        m_saveFailureReported = false;
        return;
    }
    if (m_saveFailureReported || database().openOutcome() == DatabaseService::OpenOutcome::inMemoryOnly)
        return;
    m_saveFailureReported = true;
    qCWarning(lcStore) << "saving the workspace failed; keeping the list in memory";
    postSystemMessage(
        QStringLiteral("Your changes could not be saved to %1. Vorn keeps them while it runs and "
                       "tries again with the next change.")
            .arg(database().path()));
}

void TaskStore::appendChatMessage(ChatMessage::Role role, const QString& content,
                                  std::optional<BossAIMode> mode) {
    ChatMessage message;
    message.id = newUuid();
    message.role = role;
    message.content = content;
    message.mode = mode;
    message.timestamp = now();
    QList<ChatMessage> chat = m_chatMessages;
    chat.append(message);
    setChatMessages(std::move(chat));
}

void TaskStore::postSystemMessage(const QString& text) {
    appendChatMessage(ChatMessage::Role::system, text, std::nullopt);
    if (database().canSave())
        database().saveChatMessages(m_chatMessages);
}

WorkspaceSnapshot TaskStore::currentWorkspaceSnapshot() const {
    return {m_workspace.tasks, m_workspace.sections, m_workspace.rootOutlineOrder};
}

void TaskStore::recordUndoSnapshot() {
    if (m_isApplyingUndoRedo || m_isLoadingWorkspace)
        return;
    if (m_undoStack.size() >= kUndoLimit)
        m_undoStack.remove(0, m_undoStack.size() - kUndoLimit + 1);
    m_undoStack.append(currentWorkspaceSnapshot());
    m_redoStack.clear();
    emit undoStateChanged();
}

void TaskStore::undo() {
    const OutlineChange change(*this);
    if (m_undoStack.isEmpty())
        return;
    const WorkspaceSnapshot snapshot = m_undoStack.takeLast();
    m_redoStack.append(currentWorkspaceSnapshot());
    emit undoStateChanged();
    applyWorkspaceSnapshot(snapshot);
}

void TaskStore::redo() {
    const OutlineChange change(*this);
    if (m_redoStack.isEmpty())
        return;
    const WorkspaceSnapshot snapshot = m_redoStack.takeLast();
    m_undoStack.append(currentWorkspaceSnapshot());
    emit undoStateChanged();
    applyWorkspaceSnapshot(snapshot);
}

void TaskStore::applyWorkspaceSnapshot(const WorkspaceSnapshot& snapshot) {
    const OutlineChange change(*this);
    m_isApplyingUndoRedo = true;
    const QList<TaskItem> before = tasks();
    setTasks(snapshot.tasks);
    reconcileCompletionRecords(before, tasks());
    setSections(snapshot.sections);
    setRootOutlineOrder(snapshot.rootOutlineOrder);
    if (!tasks().isEmpty()) {
        ensureTasksInDisplayOrder();
        recalculateFinishTimes();
    }
    persistWorkspace();
    m_isApplyingUndoRedo = false;
}

void TaskStore::clearAllTasks() {
    const OutlineChange change(*this);
    recordUndoSnapshot();

    setTasks({});
    setRootOutlineOrder({});
    setPasteText(QString());
    setScheduleStartTime(now());
    m_inMotivationalStartPhase = false;

    m_lastOverdueNotificationAt.clear();
    m_overdueEscalationChatSent.clear();
    m_overdueIntenseChatSent.clear();

    database().clearTasksAndChat();
    setChatMessages({});

    ensurePlaceholderTaskIfEmpty();

    persistWorkspace();
    refreshBossAIMetrics();

    const QString done = QStringLiteral("All tasks cleared.");
    setStatusMessage(done);
    postSystemMessage(done);
}

} // namespace vorn
