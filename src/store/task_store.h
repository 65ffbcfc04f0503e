#pragma once

#include "model/mode_arithmetic.h"
#include "model/mode_probabilities.h"
#include "model/outline_row.h"
#include "model/records.h"
#include "model/workspace.h"
#include "persistence/database_service.h"
#include "services/boss_ai_service.h"
#include "services/hosts_blocker.h"
#include "services/proxy_config.h"
#include "store/playback_notices.h"

#include <QHash>
#include <QObject>
#include <QSet>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QNetworkAccessManager;
class QTimer;

namespace vorn {

class AudioOutput;
class BossAIBackgroundJob;
struct ParsedNode;
class Clock;
class RandomSource;
class Preferences;
class SpeechPlayer;

// The line of keys a first start shows under "Vorn online. Import tasks to get started.".
QString firstStartKeysText();

// What the store runs against; every piece is owned by the caller and outlives the store.
struct StoreEnvironment {
    const Clock* clock = nullptr;
    RandomSource* random = nullptr;
    Preferences* preferences = nullptr;
    DatabaseService* database = nullptr;

    // Where chat and speech requests go; unset resolves it from the
    // environment and the preferences at each request.
    std::function<ProxyConfig()> proxy;
    QNetworkAccessManager* network = nullptr; // nullptr: the process-wide one
    SpeechPlayer* speechPlayer = nullptr;     // nullptr: SpeechPlayer::shared()
    AudioOutput* audioOutput = nullptr;       // alert sounds; nullptr: the default output

