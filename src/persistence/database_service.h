#pragma once

#include "model/analytics_summary.h"
#include "model/records.h"
#include "platform/clock.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

struct sqlite3;

namespace vorn {

namespace sql {
class Connection;
}

// The only code that touches the database file. One connection for the whole
// run; failures are logged ("DatabaseService SQL error: …") and the caller's
// in-memory state stays authoritative. Every multi-row save runs in its own
// transaction (a savepoint, so saves nest inside saveWorkspace) and a failure
// rolls back, leaving the previous rows whole.
class DatabaseService {
public:
    struct SessionSnapshot {
        Instant scheduleStartTime = 0;
        QString pasteText;
        bool inMotivationalStartPhase = false;
        QList<OutlineEntry> outlineOrder;

        bool operator==(const SessionSnapshot&) const = default;
    };

    struct OverdueSnapshot {
        QUuid taskID;
        std::optional<Instant> lastNotificationAt;
        bool escalationChatSent = false;
        bool intenseChatSent = false;

        bool operator==(const OverdueSnapshot&) const = default;
    };

    enum class OpenOutcome {
        opened,              // the file at path() is in use
        replacedCorruptFile, // the old file was unusable; kept at corruptFileKeptAt(), a fresh one made
        inMemoryOnly,        // the file could not be opened or written: nothing will be saved
        readOnly,            // the file can be read but not written: loads work, saves fail
        inUseElsewhere,      // another program holds the file locked: nothing is read or written
                             // until retryOpen() succeeds
    };

    // Opens (creating when absent) the database at `path`, creates and migrates
    // the schema and seeds the single-row tables. ":memory:" opens a private
    // in-memory database.
    DatabaseService(const QString& path, const Clock& clock);
    ~DatabaseService();
    DatabaseService(const DatabaseService&) = delete;
    DatabaseService& operator=(const DatabaseService&) = delete;

    QString path() const { return m_path; }
    OpenOutcome openOutcome() const { return m_outcome; }
    // Where an unusable database file was moved aside ("…/vorn.sqlite.corrupt-<local timestamp>").
    QString corruptFileKeptAt() const { return m_corruptKeptAt; }
    // Whether this connection made the database (a first start, or a fresh
    // file in place of an unusable one) rather than finding one.
    bool createdByThisOpen() const { return m_created; }
    // Lets go of the pages the open's integrity check and the first load
    // cached: a day's saves touch a few of them, not the whole file.
    void releaseCache();
    // Whether saves can reach a store (the file, or memory when the file is unusable).
    bool canSave() const {
        return m_outcome != OpenOutcome::readOnly && m_outcome != OpenOutcome::inUseElsewhere;
    }
    // After inUseElsewhere: tries the file again. True once it is open (in any
    // other outcome); the schema is then prepared and loads read the file.
    bool retryOpen();

    BossAIState loadBossAIState();
    bool saveBossAIState(const BossAIState& state);

    bool recordCompletion(const CompletionEvent& event);
    QList<CompletionEvent> recentCompletions(double withinHours);

    bool logMessage(BossAIMode mode, const QString& message, const QString& triggerReason);

    SessionSnapshot loadSession();
    bool saveSession(const SessionSnapshot& session);

    QList<TaskItem> loadTasks(const QUuid& defaultSectionID);
    bool saveTasks(const QList<TaskItem>& tasks);

    QList<TaskSection> loadSections();
    bool saveSections(const QList<TaskSection>& sections);

    GamificationState loadGamificationState();
    bool saveGamificationState(const GamificationState& state);

    bool recordTaskAnalytics(const TaskAnalyticsRecord& record);
    // Takes back the completion of `taskID` stamped `completedAt`: its entry in
    // the completion log and its analytics record. Whether that completion was
    // on time, when its analytics record was found.
    std::optional<bool> withdrawCompletion(const QUuid& taskID, const QString& title, Instant completedAt);
    QList<TaskAnalyticsRecord> loadTaskAnalytics();
    AnalyticsSummary analyticsSummary();

    QList<OverdueSnapshot> loadOverdueStates();
    bool saveOverdueStates(const QList<OverdueSnapshot>& states);

    QList<ChatMessage> loadChatMessages();
    bool saveChatMessages(const QList<ChatMessage>& messages);
    bool clearChatMessages();
    // Empties the tasks, the overdue rows and the chat (clearing the list).
    bool clearTasksAndChat();

    // The whole workspace in one transaction: tasks, sections, gamification,
    // the session row, the overdue rows and the chat, in that order.
    bool saveWorkspace(const QList<TaskItem>& tasks, const QList<TaskSection>& sections,
                       const GamificationState& gamification, const SessionSnapshot& session,
                       const QList<OverdueSnapshot>& overdue, const QList<ChatMessage>& chat);

    // Runs `body` in one transaction with every save it makes: all of them are
    // kept when it returns true and the commit works, none of them otherwise.
    bool inTransaction(const std::function<bool()>& body);

    // SQLite's message for the last failure of any statement ("database or disk
    // is full", ...); empty when none failed.
    QString lastFailure() const;

    // Runs one-shot SQL text; logs and returns false on failure.
    bool exec(const QString& sql);

    // How a partial write went: all statements touched the rows they should, one
    // touched other rows than expected, or one failed (logged).
    enum class Outcome { written, mismatch, failed };

private:
    // Long enough to ride out another connection's commit, short enough that a
    // locked file never freezes the UI: the save fails, is logged and is retried
    // with the next save.
    static constexpr int kBusyTimeoutMs = 250;

    // Opens m_path read-write, else read-only; when the file is damaged, a fresh one
    // (the old one moved aside); when it cannot be used at all, memory.
    // `probeTimeoutMs`: how long the first read waits for another program's lock.
    void openStorage(int probeTimeoutMs = kBusyTimeoutMs);
    // Creates and migrates the tables and seeds them.
    void prepareSchema();
    // Drops the memory of written rows when another connection has committed
    // to the file since we last looked: the rows there may no longer be ours.
    void forgetWrittenIfChangedElsewhere();
    // Inserts the single rows and the first root section into empty tables.
    void seed();
    // SELECT COUNT(*) of a table; nullopt when the query fails.
    std::optional<qint64> rowCount(const QString& table);

    // What this connection last wrote and committed, table by table, so that a
    // save of unchanged rows is skipped: the file already holds exactly them.
    // Cleared whenever the tables may have changed behind our back.
    struct WrittenTables {
        std::optional<QList<TaskItem>> tasks;
        std::optional<QList<TaskSection>> sections;
        std::optional<QList<OverdueSnapshot>> overdue;
        std::optional<QList<ChatMessage>> chat;
    };
    template <typename Row, typename Write>
    bool saveTable(std::optional<QList<Row>> WrittenTables::*table, const QList<Row>& rows, Write&& write);

    // Writes only the rows of `tasks` that differ from `before`, which the table
    // should hold; `mismatch` when it does not (or IDs repeat).
    Outcome writeTaskChanges(const QList<TaskItem>& before, const QList<TaskItem>& tasks);

    WrittenTables m_written;
    WrittenTables m_pending; // written inside saveWorkspace, not yet committed
    bool m_inWorkspaceSave = false;
    std::optional<qint64> m_dataVersion;

    QString m_path;
    const Clock& m_clock;
    OpenOutcome m_outcome = OpenOutcome::opened;
    bool m_created = false;
    QString m_corruptKeptAt;
    std::unique_ptr<sql::Connection> m_db;
};

} // namespace vorn
