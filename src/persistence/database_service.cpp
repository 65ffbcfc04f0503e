#include "persistence/database_service.h"

#include "persistence/database_support.h"
#include "persistence/sqlite.h"
#include "platform/data_paths.h"
#include "platform/log.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace vorn {

namespace {

// Long enough to ride out another connection's commit, short enough that a
// locked file never freezes the UI: the save fails, is logged and is retried
// with the next save.
constexpr int kBusyTimeoutMs = 250;
// One thread uses the connection, so SQLite's own locking is not needed.
constexpr int kOpenFlags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;

const char* const kCreateTables[] = {
    "CREATE TABLE IF NOT EXISTS boss_ai_state (id INTEGER PRIMARY KEY CHECK (id = 1), "
    "urgency_score REAL NOT NULL DEFAULT 45, last_activity_at REAL NOT NULL, "
    "last_inactivity_check_at REAL NOT NULL, recent_completions_count INTEGER NOT NULL DEFAULT 0, "
    "inactivity_block_penalty_applied INTEGER NOT NULL DEFAULT 0, "
    "demon_lock_active INTEGER NOT NULL DEFAULT 0, surge_mode_until REAL);",
    "CREATE TABLE IF NOT EXISTS completion_events (id TEXT PRIMARY KEY, task_title TEXT NOT NULL, "
    "completed_at REAL NOT NULL, was_on_time INTEGER NOT NULL);",
    "CREATE TABLE IF NOT EXISTS message_log (id TEXT PRIMARY KEY, mode TEXT NOT NULL, message TEXT NOT NULL, "
    "sent_at REAL NOT NULL, trigger_reason TEXT NOT NULL);",
    "CREATE TABLE IF NOT EXISTS tasks (id TEXT PRIMARY KEY, sort_order INTEGER NOT NULL, title TEXT NOT "
    "NULL, "
    "duration_minutes INTEGER NOT NULL, is_completed INTEGER NOT NULL, finish_time REAL, completed_at REAL, "
    "section_id TEXT, started_at REAL);",
    "CREATE TABLE IF NOT EXISTS session_state (id INTEGER PRIMARY KEY CHECK (id = 1), "
    "schedule_start_time REAL NOT NULL, paste_text TEXT NOT NULL DEFAULT '', "
    "in_motivational_start_phase INTEGER NOT NULL DEFAULT 0, outline_order TEXT NOT NULL DEFAULT '[]');",
    "CREATE TABLE IF NOT EXISTS overdue_state (task_id TEXT PRIMARY KEY, last_notification_at REAL, "
    "escalation_chat_sent INTEGER NOT NULL DEFAULT 0, email_sent INTEGER NOT NULL DEFAULT 0);",
    "CREATE TABLE IF NOT EXISTS chat_messages (id TEXT PRIMARY KEY, role TEXT NOT NULL, content TEXT NOT "
    "NULL, "
    "mode TEXT, timestamp REAL NOT NULL);",
    // header_task_id arrives through the migration below.
    "CREATE TABLE IF NOT EXISTS task_sections (id TEXT PRIMARY KEY, title TEXT NOT NULL, parent_id TEXT, "
    "sort_order INTEGER NOT NULL);",
    "CREATE TABLE IF NOT EXISTS gamification_state (id INTEGER PRIMARY KEY CHECK (id = 1), "
    "level INTEGER NOT NULL DEFAULT 1, xp INTEGER NOT NULL DEFAULT 0, current_streak INTEGER NOT NULL "
    "DEFAULT 0, "
    "best_streak INTEGER NOT NULL DEFAULT 0, last_completion_day TEXT);",
    "CREATE TABLE IF NOT EXISTS task_analytics (id TEXT PRIMARY KEY, task_id TEXT NOT NULL, "
    "task_title TEXT NOT NULL, section_title TEXT NOT NULL, estimated_minutes INTEGER NOT NULL, "
    "actual_minutes INTEGER NOT NULL, completed_at REAL NOT NULL, was_on_time INTEGER NOT NULL);",
};

// Run blindly on every start, in this order. A column that already exists is
// rejected by SQLite as a duplicate and logged like any other failure.
const char* const kMigrations[] = {
    "ALTER TABLE boss_ai_state ADD COLUMN inactivity_block_penalty_applied INTEGER NOT NULL DEFAULT 0;",
    "ALTER TABLE boss_ai_state ADD COLUMN demon_lock_active INTEGER NOT NULL DEFAULT 0;",
    "ALTER TABLE boss_ai_state ADD COLUMN surge_mode_until REAL;",
    "ALTER TABLE tasks ADD COLUMN section_id TEXT;",
    "ALTER TABLE tasks ADD COLUMN started_at REAL;",
    "ALTER TABLE session_state ADD COLUMN outline_order TEXT NOT NULL DEFAULT '[]';",
    "ALTER TABLE task_sections ADD COLUMN header_task_id TEXT;",
};

enum class FileState { usable, corrupt, unusable };

bool isCorruption(int rc) {
    return rc == SQLITE_NOTADB || rc == SQLITE_CORRUPT;
}

// Failures that mean the file cannot be used read-write at all.
bool isUnwritable(int rc) {
    return rc == SQLITE_CANTOPEN || rc == SQLITE_READONLY || rc == SQLITE_IOERR || rc == SQLITE_PERM ||
           rc == SQLITE_AUTH || rc == SQLITE_NOLFS;
}

// Runs a PRAGMA (or any statement) to its end; `firstValue` receives the text of
// the first column of the first row. Returns SQLite's result code.
int runChecked(sql::Connection& conn, const QString& text, QString* firstValue = nullptr) {
    sql::Statement statement = conn.prepare(text);
    if (!statement.isValid())
        return conn.errorCode();
    int rc = statement.step();
    if (rc == SQLITE_ROW && firstValue)
        *firstValue = statement.columnText(0);
    while (rc == SQLITE_ROW)
        rc = statement.step();
    return rc == SQLITE_DONE ? SQLITE_OK : conn.errorCode();
}

// Opens the file at `path` and proves it can be read and written.
FileState openFile(sql::Connection& conn, const QString& path) {
    const bool existed = QFileInfo::exists(path);
    const int openRc = conn.open(path, kOpenFlags);
    if (openRc != SQLITE_OK) {
        db::logError(conn);
        return existed && isCorruption(openRc & 0xff) ? FileState::corrupt : FileState::unusable;
    }
    // SQLite silently falls back to read-only when the file is not writable.
    if (conn.isReadOnly())
        return FileState::unusable;
    // Until the file has proven sound, closing must not fold the -wal file into
    // it or delete it: both belong to the user if the file is moved aside.
    conn.setCheckpointOnClose(false);
    conn.setBusyTimeout(kBusyTimeoutMs);

    // A failed step decides the file's fate: damaged, not writable, or (busy,
    // full) still ours to use, with the failure logged.
    const auto verdict = [&](int rc) -> std::optional<FileState> {
        if (rc == SQLITE_OK)
            return std::nullopt;
        db::logError(conn);
        if (isCorruption(rc))
            return existed ? FileState::corrupt : FileState::unusable;
        if (isUnwritable(rc))
            return FileState::unusable;
        return std::nullopt;
    };

    // WAL: a commit is one append, readers never wait for the writer, and a
    // killed process leaves the last committed state behind.
    for (const char* pragma : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL"}) {
        if (const auto state = verdict(runChecked(conn, QString::fromLatin1(pragma))))
            return *state;
    }
    QString quickCheck;
    if (const auto state = verdict(runChecked(conn, QStringLiteral("PRAGMA quick_check"), &quickCheck)))
        return *state;
    // An empty answer means the check could not run (a busy file), not damage.
    if (!quickCheck.isEmpty() && quickCheck != QLatin1String("ok"))
        return FileState::corrupt;

    // Writing the header back unchanged proves that commits reach the disk
    // (a folder that does not let us create the -wal file fails here).
    QString userVersion;
    if (const auto state = verdict(runChecked(conn, QStringLiteral("PRAGMA user_version"), &userVersion)))
        return *state;
    const QString rewrite = QStringLiteral("PRAGMA user_version = %1").arg(userVersion.toLongLong());
    if (const auto state = verdict(runChecked(conn, rewrite)))
        return *state;
    conn.setCheckpointOnClose(true);
    return FileState::usable;
}

// Moves the database and its -wal/-shm side files to "<path>.corrupt-<stamp>"
// (with "-2", "-3", … when that name is taken). Returns the new path, or an
// empty text when nothing could be moved; a partial move is undone.
QString moveAside(const QString& path, Instant now) {
    const QString stamp = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(now * 1000.0))
                              .toLocalTime()
                              .toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString base = path + QStringLiteral(".corrupt-") + stamp;
    QString kept = base;
    for (int n = 2; QFileInfo::exists(kept) || QFileInfo::exists(kept + QStringLiteral("-wal")); ++n)
        kept = base + QLatin1Char('-') + QString::number(n);

