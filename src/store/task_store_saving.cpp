// Saving, the chat's system lines, undo and redo, and clearing the list.
#include "store/task_store.h"

#include "platform/log.h"

namespace vorn {

DatabaseService::SessionSnapshot TaskStore::sessionSnapshot() const {
    return {outline().m_scheduleStartTime, window().m_pasteText, boss().m_inMotivationalStartPhase,
            outline().m_workspace.rootOutlineOrder};
}

void TaskStore::persistWorkspace() {
    if (!database().canSave())
        return; // read-only, or not yet read: the stored rows stay as they are
    qCDebug(lcStore) << "saving the workspace";
    const bool ok =
        database().saveWorkspace(outline().tasks(), outline().sections(), boss().m_gamification,
                                 sessionSnapshot(), watch().buildOverdueSnapshots(), chat().m_chatMessages);
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
    chat().postSystemMessage(tr("Your changes could not be saved to %1. Vorn keeps them while it runs and "
                                "tries again with the next change.")
                                 .arg(database().path()));
}

void ChatLog::appendChatMessage(ChatMessage::Role role, const QString& content,
                                std::optional<BossAIMode> mode) {
    ChatMessage message;
    message.id = newUuid();
    message.role = role;
    message.content = content;
    message.mode = mode;
    message.timestamp = m_store.now();
    QList<ChatMessage> chat = m_chatMessages;
    chat.append(message);
    setChatMessages(std::move(chat));
}

void ChatLog::postSystemMessage(const QString& text) {
    appendChatMessage(ChatMessage::Role::system, text, std::nullopt);
    if (m_store.database().canSave())
        m_store.database().saveChatMessages(m_chatMessages);
}

WorkspaceSnapshot OutlineEditor::currentWorkspaceSnapshot() const {
    return {m_store.outline().m_workspace.tasks, m_store.outline().m_workspace.sections,
            m_store.outline().m_workspace.rootOutlineOrder};
}

void OutlineEditor::recordUndoSnapshot() {
    if (m_isApplyingUndoRedo || m_store.m_isLoadingWorkspace)
        return;
    if (m_undoStack.size() >= kUndoLimit)
        m_undoStack.remove(0, m_undoStack.size() - kUndoLimit + 1);
    m_undoStack.append(currentWorkspaceSnapshot());
    m_redoStack.clear();
    emit undoStateChanged();
}

void OutlineEditor::undo() {
    const Outline::OutlineChange change(m_store.outline());
    if (m_undoStack.isEmpty())
        return;
    const WorkspaceSnapshot snapshot = m_undoStack.takeLast();
    m_redoStack.append(currentWorkspaceSnapshot());
    emit undoStateChanged();
    applyWorkspaceSnapshot(snapshot);
}

void OutlineEditor::redo() {
    const Outline::OutlineChange change(m_store.outline());
    if (m_redoStack.isEmpty())
        return;
    const WorkspaceSnapshot snapshot = m_redoStack.takeLast();
    m_undoStack.append(currentWorkspaceSnapshot());
    emit undoStateChanged();
    applyWorkspaceSnapshot(snapshot);
}

void OutlineEditor::applyWorkspaceSnapshot(const WorkspaceSnapshot& snapshot) {
    const Outline::OutlineChange change(m_store.outline());
    m_isApplyingUndoRedo = true;
    const QList<TaskItem> before = m_store.outline().tasks();
    m_store.outline().setTasks(snapshot.tasks);
    m_store.reconcileCompletionRecords(before, m_store.outline().tasks());
    m_store.outline().setSections(snapshot.sections);
    m_store.outline().setRootOutlineOrder(snapshot.rootOutlineOrder);
    if (!m_store.outline().tasks().isEmpty()) {
        m_store.outline().ensureTasksInDisplayOrder();
        m_store.outline().recalculateFinishTimes();
    }
    m_store.persistWorkspace();
    m_isApplyingUndoRedo = false;
}

void TaskStore::clearAllTasks() {
    const Outline::OutlineChange change(outline());
    editor().recordUndoSnapshot();

    outline().setTasks({});
    outline().setRootOutlineOrder({});
    window().setPasteText(QString());
    outline().setScheduleStartTime(now());
    boss().m_inMotivationalStartPhase = false;

    watch().m_lastOverdueNotificationAt.clear();
    watch().m_overdueEscalationChatSent.clear();
    watch().m_overdueIntenseChatSent.clear();

    database().clearTasksAndChat();
    m_taskAnalytics.reset();
    chat().setChatMessages({});

    ensurePlaceholderTaskIfEmpty();

    persistWorkspace();
    boss().refreshBossAIMetrics();

    const QString done = tr("All tasks cleared.");
    setStatusMessage(done);
    chat().postSystemMessage(done);
}

} // namespace vorn
