#pragma once

#include "model/records.h"
#include "persistence/database_service.h"
#include "services/boss_ai_service.h"
#include "services/hosts_blocker.h"
#include "services/proxy_config.h"
#include "store/boss_engine.h"
#include "store/boss_watch.h"
#include "store/chat_log.h"
#include "store/outline.h"
#include "store/outline_editor.h"
#include "store/store_part.h"
#include "store/store_preferences.h"
#include "store/timeline_estimator.h"
#include "store/website_blocking.h"
#include "store/window_state.h"

#include <QHash>
#include <QObject>

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
    // Awaited before each request: returns once `proxy` can be used (Vorn's own
    // proxy is up, or the keyring's token is in). Unset: at once.
    std::function<QCoro::Task<>()> proxyReady;
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

// The one object that owns the application state, as parts with one concern
// each: the outline and its editor (with undo), the boss and its watch, the
// chat, website blocking, the estimate, the preferences and the window's state.
// TaskStore starts them, saves, and runs the flows that cross parts (a
// completion reaching the boss and the chat, a paste, clearing the list).
// Views reach the parts through it. Main thread only.
class TaskStore : public QObject {
    Q_OBJECT

public:
    explicit TaskStore(const StoreEnvironment& env, QObject* parent = nullptr);
    ~TaskStore() override;

    // ---- the parts -----------------------------------------------------------
    Outline& outline() { return m_outline; }
    const Outline& outline() const { return m_outline; }
    OutlineEditor& editor() { return m_editor; }
    const OutlineEditor& editor() const { return m_editor; }
    BossEngine& boss() { return m_boss; }
    const BossEngine& boss() const { return m_boss; }
    BossWatch& watch() { return m_watch; }
    const BossWatch& watch() const { return m_watch; }
    ChatLog& chat() { return m_chat; }
    const ChatLog& chat() const { return m_chat; }
    WebsiteBlocking& blocking() { return m_blocking; }
    const WebsiteBlocking& blocking() const { return m_blocking; }
    TimelineEstimator& estimate() { return m_estimate; }
    const TimelineEstimator& estimate() const { return m_estimate; }
    StorePreferences& settings() { return m_settings; }
    const StorePreferences& settings() const { return m_settings; }
    WindowState& window() { return m_window; }
    const WindowState& window() const { return m_window; }

    // ---- status (store/task_store_fields.cpp) -------------------------------
    const std::optional<QString>& statusMessage() const { return m_statusMessage; }
    void setStatusMessage(const std::optional<QString>& message);
    const std::optional<QString>& errorMessage() const { return m_errorMessage; }
    void setErrorMessage(const std::optional<QString>& message);
    bool isLoadingWorkspace() const { return m_isLoadingWorkspace; }
    Instant now() const;

    // ---- saving and clearing (store/task_store_saving.cpp) ------------------
    void persistWorkspace();
    // Whether the last save reached the database and failed there (a full
    // disk, a file locked meanwhile, a table of an unexpected shape).
    bool lastSaveFailed() const { return m_lastSaveFailed; }
    void clearAllTasks();

    // ---- completion (store/task_store_completion.cpp) -----------------------
    void toggleCompletion(const QUuid& taskID);
    bool shouldSkipCompletionBossMessage(const QUuid& taskID) const;

    // ---- paste import (store/task_store_paste.cpp) --------------------------
    void replaceFromPaste(const QString& text);
    void pasteIntoSection(const QString& text, const QUuid& sectionID);

    // ---- analytics (store/task_store_startup.cpp) ---------------------------
    // The completion records, read once from the database and kept; a
    // completion or its undo updates them.
    const QList<TaskAnalyticsRecord>& taskAnalytics();

signals:
    void statusMessageChanged();
    void errorMessageChanged();
    // replaceFromPaste() loaded a new list in place of the old one.
    void listReplaced();

private:
    // The parts that reach the store's internals.
    friend class Outline;
    friend class OutlineEditor;
    friend class BossEngine;
    friend class BossWatch;
    friend class ChatLog;
    friend class TimelineEstimator;
    friend class StorePreferences;
    friend class WindowState;

    DatabaseService& database() const { return *m_env.database; }
    // store/task_store_saving.cpp
    void persistSessionOnly();
    // store/task_store_completion.cpp
    void recordCompletionOf(const TaskItem& task, Instant start, Instant stamp, bool wasOnTime);
    void withdrawCompletionOf(const TaskItem& task);
    // Undo and redo move tasks in and out of completion: their records follow.
    void reconcileCompletionRecords(const QList<TaskItem>& before, const QList<TaskItem>& after);
    void handleTaskCompleted(qsizetype index, bool skipBossMessage);
    void handleTaskReopened(qsizetype index);
    QCoro::Task<> commentOnReopenedTask(QString title);

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
    void applyParsedNodes(const QList<ParsedNode>& nodes, const QUuid& parentSectionID, const QUuid& rootID,
                          QList<OutlineEntry>& order);

    StoreEnvironment m_env;
    bool m_started = false; // preference observers run only after start-up

    std::optional<QString> m_statusMessage;
    std::optional<QString> m_errorMessage;
    // How the completions taken back by undo were judged, for a redo.
    QHash<QUuid, bool> m_withdrawnJudgements;
    std::optional<QList<TaskAnalyticsRecord>> m_taskAnalytics; // read on first use
    bool m_isLoadingWorkspace = false;
    bool m_saveFailureReported = false;
    bool m_lastSaveFailed = false;
    QTimer* m_databaseRetry = nullptr;
    BossAIService m_bossAI;

    // After m_env: the parts read it as they are made.
    Outline m_outline{*this};
    OutlineEditor m_editor{*this};
    BossEngine m_boss{*this};
    ChatLog m_chat{*this};
    WebsiteBlocking m_blocking{*this, m_env.hostsBlocker, m_env.preferences};
    TimelineEstimator m_estimate{*this};
    StorePreferences m_settings{*this};
    WindowState m_window{*this};
    BossWatch m_watch{*this}; // first to go: its timers call the others
};

} // namespace vorn