    QList<std::pair<QString, QString>> moved;
    for (const QString& suffix : {QStringLiteral("-wal"), QStringLiteral("-shm"), QString()}) {
        const QString from = path + suffix;
        if (!QFileInfo::exists(from))
            continue;
        if (!QFile::rename(from, kept + suffix)) {
            for (const auto& [original, target] : moved)
                QFile::rename(target, original);
            return {};
        }
        moved.append({from, kept + suffix});
    }
    return kept;
}

} // namespace

DatabaseService::DatabaseService(const QString& path, const Clock& clock)
    : m_path(path), m_clock(clock), m_db(std::make_unique<sql::Connection>()) {
    openStorage();
    for (const char* statement : kCreateTables)
        db::run(*m_db, QString::fromLatin1(statement));
    for (const char* statement : kMigrations)
        db::run(*m_db, QString::fromLatin1(statement));
    seed();
}

DatabaseService::~DatabaseService() = default;

void DatabaseService::openStorage() {
    const QString memory = QStringLiteral(":memory:");
    if (m_path == memory) {
        m_db->open(memory, kOpenFlags);
        return;
    }

    paths::ensureDirectory(QFileInfo(m_path).absolutePath()); // a failure shows when opening
    FileState state = openFile(*m_db, m_path);
    if (state == FileState::corrupt) {
        m_db->close();
        const QString kept = moveAside(m_path, m_clock.now());
        if (!kept.isEmpty()) {
            qCWarning(lcDb).noquote()
                << QStringLiteral("DatabaseService: unreadable database moved to ") + kept;
            m_corruptKeptAt = kept;
            m_outcome = OpenOutcome::replacedCorruptFile;
            state = openFile(*m_db, m_path);
        }
    }
    if (state == FileState::usable)
        return;

    // Nothing of this run will be kept, but everything works until it ends.
    qCWarning(lcDb).noquote() << QStringLiteral("DatabaseService: failed to open database at ") + m_path;
    m_outcome = OpenOutcome::inMemoryOnly;
    m_db->open(memory, kOpenFlags);
}

