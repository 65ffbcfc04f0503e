#include "persistence/database_service.h"

#include "persistence/database_open.h"
#include "persistence/database_support.h"
#include "persistence/sqlite.h"
#include "platform/data_paths.h"
#include "platform/log.h"

#include <QFileInfo>

#include <sqlite3.h>

namespace vorn {

namespace {

constexpr int kMemoryFlags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;

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

// Columns that arrived after their table; each is added only where the
// table lacks it, so a current file is left exactly as it is.
struct ColumnMigration {
    const char* table;
    const char* column;
    const char* definition;
};
const ColumnMigration kMigrations[] = {
    {"boss_ai_state", "inactivity_block_penalty_applied", "INTEGER NOT NULL DEFAULT 0"},
    {"boss_ai_state", "demon_lock_active", "INTEGER NOT NULL DEFAULT 0"},
    {"boss_ai_state", "surge_mode_until", "REAL"},
    {"tasks", "section_id", "TEXT"},
    {"tasks", "started_at", "REAL"},
    {"session_state", "outline_order", "TEXT NOT NULL DEFAULT '[]'"},
    {"task_sections", "header_task_id", "TEXT"},
};

} // namespace

DatabaseService::DatabaseService(const QString& path, const Clock& clock)
    : m_path(path), m_clock(clock), m_db(std::make_unique<sql::Connection>()) {
    openStorage();
}

DatabaseService::~DatabaseService() = default;

void DatabaseService::releaseCache() {
    m_db->releaseCache();
}

bool DatabaseService::retryOpen() {
    if (m_outcome != OpenOutcome::inUseElsewhere)
        return true;
    // The start has told the user already; a retry only looks, it never waits.
    openStorage(0);
    return m_outcome != OpenOutcome::inUseElsewhere;
}

void DatabaseService::openStorage(int probeTimeoutMs) {
    m_written = {};
    const bool wasInUse = m_outcome == OpenOutcome::inUseElsewhere;
    m_outcome = OpenOutcome::opened;
    const QString memory = QStringLiteral(":memory:");
    if (m_path == memory) {
        m_db->open(memory, kMemoryFlags);
        prepareSchema();
        return;
    }

    paths::ensureDirectory(QFileInfo(m_path).absolutePath()); // a failure shows when opening
    db::FileState state = db::openFile(*m_db, m_path, probeTimeoutMs);
    if (state == db::FileState::busy) {
        // Nothing is read or written until the other program lets go.
        if (!wasInUse)
            qCWarning(lcDb).noquote()
                << QStringLiteral("DatabaseService: database in use by another program: ") + m_path;
        m_outcome = OpenOutcome::inUseElsewhere;
        return;
    }
    if (state == db::FileState::corrupt) {
        const QString kept = db::moveAside(m_path, m_clock.now());
        if (!kept.isEmpty()) {
            qCWarning(lcDb).noquote()
                << QStringLiteral("DatabaseService: unreadable database moved to ") + kept;
            m_corruptKeptAt = kept;
            m_outcome = OpenOutcome::replacedCorruptFile;
            state = db::openFile(*m_db, m_path, probeTimeoutMs);
        }
    }
    if (state == db::FileState::readOnly) {
        m_db->setBusyTimeout(kBusyTimeoutMs);
        // The schema and the seeds cannot be written; what the file holds is read as it is.
        qCWarning(lcDb).noquote() << QStringLiteral("DatabaseService: database opened read-only: ") + m_path;
        m_outcome = OpenOutcome::readOnly;
        return;
    }
    if (state == db::FileState::usable) {
        prepareSchema();
        return;
    }

    // Nothing of this run will be kept, but everything works until it ends.
    qCWarning(lcDb).noquote() << QStringLiteral("DatabaseService: failed to open database at ") + m_path;
    m_outcome = OpenOutcome::inMemoryOnly;
    m_db->open(memory, kMemoryFlags);
    prepareSchema();
}

void DatabaseService::prepareSchema() {
    m_db->setBusyTimeout(kBusyTimeoutMs);
    for (const char* statement : kCreateTables)
        db::run(*m_db, QString::fromLatin1(statement));
    for (const ColumnMigration& m : kMigrations) {
        const QString table = QString::fromLatin1(m.table);
        const QString column = QString::fromLatin1(m.column);
        bool present = false;
        db::forEachRow(*m_db, QStringLiteral("PRAGMA table_info(%1)").arg(table),
                       [&](const sql::Statement& row) { present = present || row.columnText(1) == column; });
        if (!present)
            db::run(*m_db, QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                               .arg(table, column, QString::fromLatin1(m.definition)));
    }
    seed();
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
        m_created = true; // every start leaves this row behind
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

bool DatabaseService::inTransaction(const std::function<bool()>& body) {
    forgetWrittenIfChangedElsewhere();
    const bool ok = db::inSavepoint(*m_db, QStringLiteral("batch"), body);
    if (!ok)
        m_written = {}; // rolled back: the saves inside are not in the file
    return ok;
}

QString DatabaseService::lastFailure() const {
    return m_db->lastFailure();
}

bool DatabaseService::exec(const QString& sql) {
    m_written = {}; // raw SQL may change any table
    return db::run(*m_db, sql);
}

void DatabaseService::forgetWrittenIfChangedElsewhere() {
    // data_version moves only when another connection commits to the file.
    std::optional<qint64> version;
    db::forEachRow(*m_db, QStringLiteral("PRAGMA data_version"),
                   [&](const sql::Statement& row) { version = row.columnInt64(0); });
    if (!version || version != m_dataVersion)
        m_written = {};
    m_dataVersion = version;
}

bool DatabaseService::saveWorkspace(const QList<TaskItem>& tasks, const QList<TaskSection>& sections,
                                    const GamificationState& gamification, const SessionSnapshot& session,
                                    const QList<OverdueSnapshot>& overdue, const QList<ChatMessage>& chat) {
    forgetWrittenIfChangedElsewhere();
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

AnalyticsSummary DatabaseService::analyticsSummary() {
    return summarizeAnalytics(loadTaskAnalytics());
}

} // namespace vorn