    // The boss watch's timers.
    std::chrono::milliseconds hourlyInterval{3'600'000};
    std::chrono::milliseconds minuteInterval{60'000};
    // How often a database held by another program is tried again.
    std::chrono::milliseconds databaseRetryInterval{5'000};

    // Website blocking; the default names the real hosts file, sudo and helper.
    HostsBlockerConfig hostsBlocker = {};

    // A command-line run (--import, --export): no greeting in the chat, no boss
    // message (so no network connection) and no look at the website block.
    bool commandLine = false;
};

// The one object that owns the application state: the outline, the schedule
// start, the boss state, the chat, the counters and the preferences. Views read
// it and call its operations; every published field has a change signal that is
// emitted on each assignment. Main thread only.
class TaskStore : public QObject {
    Q_OBJECT

public:
    static constexpr int kUndoLimit = 50;
    // The late threshold's range, as the settings window offers it.
    static constexpr double kMinLateMultiplier = 1.0;
    static constexpr double kMaxLateMultiplier = 2.0;

    explicit TaskStore(const StoreEnvironment& env, QObject* parent = nullptr);
    ~TaskStore() override;

    // ---- published fields (store/task_store_fields.cpp) -----------------
    const QList<TaskItem>& tasks() const { return m_workspace.tasks; }
    void setTasks(QList<TaskItem> tasks);
    const QList<TaskSection>& sections() const { return m_workspace.sections; }
    void setSections(QList<TaskSection> sections);
    const GamificationState& gamification() const { return m_gamification; }
    void setGamification(const GamificationState& state);
    bool showImportSheet() const { return m_showImportSheet; }
    void setShowImportSheet(bool show);
    const QString& pasteText() const { return m_pasteText; }
    void setPasteText(const QString& text);
    Instant scheduleStartTime() const { return m_scheduleStartTime; }
    void setScheduleStartTime(Instant start);
    bool isEstimating() const { return m_isEstimating; }
    void setIsEstimating(bool estimating);
    const std::optional<QString>& statusMessage() const { return m_statusMessage; }
    void setStatusMessage(const std::optional<QString>& message);
    const std::optional<QString>& errorMessage() const { return m_errorMessage; }
    void setErrorMessage(const std::optional<QString>& message);
    const BossAIState& bossAIState() const { return m_bossAIState; }
    void setBossAIState(const BossAIState& state);
    double demonModeProbability() const { return m_demonModeProbability; }
    void setDemonModeProbability(double probability);
    const ModeProbabilities& modeProbabilities() const { return m_modeProbabilities; }
    void setModeProbabilities(const ModeProbabilities& probabilities);
    const QList<ChatMessage>& chatMessages() const { return m_chatMessages; }
    void setChatMessages(QList<ChatMessage> messages);
    const QString& chatInput() const { return m_chatInput; }
    void setChatInput(const QString& text);
    bool isChatLoading() const { return m_isChatLoading; }
    void setIsChatLoading(bool loading);
    bool isBossAIActive() const { return m_isBossAIActive; }
    void setIsBossAIActive(bool active);
    bool isChatVisible() const { return m_isChatVisible; }
    void setIsChatVisible(bool visible);
    double chatPanelFraction() const { return m_chatPanelFraction; }
    void setChatPanelFraction(double fraction);
    const QSet<QUuid>& collapsedSectionIDs() const { return m_collapsedSectionIDs; }
    void setCollapsedSectionIDs(const QSet<QUuid>& ids);
    const std::optional<QUuid>& pendingTitleFocusID() const { return m_pendingTitleFocusID; }
    void setPendingTitleFocusID(const std::optional<QUuid>& id);
    bool pendingTitleSelectAll() const { return m_pendingTitleSelectAll; }
    void setPendingTitleSelectAll(bool selectAll);
    const QList<OutlineEntry>& rootOutlineOrder() const { return m_workspace.rootOutlineOrder; }
    void setRootOutlineOrder(QList<OutlineEntry> order);
    const QString& openAIModel() const { return m_openAIModel; }
    void setOpenAIModel(const QString& model);
    double lateThresholdMultiplier() const { return m_lateThresholdMultiplier; }
    void setLateThresholdMultiplier(double multiplier);
    bool demonWebsiteBlockingEnabled() const { return m_demonWebsiteBlockingEnabled; }
    void setDemonWebsiteBlockingEnabled(bool enabled);
    const QString& blockedSitesText() const { return m_blockedSitesText; }
    void setBlockedSitesText(const QString& text);
    const std::optional<BossAIMode>& activeBossMode() const { return m_activeBossMode; }
    void setActiveBossMode(const std::optional<BossAIMode>& mode);
    // Whether boss messages are spoken; off, no speech is requested at all.
    bool speakMessages() const { return m_speakMessages; }
    void setSpeakMessages(bool speak);
    // Whether boss messages also reach the desktop as notifications while the
    // window is in the background.
    bool showNotifications() const { return m_showNotifications; }
    void setShowNotifications(bool show);

    // ---- derived and plain state (store/task_store_startup.cpp) -----------
    const Workspace& workspace() const { return m_workspace; }
    QList<TaskItem> completedTasks() const;
    QList<TaskItem> pendingTasks() const;
    bool inMotivationalStartPhase() const { return m_inMotivationalStartPhase; }
    bool isLoadingWorkspace() const { return m_isLoadingWorkspace; }
    bool isDeliveringBossMessage() const { return m_isDeliveringBossMessage; }
    const QList<WorkspaceSnapshot>& undoStack() const { return m_undoStack; }
    const QList<WorkspaceSnapshot>& redoStack() const { return m_redoStack; }
    bool canUndo() const { return !m_undoStack.isEmpty(); }
    bool canRedo() const { return !m_redoStack.isEmpty(); }
    const QHash<QUuid, Instant>& lastOverdueNotificationAt() const { return m_lastOverdueNotificationAt; }
    const QSet<QUuid>& overdueEscalationChatSent() const { return m_overdueEscalationChatSent; }
    const QSet<QUuid>& overdueIntenseChatSent() const { return m_overdueIntenseChatSent; }
    DatabaseService& database() const { return *m_env.database; }
    Instant now() const;

    // ---- saving, system lines, undo (store/task_store_saving.cpp) ----------
    void persistWorkspace();
    // Whether the last save reached the database and failed there (a full
    // disk, a file locked meanwhile, a table of an unexpected shape).
    bool lastSaveFailed() const { return m_lastSaveFailed; }
    void postSystemMessage(const QString& text);
    void saveCollapsedSections();
    void recordUndoSnapshot();
    void undo();
    void redo();
    void clearAllTasks();
    WorkspaceSnapshot currentWorkspaceSnapshot() const;
    void applyWorkspaceSnapshot(const WorkspaceSnapshot& snapshot);

    // ---- outline queries and orders (store/task_store_outline.cpp) --------
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

    // ---- outline editing -----------------------------------------------------
    // Each edit records one undo step (none when it changes nothing), leaves
    // `tasks` in outline order with the finish times laid along it, and saves.
    // An ID that names nothing makes an edit a no-op, except for addTask.
    // Tasks (store/task_store_editing.cpp).
    QUuid addTask(const std::optional<QUuid>& after = std::nullopt,
                  const std::optional<QUuid>& in = std::nullopt);
    // Commits the title (an undo step when it changes) and adds the task below.
    QUuid focusTaskBelow(const QUuid& taskID, const QString& title);
    // Records no undo step: callers that want one take it first.
    void updateTitle(const QUuid& taskID, const QString& title);
    void updateDuration(const QUuid& taskID, qint64 minutes);
    void removeTask(const QUuid& taskID);
    // Indent and outdent (store/task_store_indent.cpp).
    void indentTask(const QUuid& taskID);
    void outdentTask(const QUuid& taskID);
    QUuid ensureChildSection(const TaskItem& task);
    // Drag and drop (store/task_store_moves.cpp). A task is never moved into its own
    // group or below it.
    void moveOutlineTask(const QUuid& draggedID, const QUuid& targetID);
    void moveTask(const QUuid& draggedID, const QUuid& targetID);
    void moveTask(const QUuid& taskID, const QUuid& toSection, const std::optional<QUuid>& before);
    void moveOutlineSection(const QUuid& sectionID, const std::optional<QUuid>& before);
    // Reorders among the siblings and saves; the undo step is the caller's.
    void moveSection(const QUuid& sectionID, const std::optional<QUuid>& before);
    // Sections (store/task_store_sections.cpp). A root is never deleted.
    void renameSection(const QUuid& sectionID, const QString& title);
    void renameRootTitle(const QString& title);
    bool canDeleteSection(const QUuid& sectionID) const;
    // The subsections first, one undo step per deleted section; the tasks move up.
    void deleteSection(const QUuid& sectionID);
    // Empties the section for a paste; no undo step, no reordering, no saving.
    void clearSectionContent(const QUuid& sectionID);

    // ---- schedule (store/task_store_outline.cpp) ----------------------------
    void recalculateFinishTimes();
    Instant taskStartTime(const QUuid& taskID) const;
    std::optional<Instant> sectionFinishTime(const QUuid& sectionID) const;

    // ---- overdue bookkeeping (store/task_store_overdue.cpp) -------------------
    QList<DatabaseService::OverdueSnapshot> buildOverdueSnapshots() const;

    // ---- boss engine (store/task_store_boss_metrics.cpp) -------------------------
    // Recomputes the recent completions, the Demon lock, surge expiry and both
    // probability fields; changes neither the urgency nor the mode.
    void refreshBossAIMetrics();
    BossAIMode selectBossMode(int recentCompletions);
    void releaseDemonLockAfterCompletion(bool wasOnTime);
    void recordActivity();
    void beginMotivationalSession();
    void resetBossAIState();
    std::optional<TaskItem> currentActiveTask() const;
    bool isSurgeActive() const;
    QString moodImageName() const { return currentMood().imageName; }
    QString moodHeadline() const { return currentMood().headline; }
    QString moodSubtitle() const { return currentMood().subtitle; }
    boss::MoodColor moodAccentColor() const { return currentMood().accentColor; }

    // ---- website blocking (store/task_store_website_blocking.cpp) -----------------
    HostsBlocker& hostsBlocker() { return m_hostsBlocker; }
    // blockedSitesText split into lines, each trimmed, blank ones dropped.
    QStringList blockedSites() const;
    // Blocks the sites in Demon mode and lifts the block in any other mode,
    // while the setting is on; the helper runs in the background. Entries of
    // the list that name no host are left out, and the chat says which.
    void updateDemonWebsiteBlocking(std::optional<BossAIMode> mode);
    // On the way out: ends the helper work and lifts the block without a
    // password prompt, within a few seconds. Nothing is blocked afterwards.
    void shutDownWebsiteBlocking();

    // ---- boss messages (store/task_store_messages.cpp) ----------------------------
    QCoro::Task<> deliverBossChatMessage(QString triggerReason, bool intense,
                                         std::optional<BossAIMode> forcedMode,
                                         std::optional<QUuid> regardingTaskID);
    QCoro::Task<> sendUserChatMessage(QString text);
    ProxyConfig proxyConfig() const;

    // ---- overdue and inactivity watch (store/task_store_watch.cpp) ------------------
    void startBossAI();
    void stopBossAI();
    QCoro::Task<> runHourlyBossAICheck();
    QCoro::Task<> checkLateAndNotify();
    bool shouldSendInitialOverdueChat(const TaskItem& task, double ratio) const;
    void clearOverdueNotificationCooldowns(qsizetype fromIndex);
    const BossAIBackgroundJob* backgroundJob() const { return m_backgroundJob.get(); }

    // ---- completion and surge (store/task_store_completion.cpp, task_store_surge.cpp) ---
    void toggleCompletion(const QUuid& taskID);
    bool shouldSkipCompletionBossMessage(const QUuid& taskID) const;
    void maybeTriggerSurgeMode(const QUuid& sectionID);
    void expireSurgeIfNeeded();

    // ---- paste import (store/task_store_paste.cpp) ------------------------------------------
    void replaceFromPaste(const QString& text);
    void pasteIntoSection(const QString& text, const QUuid& sectionID);

    // ---- AI timeline estimate (store/task_store_estimate.cpp) -------------------------------
    QCoro::Task<> estimateWithAI();

    // ---- schedule commands (store/task_store_schedule.cpp) ---------------------------------
    void resetStartToNow();

signals:
    void tasksChanged();
    void sectionsChanged();
    void gamificationChanged();
    void showImportSheetChanged();
    void pasteTextChanged();
    void scheduleStartTimeChanged();
    void isEstimatingChanged();
    void statusMessageChanged();
    void errorMessageChanged();
    void bossAIStateChanged();
    void demonModeProbabilityChanged();
    void modeProbabilitiesChanged();
    void chatMessagesChanged();
    // A boss message has just joined the chat; `regardingTaskID` is the open
    // task it is about, when it is about one.
    void bossMessageRevealed(const ChatMessage& message, const std::optional<QUuid>& regardingTaskID);
    void chatInputChanged();
    void isChatLoadingChanged();
    void isBossAIActiveChanged();
    void isChatVisibleChanged();
    void chatPanelFractionChanged();
    void collapsedSectionIDsChanged();
    void pendingTitleFocusIDChanged();
    void pendingTitleSelectAllChanged();
    void rootOutlineOrderChanged();
    void openAIModelChanged();
    void lateThresholdMultiplierChanged();
    void demonWebsiteBlockingEnabledChanged();
    void blockedSitesTextChanged();
    void activeBossModeChanged();
    void speakMessagesChanged();
    void showNotificationsChanged();
    void undoStateChanged();
    // Once at the end of every operation that changed the tasks, the sections
    // or the outline order, after their own signals: the rows to show changed.
    void outlineChanged();

private:
    // Internal steps of the operations above, by the file that defines them.
    // store/task_store_saving.cpp
    void persistSessionOnly();
    // store/task_store_indent.cpp
    void collapseEmptyChildSections();
    // store/task_store_boss_metrics.cpp
    void updateDemonLock();
    // store/task_store_messages.cpp
    // store/task_store_completion.cpp
    void recordCompletionOf(const TaskItem& task, Instant start, Instant stamp, bool wasOnTime);
    void withdrawCompletionOf(const TaskItem& task);
    // Undo and redo move tasks in and out of completion: their records follow.
    void reconcileCompletionRecords(const QList<TaskItem>& before, const QList<TaskItem>& after);
    QCoro::Task<> speakAndRevealBossMessage(QString text, BossAIMode mode, QString triggerReason,
                                            std::optional<QUuid> regardingTaskID = std::nullopt);
    void notePlaybackFailure(const FishAudioError& error);
    // isChatLoading stays set while any chat request is awaited.
    void beginAwaitingReply();
    void endAwaitingReply();
    void commitBossMessage(const QString& text, BossAIMode mode, const QString& triggerReason,
                           const std::optional<QUuid>& regardingTaskID);
    // store/task_store_watch.cpp
    bool taskStillActive(const QUuid& id) const;
    void clearOverdueEscalationState(const QUuid& id);
    double overrunRatio(const TaskItem& task) const;
    // store/task_store_completion.cpp, store/task_store_surge.cpp
    void handleTaskCompleted(qsizetype index, bool skipBossMessage);
    void handleTaskReopened(qsizetype index);
    void activateSurgeMode(const QUuid& sectionID);

    // Held for the length of an outline operation (nested ones included), so
    // that outlineChanged() goes out once, at the end (store/task_store_fields.cpp).
    class OutlineChange {
    public:
        explicit OutlineChange(TaskStore& store);
        ~OutlineChange();
        OutlineChange(const OutlineChange&) = delete;
        OutlineChange& operator=(const OutlineChange&) = delete;

    private:
        TaskStore& m_store;
    };
    void noteOutlineChanged();

    void readPreferences();
    void loadCollapsedSections();
    void loadPersistedWorkspace();
    void migrateToSingleRootIfNeeded();
    bool ensurePlaceholderTaskIfEmpty();
    bool shouldResetChatForNewDay();
    void reportStorageProblems();
    void postWelcome();
    // While another program holds the database: an unsaved placeholder list
    // and a timer that tries the file again.
    void waitForDatabase();
    void retryLockedDatabase();
    void noteSaveResult(bool ok);
    DatabaseService::SessionSnapshot sessionSnapshot() const;
    TaskSection makeRootSection() const;
    boss::Mood currentMood() const;
    QCoro::Task<> commentOnReopenedTask(QString title);
    // Appends a new line (fresh ID, now) to the chat; the caller saves the chat.
    void appendChatMessage(ChatMessage::Role role, const QString& content, std::optional<BossAIMode> mode);
    void applyParsedNodes(const QList<ParsedNode>& nodes, const QUuid& parentSectionID, const QUuid& rootID,
                          QList<OutlineEntry>& outline);
    void saveBossState();

    // Website blocking (filled in with the hosts blocker).
    void initializeWebsiteBlockState();
    void liftWebsiteBlockAllowingPrompt();
    void reportRejectedSites(const QStringList& rejected);

    StoreEnvironment m_env;
    HostsBlocker m_hostsBlocker{m_env.hostsBlocker, m_env.preferences}; // after m_env
    bool m_started = false; // preference observers run only after start-up

    Workspace m_workspace;
    GamificationState m_gamification;
    bool m_showImportSheet = false;
    QString m_pasteText;
    Instant m_scheduleStartTime = 0;
    bool m_isEstimating = false;
    std::optional<QString> m_statusMessage;
    std::optional<QString> m_errorMessage;
    BossAIState m_bossAIState;
    double m_demonModeProbability = 0;
    ModeProbabilities m_modeProbabilities;
    QList<ChatMessage> m_chatMessages;
    QString m_chatInput;
    bool m_isChatLoading = false;
    bool m_isBossAIActive = false;
    bool m_isChatVisible = true;
    double m_chatPanelFraction = 0.35;
    QSet<QUuid> m_collapsedSectionIDs;
    std::optional<QUuid> m_pendingTitleFocusID;
    bool m_pendingTitleSelectAll = false;
    QString m_openAIModel;
    double m_lateThresholdMultiplier = 1.1;
    bool m_demonWebsiteBlockingEnabled = true;
    QString m_blockedSitesText;
    QStringList m_reportedRejectedSites; // told once until the list changes
    std::optional<BossAIMode> m_activeBossMode;
    bool m_speakMessages = true;
    bool m_showNotifications = true;
    // How the completions taken back by undo were judged, for a redo.
    QHash<QUuid, bool> m_withdrawnJudgements;
    PlaybackNotices m_playbackNotices;
    int m_awaitedReplies = 0;

    QHash<QUuid, Instant> m_lastOverdueNotificationAt;
    QSet<QUuid> m_overdueEscalationChatSent;
    QSet<QUuid> m_overdueIntenseChatSent;
    bool m_isDeliveringBossMessage = false;
    bool m_inMotivationalStartPhase = false;
    bool m_isLoadingWorkspace = false;
    QList<WorkspaceSnapshot> m_undoStack;
    QList<WorkspaceSnapshot> m_redoStack;
    bool m_isApplyingUndoRedo = false;
    int m_outlineChangeDepth = 0;
    bool m_outlineChangePending = false;
    bool m_saveFailureReported = false;
    bool m_lastSaveFailed = false;
    QTimer* m_databaseRetry = nullptr;

    BossAIService m_bossAI;
    std::unique_ptr<BossAIBackgroundJob> m_backgroundJob;
};

} // namespace vorn