std::optional<qint64> DatabaseService::rowCount(const QString& table) {
    std::optional<qint64> count;
    db::forEachRow(*m_db, QStringLiteral("SELECT COUNT(*) FROM ") + table,
                   [&](const sql::Statement& row) { count = row.columnInt64(0); });
    return count;
}

void DatabaseService::seed() {
    const Instant now = m_clock.now();
    if (rowCount(QStringLiteral("boss_ai_state")) == 0) {
        sql::Statement insert = db::prepare(
            *m_db, QStringLiteral("INSERT INTO boss_ai_state (id, urgency_score, last_activity_at, "
                                  "last_inactivity_check_at, recent_completions_count, "
                                  "inactivity_block_penalty_applied, demon_lock_active, surge_mode_until) "
                                  "VALUES (1, 45.0, ?, ?, 0, 0, 0, NULL)"));
        insert.bind(1, now);
        insert.bind(2, now);
        if (insert.isValid())
            db::run(*m_db, insert);
    }
    if (rowCount(QStringLiteral("session_state")) == 0) {
        sql::Statement insert = db::prepare(
            *m_db, QStringLiteral("INSERT INTO session_state (id, schedule_start_time, paste_text, "
                                  "in_motivational_start_phase, outline_order) VALUES (1, ?, '', 0, '[]')"));
        insert.bind(1, now);
        if (insert.isValid())
            db::run(*m_db, insert);
    }
    if (rowCount(QStringLiteral("gamification_state")) == 0) {
        db::run(*m_db, QStringLiteral("INSERT INTO gamification_state (id, level, xp, current_streak, "
                                      "best_streak, last_completion_day)\nVALUES (1, 1, 0, 0, 0, NULL);"));
    }
    if (rowCount(QStringLiteral("task_sections")) == 0) {
        sql::Statement insert =
            db::prepare(*m_db, QStringLiteral("INSERT INTO task_sections (id, title, parent_id, sort_order) "
                                              "VALUES (?, ?, NULL, 0)"));
        insert.bind(1, uuidText(newUuid()));
        insert.bind(2, TaskSection::defaultTitles.first());
        if (insert.isValid())
            db::run(*m_db, insert);
    }
}

bool DatabaseService::exec(const QString& sql) {
    m_written = {}; // raw SQL may change any table
    return db::run(*m_db, sql);
}

bool DatabaseService::saveWorkspace(const QList<TaskItem>& tasks, const QList<TaskSection>& sections,
                                    const GamificationState& gamification, const SessionSnapshot& session,
                                    const QList<OverdueSnapshot>& overdue, const QList<ChatMessage>& chat) {
    m_pending = {};
    m_inWorkspaceSave = true;
    const bool ok = db::inSavepoint(*m_db, QStringLiteral("save_workspace"), [&] {
        return saveTasks(tasks) && saveSections(sections) && saveGamificationState(gamification) &&
               saveSession(session) && saveOverdueStates(overdue) && saveChatMessages(chat);
    });
    m_inWorkspaceSave = false;
    if (!ok) {
        m_written = {}; // rolled back: nothing of this save is in the file
        return false;
    }
    if (m_pending.tasks)
        m_written.tasks = std::move(m_pending.tasks);
    if (m_pending.sections)
        m_written.sections = std::move(m_pending.sections);
    if (m_pending.overdue)
        m_written.overdue = std::move(m_pending.overdue);
    if (m_pending.chat)
        m_written.chat = std::move(m_pending.chat);
    m_pending = {};
    return true;
}

AnalyticsSummary summarizeAnalytics(const QList<TaskAnalyticsRecord>& records) {
    AnalyticsSummary summary;
    if (records.isEmpty())
        return summary;
    const auto n = static_cast<double>(records.size());
    qint64 onTime = 0;
    qint64 actualSum = 0;
    qint64 estimatedSum = 0;
    double accuracySum = 0;
    for (const TaskAnalyticsRecord& r : records) {
        onTime += r.wasOnTime ? 1 : 0;
        actualSum += r.actualMinutes;
        estimatedSum += r.estimatedMinutes;
        // A record without a usable estimate counts, but as 0 accuracy.
        if (r.estimatedMinutes >= 1)
            accuracySum += static_cast<double>(r.actualMinutes) / static_cast<double>(r.estimatedMinutes);
    }
    summary.totalCount = static_cast<int>(records.size());
    summary.onTimeRate = static_cast<double>(onTime) / n;
    summary.averageAccuracy = accuracySum / n;
    summary.averageActualMinutes = static_cast<double>(actualSum) / n;
    summary.averageEstimatedMinutes = static_cast<double>(estimatedSum) / n;
    return summary;
}

AnalyticsSummary DatabaseService::analyticsSummary() {
    return summarizeAnalytics(loadTaskAnalytics());
}

} // namespace vorn
