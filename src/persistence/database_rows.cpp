// Row encodings of DatabaseService: one load and one save per record kind.
//
// Writing: UUIDs as upper-case canonical text, booleans 0/1, instants as REAL
// seconds since 1970, NULL for an absent value. Reading: an INTEGER flag is
// true only when it equals 1; a UUID that does not parse is replaced as each
// load says (fresh UUID, default section, absent, or the row skipped).

#include "persistence/database_service.h"

#include "persistence/database_support.h"
#include "persistence/sqlite.h"
#include "persistence/task_row_changes.h"
#include "platform/log.h"

#include <QHash>
#include <QSet>
#include <QtEndian>

#include <algorithm>
#include <cstring>

#include <sqlite3.h>

namespace vorn {

template <typename Row, typename Write>
bool DatabaseService::saveTable(std::optional<QList<Row>> WrittenTables::*table, const QList<Row>& rows,
                                Write&& write) {
    if (!m_inWorkspaceSave)
        forgetWrittenIfChangedElsewhere();
    if (m_written.*table && *(m_written.*table) == rows)
        return true;
    const bool ok = write();
    if (!ok)
        (m_written.*table).reset();
    else if (m_inWorkspaceSave)
        m_pending.*table = rows;
    else
        m_written.*table = rows;
    return ok;
}

namespace {

using sql::Statement;

bool readFlag(const Statement& row, int column) {
    return row.columnInt64(column) == 1;
}

std::optional<QUuid> readOptionalUuid(const Statement& row, int column) {
    if (row.isNull(column))
        return std::nullopt;
    return parseUuid(row.columnText(column));
}

QUuid readUuidOr(const Statement& row, int column, const QUuid& fallback) {
    const std::optional<QUuid> id = readOptionalUuid(row, column);
    return id ? *id : fallback;
}

QUuid readUuidOrNew(const Statement& row, int column) {
    const std::optional<QUuid> id = readOptionalUuid(row, column);
    return id ? *id : newUuid();
}

// Binds the upper-case canonical text of `id` (the same text as uuidText()),
// formatted straight into a buffer: the save loops do this for every row.
void bindUuid(Statement& statement, int index, const QUuid& id) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    uchar bytes[16];
    qToBigEndian(id.data1, bytes);
    qToBigEndian(id.data2, bytes + 4);
    qToBigEndian(id.data3, bytes + 6);
    std::memcpy(bytes + 8, id.data4, 8);
    char text[36];
    int pos = 0;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text[pos++] = '-';
        text[pos++] = kHex[bytes[i] >> 4];
        text[pos++] = kHex[bytes[i] & 0xf];
    }
    statement.bindUtf8(index, QByteArrayView(text, sizeof text));
}

// True for a second row with an ID already read (the same UUID in another
// letter case): keeping it would make every later save of the table fail on
// its primary key, so it is dropped and logged.
bool isRepeat(QSet<QUuid>& seen, const QUuid& id, QLatin1StringView table) {
    if (!seen.contains(id)) {
        seen.insert(id);
        return false;
    }
    qCWarning(lcDb).noquote()
        << QStringLiteral("DatabaseService: dropped a second %1 row with ID %2").arg(table, uuidText(id));
    return true;
}

void bindUuid(Statement& statement, int index, const std::optional<QUuid>& id) {
    if (id)
        bindUuid(statement, index, *id);
    else
        statement.bind(index, nullptr);
}

void bindValue(Statement& statement, int index, const QUuid& id) {
    bindUuid(statement, index, id);
}

template <typename Value> void bindValue(Statement& statement, int index, const Value& value) {
    statement.bind(index, value);
}

// Prepares `sql`, binds `values` to its parameters in order and runs it once.
template <typename... Values>
bool runWith(sql::Connection& conn, const QString& sql, const Values&... values) {
    Statement statement = db::prepare(conn, sql);
    if (!statement.isValid())
        return false;
    int index = 0;
    (bindValue(statement, ++index, values), ...);
    return db::run(conn, statement);
}

// The records `read` makes of the rows of `sql`, in order. A row it makes
// nothing of is skipped, and so is a second row with an ID already read.
template <typename Row, typename Read>
QList<Row> readRows(sql::Connection& conn, const QString& sql, QLatin1StringView table, QUuid Row::*id,
                    const Read& read) {
    QList<Row> rows;
    QSet<QUuid> seen;
    db::forEachRow(conn, sql, [&](const Statement& row) {
        std::optional<Row> record = read(row);
        if (record && !isRepeat(seen, (*record).*id, table))
            rows.append(std::move(*record));
    });
    return rows;
}

// Binds `rows` one after another to `sql` and runs it for each; stops at the
// first failure. `bind` gets the statement, the row and its index.
template <typename Row, typename Bind>
bool runForEach(sql::Connection& conn, const QString& sql, const QList<Row>& rows, const Bind& bind) {
    Statement statement = db::prepare(conn, sql);
    if (!statement.isValid())
        return false;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        bind(statement, rows.at(i), i);
        if (!db::run(conn, statement))
            return false;
    }
    return true;
}

// A table that a save can write whole: emptied, then one INSERT per row.
template <typename Row> struct WholeTable {
    const char* savepoint;
    const char* clear;
    const char* insert;
    void (*bind)(Statement&, const Row&, qsizetype index);
};

// One save of a table, in a savepoint of its own: `writeChanges` writes only
// what differs from what the table is known to hold; when it reports a
// mismatch (or nothing is known), the table is written whole. A failed
// statement fails the save (it would fail the rewrite too).
template <typename Row, typename WriteChanges>
bool writeTable(sql::Connection& conn, const WholeTable<Row>& table, const QList<Row>& rows,
                const WriteChanges& writeChanges) {
    return db::inSavepoint(conn, QString::fromLatin1(table.savepoint), [&] {
        const DatabaseService::Outcome outcome = writeChanges();
        if (outcome != DatabaseService::Outcome::mismatch)
            return outcome == DatabaseService::Outcome::written;
        return db::run(conn, QString::fromLatin1(table.clear)) &&
               runForEach(conn, QString::fromLatin1(table.insert), rows, table.bind);
    });
}

template <typename Row>
bool writeTable(sql::Connection& conn, const WholeTable<Row>& table, const QList<Row>& rows) {
    return writeTable(conn, table, rows, [] { return DatabaseService::Outcome::mismatch; });
}

} // namespace

BossAIState DatabaseService::loadBossAIState() {
    std::optional<BossAIState> state;
    db::forEachRow(
        *m_db,
        QStringLiteral("SELECT urgency_score, last_activity_at, last_inactivity_check_at, "
                       "recent_completions_count, inactivity_block_penalty_applied, demon_lock_active, "
                       "surge_mode_until FROM boss_ai_state WHERE id = 1"),
        [&](const Statement& row) {
            BossAIState s;
            s.urgencyScore = row.columnDouble(0);
            s.lastActivityAt = row.columnDouble(1);
            s.lastInactivityCheckAt = row.columnDouble(2);
            s.recentCompletionsCount = static_cast<int>(row.columnInt64(3));
            s.inactivityBlockPenaltyApplied = readFlag(row, 4);
            s.demonLockActive = readFlag(row, 5);
            s.surgeModeUntil = row.columnOptionalDouble(6);
            state = s;
        });
    return state ? *state : BossAIState::initial(m_clock.now());
}

bool DatabaseService::saveBossAIState(const BossAIState& state) {
    return runWith(*m_db,
                   QStringLiteral("UPDATE boss_ai_state SET urgency_score = ?, last_activity_at = ?, "
                                  "last_inactivity_check_at = ?, recent_completions_count = ?, "
                                  "inactivity_block_penalty_applied = ?, demon_lock_active = ?, "
                                  "surge_mode_until = ? WHERE id = 1"),
                   state.urgencyScore, state.lastActivityAt, state.lastInactivityCheckAt,
                   state.recentCompletionsCount, state.inactivityBlockPenaltyApplied, state.demonLockActive,
                   state.surgeModeUntil);
}

bool DatabaseService::recordCompletion(const CompletionEvent& event) {
    Statement insert =
        db::prepare(*m_db, QStringLiteral("INSERT OR REPLACE INTO completion_events (id, task_title, "
                                          "completed_at, was_on_time) VALUES (?, ?, ?, ?)"));
    if (!insert.isValid())
        return false;
    bindUuid(insert, 1, event.id);
    insert.bind(2, event.taskTitle);
    insert.bind(3, event.completedAt);
    insert.bind(4, event.wasOnTime);
    const bool inserted = db::run(*m_db, insert);

    // Only the last 48 hours are kept.
    Statement prune =
        db::prepare(*m_db, QStringLiteral("DELETE FROM completion_events WHERE completed_at < ?"));
    if (!prune.isValid())
        return false;
    prune.bind(1, m_clock.now() - 172800.0);
    return db::run(*m_db, prune) && inserted;
}

QList<CompletionEvent> DatabaseService::recentCompletions(double withinHours) {
    QList<CompletionEvent> events;
    Statement query =
        db::prepare(*m_db, QStringLiteral("SELECT id, task_title, completed_at, was_on_time FROM "
                                          "completion_events WHERE completed_at >= ? "
                                          "ORDER BY completed_at DESC"));
    if (!query.isValid())
        return events;
    // Inclusive: an event exactly at the cutoff still counts.
    query.bind(1, m_clock.now() - withinHours * 3600.0);
    db::forEachRow(*m_db, query, [&](const Statement& row) {
        events.append({readUuidOrNew(row, 0), row.columnText(1), row.columnDouble(2), readFlag(row, 3)});
    });
    return events;
}

bool DatabaseService::logMessage(BossAIMode mode, const QString& message, const QString& triggerReason) {
    return runWith(*m_db,
                   QStringLiteral("INSERT INTO message_log (id, mode, message, sent_at, trigger_reason) "
                                  "VALUES (?, ?, ?, ?, ?)"),
                   newUuid(), bossAIModeText(mode), message, m_clock.now(), triggerReason);
}

DatabaseService::SessionSnapshot DatabaseService::loadSession() {
    std::optional<SessionSnapshot> session;
    db::forEachRow(*m_db,
                   QStringLiteral("SELECT schedule_start_time, paste_text, in_motivational_start_phase, "
                                  "outline_order FROM session_state WHERE id = 1"),
                   [&](const Statement& row) {
                       SessionSnapshot s;
                       s.scheduleStartTime = row.columnDouble(0);
                       s.pasteText = row.columnText(1);
                       s.inMotivationalStartPhase = readFlag(row, 2);
                       // Text that is not a valid outline list reads as an empty order.
                       s.outlineOrder = decodeOutlineEntries(row.columnText(3).toUtf8()).valueOr({});
                       session = s;
                   });
    if (session)
        return *session;
    SessionSnapshot fallback;
    fallback.scheduleStartTime = m_clock.now();
    return fallback;
}

bool DatabaseService::saveSession(const SessionSnapshot& session) {
    return runWith(*m_db,
                   QStringLiteral("UPDATE session_state SET schedule_start_time = ?, paste_text = ?, "
                                  "in_motivational_start_phase = ?, outline_order = ? WHERE id = 1"),
                   session.scheduleStartTime, session.pasteText, session.inMotivationalStartPhase,
                   QString::fromUtf8(encodeOutlineEntries(session.outlineOrder)));
}

QList<TaskItem> DatabaseService::loadTasks(const QUuid& defaultSectionID) {
    return readRows(
        *m_db,
        QStringLiteral("SELECT id, title, duration_minutes, is_completed, finish_time, completed_at, "
                       "section_id, started_at FROM tasks ORDER BY sort_order ASC"),
        QLatin1StringView("tasks"), &TaskItem::id, [&](const Statement& row) {
            TaskItem t;
            t.id = readUuidOrNew(row, 0);
            t.title = row.columnText(1);
            t.durationMinutes = row.columnInt64(2);
            t.isCompleted = readFlag(row, 3);
            t.finishTime = row.columnOptionalDouble(4);
            t.completedAt = row.columnOptionalDouble(5);
            t.sectionID = readUuidOr(row, 6, defaultSectionID);
            t.startedAt = row.columnOptionalDouble(7);
            return std::optional<TaskItem>(std::move(t));
        });
}

namespace {

// Parameters: ?1 id, ?2 sort_order, then the other columns in table order.
const char kInsertTask[] = "INSERT INTO tasks (id, sort_order, title, duration_minutes, is_completed, "
                           "finish_time, completed_at, section_id, started_at) "
                           "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)";
const char kUpdateTask[] = "UPDATE tasks SET sort_order = ?2, title = ?3, duration_minutes = ?4, "
                           "is_completed = ?5, finish_time = ?6, completed_at = ?7, section_id = ?8, "
                           "started_at = ?9 WHERE id = ?1";

void bindTask(Statement& statement, const TaskItem& t, qsizetype order) {
    bindUuid(statement, 1, t.id);
    statement.bind(2, static_cast<qint64>(order));
    statement.bind(3, t.title);
    statement.bind(4, t.durationMinutes);
    statement.bind(5, t.isCompleted);
    statement.bind(6, t.finishTime);
    statement.bind(7, t.completedAt);
    bindUuid(statement, 8, t.sectionID);
    statement.bind(9, t.startedAt);
}

// Runs `statement`, which should touch `expected` rows: any other count means
// the table did not hold what the last save left there.
DatabaseService::Outcome runTouching(sql::Connection& conn, Statement& statement, qint64 expected) {
    if (!db::run(conn, statement))
        return DatabaseService::Outcome::failed;
    return sqlite3_changes64(conn.handle()) == expected ? DatabaseService::Outcome::written
                                                        : DatabaseService::Outcome::mismatch;
}

// One UPDATE for every shift, reading each row's old sort_order once:
//   sort_order = sort_order + CASE WHEN sort_order <= last1 THEN delta1 ... END
DatabaseService::Outcome applyShifts(sql::Connection& conn, const QList<TaskRowShift>& shifts,
                                     qint64 expected) {
    if (shifts.isEmpty())
        return DatabaseService::Outcome::written;
    QString orderCase, finishCase, where;
    for (qsizetype k = 0; k < shifts.size(); ++k) {
        const auto p = [&](int offset) { return QStringLiteral("?") + QString::number(4 * k + 1 + offset); };
        orderCase += QStringLiteral(" WHEN sort_order <= %1 THEN %2").arg(p(1), p(2));
        finishCase += QStringLiteral(" WHEN sort_order <= %1 THEN %2").arg(p(1), p(3));
        where += (k ? QStringLiteral(" OR ") : QString()) +
                 QStringLiteral("sort_order BETWEEN %1 AND %2").arg(p(0), p(1));
    }
    Statement update =
        db::prepare(conn, QStringLiteral("UPDATE tasks SET sort_order = sort_order + CASE") + orderCase +
                              QStringLiteral(" END, finish_time = finish_time + CASE") + finishCase +
                              QStringLiteral(" END WHERE ") + where);
    if (!update.isValid())
        return DatabaseService::Outcome::failed;
    for (qsizetype k = 0; k < shifts.size(); ++k) {
        const int first = static_cast<int>(4 * k + 1);
        update.bind(first, shifts.at(k).firstOrder);
        update.bind(first + 1, shifts.at(k).lastOrder);
        update.bind(first + 2, shifts.at(k).orderDelta);
        update.bind(first + 3, shifts.at(k).finishDelta);
    }
    return runTouching(conn, update, expected);
}

// Rows a set of shifts moves: every old sort_order in them that is not removed.
qint64 shiftedRowCount(const TaskRowChanges& changes, const QList<TaskItem>& before) {
    QSet<QUuid> removed(changes.removed.cbegin(), changes.removed.cend());
    qint64 count = 0;
    for (const TaskRowShift& shift : changes.shifts) {
        for (qint64 j = shift.firstOrder; j <= shift.lastOrder; ++j)
            count += removed.contains(before.at(j).id) ? 0 : 1;
    }
    return count;
}

} // namespace

DatabaseService::Outcome DatabaseService::writeTaskChanges(const QList<TaskItem>& before,
                                                           const QList<TaskItem>& tasks) {
    const std::optional<TaskRowChanges> changes = taskRowChanges(before, tasks);
    if (!changes)
        return Outcome::mismatch;
    // Each step goes on only while every statement touched the rows it should.
    Outcome outcome = Outcome::written;
    const auto each = [&](const QString& sql, qsizetype count, const auto& bindRow) {
        if (outcome != Outcome::written || count == 0)
            return;
        Statement statement = db::prepare(*m_db, sql);
        if (!statement.isValid()) {
            outcome = Outcome::failed;
            return;
        }
        for (qsizetype k = 0; k < count && outcome == Outcome::written; ++k) {
            bindRow(statement, k);
            outcome = runTouching(*m_db, statement, 1);
        }
    };
    each(QStringLiteral("DELETE FROM tasks WHERE id = ?"), changes->removed.size(),
         [&](Statement& st, qsizetype k) { bindUuid(st, 1, changes->removed.at(k)); });
    if (outcome == Outcome::written)
        outcome = applyShifts(*m_db, changes->shifts, shiftedRowCount(*changes, before));
    const auto bindAt = [&](const QList<qsizetype>& rows) {
        return [&](Statement& st, qsizetype k) { bindTask(st, tasks.at(rows.at(k)), rows.at(k)); };
    };
    each(QString::fromLatin1(kUpdateTask), changes->updated.size(), bindAt(changes->updated));
    each(QString::fromLatin1(kInsertTask), changes->added.size(), bindAt(changes->added));
    return outcome;
}

namespace {

// The tables a save may write whole, with the binding of one row each.
constexpr WholeTable<TaskItem> kTasksTable{"save_tasks", "DELETE FROM tasks", kInsertTask, bindTask};

constexpr WholeTable<TaskSection> kSectionsTable{
    "save_sections", "DELETE FROM task_sections",
    "INSERT INTO task_sections (id, title, parent_id, sort_order, header_task_id) VALUES (?, ?, ?, ?, ?)",
    [](Statement& insert, const TaskSection& s, qsizetype) {
        bindUuid(insert, 1, s.id);
        insert.bind(2, s.title);
        bindUuid(insert, 3, s.parentID);
        insert.bind(4, s.sortOrder);
        bindUuid(insert, 5, s.headerTaskID);
    }};

constexpr WholeTable<DatabaseService::OverdueSnapshot> kOverdueTable{
    "save_overdue", "DELETE FROM overdue_state",
    "INSERT INTO overdue_state (task_id, last_notification_at, escalation_chat_sent, email_sent) "
    "VALUES (?, ?, ?, ?)",
    [](Statement& insert, const DatabaseService::OverdueSnapshot& s, qsizetype) {
        bindUuid(insert, 1, s.taskID);
        insert.bind(2, s.lastNotificationAt);
        insert.bind(3, s.escalationChatSent);
        insert.bind(4, s.intenseChatSent);
    }};
// The same columns, for the rows that changed.
const char kReplaceOverdue[] = "INSERT OR REPLACE INTO overdue_state (task_id, last_notification_at, "
                               "escalation_chat_sent, email_sent) VALUES (?, ?, ?, ?)";

constexpr WholeTable<ChatMessage> kChatTable{
    "save_chat", "DELETE FROM chat_messages",
    "INSERT INTO chat_messages (id, role, content, mode, timestamp) VALUES (?, ?, ?, ?, ?)",
    [](Statement& insert, const ChatMessage& m, qsizetype) {
        bindUuid(insert, 1, m.id);
        insert.bind(2, chatRoleText(m.role));
        insert.bind(3, m.content);
        insert.bind(4, m.mode ? std::optional<QString>(bossAIModeText(*m.mode)) : std::nullopt);
        insert.bind(5, m.timestamp);
    }};

} // namespace

bool DatabaseService::saveTasks(const QList<TaskItem>& tasks) {
    // Only what changed since the last committed save, when the table is known to hold it.
    return saveTable(&WrittenTables::tasks, tasks, [&] {
        return writeTable(*m_db, kTasksTable, tasks, [&] {
            return m_written.tasks ? writeTaskChanges(*m_written.tasks, tasks) : Outcome::mismatch;
        });
    });
}

QList<TaskSection> DatabaseService::loadSections() {
    QList<TaskSection> sections =
        readRows(*m_db,
                 QStringLiteral("SELECT id, title, parent_id, sort_order, header_task_id FROM task_sections "
                                "ORDER BY sort_order ASC"),
                 QLatin1StringView("task_sections"), &TaskSection::id, [](const Statement& row) {
                     TaskSection s;
                     s.id = readUuidOrNew(row, 0);
                     s.title = row.columnText(1);
                     s.parentID = readOptionalUuid(row, 2);
                     s.sortOrder = static_cast<int>(row.columnInt64(3));
                     s.headerTaskID = readOptionalUuid(row, 4);
                     return std::optional<TaskSection>(std::move(s));
                 });
    if (sections.isEmpty()) {
        // There is always a root to put tasks in; it is saved with the next save.
        TaskSection root;
        root.id = newUuid();
        root.title = TaskSection::defaultTitles.first();
        sections.append(root);
    }
    return sections;
}

bool DatabaseService::saveSections(const QList<TaskSection>& sections) {
    return saveTable(&WrittenTables::sections, sections,
                     [&] { return writeTable(*m_db, kSectionsTable, sections); });
}

GamificationState DatabaseService::loadGamificationState() {
    GamificationState state;
    db::forEachRow(*m_db,
                   QStringLiteral("SELECT level, xp, current_streak, best_streak, last_completion_day "
                                  "FROM gamification_state WHERE id = 1"),
                   [&](const Statement& row) {
                       // `level` is seeded 1 and grows by one per completion, so the
                       // completions are one less; the streak columns hold the on-time runs.
                       state.totalCompletions = static_cast<int>(std::max<qint64>(0, row.columnInt64(0) - 1));
                       state.onTimeStreak = static_cast<int>(row.columnInt64(2));
                       state.bestOnTimeStreak = static_cast<int>(row.columnInt64(3));
                   });
    return state;
}

bool DatabaseService::saveGamificationState(const GamificationState& state) {
    return runWith(*m_db,
                   QStringLiteral("UPDATE gamification_state SET level = ?, xp = 0, current_streak = ?, "
                                  "best_streak = ?, last_completion_day = NULL WHERE id = 1"),
                   static_cast<qint64>(state.totalCompletions) + 1, state.onTimeStreak,
                   state.bestOnTimeStreak);
}

bool DatabaseService::recordTaskAnalytics(const TaskAnalyticsRecord& record) {
    return runWith(*m_db,
                   QStringLiteral("INSERT INTO task_analytics (id, task_id, task_title, section_title, "
                                  "estimated_minutes, actual_minutes, completed_at, was_on_time) "
                                  "VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                   record.id, record.taskID, record.taskTitle, record.sectionTitle, record.estimatedMinutes,
                   record.actualMinutes, record.completedAt, record.wasOnTime);
}

std::optional<bool> DatabaseService::withdrawCompletion(const QUuid& taskID, const QString& title,
                                                        Instant completedAt) {
    std::optional<bool> wasOnTime;
    inTransaction([&] {
        Statement find = db::prepare(
            *m_db,
            QStringLiteral("SELECT was_on_time FROM task_analytics WHERE task_id = ? AND completed_at = ?"));
        if (!find.isValid())
            return false;
        bindUuid(find, 1, taskID);
        find.bind(2, completedAt);
        if (find.step() == SQLITE_ROW)
            wasOnTime = find.columnInt64(0) != 0;
        Statement analytics = db::prepare(
            *m_db, QStringLiteral("DELETE FROM task_analytics WHERE task_id = ? AND completed_at = ?"));
        Statement log = db::prepare(
            *m_db, QStringLiteral("DELETE FROM completion_events WHERE task_title = ? AND completed_at = ?"));
        if (!analytics.isValid() || !log.isValid())
            return false;
        bindUuid(analytics, 1, taskID);
        analytics.bind(2, completedAt);
        log.bind(1, title);
        log.bind(2, completedAt);
        return db::run(*m_db, analytics) && db::run(*m_db, log);
    });
    return wasOnTime;
}

QList<TaskAnalyticsRecord> DatabaseService::loadTaskAnalytics() {
    QList<TaskAnalyticsRecord> records;
    db::forEachRow(*m_db,
                   QStringLiteral("SELECT id, task_id, task_title, section_title, estimated_minutes, "
                                  "actual_minutes, completed_at, was_on_time FROM task_analytics "
                                  "ORDER BY completed_at DESC"),
                   [&](const Statement& row) {
                       records.append({readUuidOrNew(row, 0), readUuidOrNew(row, 1), row.columnText(2),
                                       row.columnText(3), row.columnInt64(4), row.columnInt64(5),
                                       row.columnDouble(6), readFlag(row, 7)});
                   });
    return records;
}

QList<DatabaseService::OverdueSnapshot> DatabaseService::loadOverdueStates() {
    return readRows(
        *m_db,
        QStringLiteral("SELECT task_id, last_notification_at, escalation_chat_sent, email_sent "
                       "FROM overdue_state"),
        QLatin1StringView("overdue_state"), &OverdueSnapshot::taskID,
        [](const Statement& row) -> std::optional<OverdueSnapshot> {
            const std::optional<QUuid> taskID = readOptionalUuid(row, 0);
            if (!taskID)
                return std::nullopt;
            // email_sent holds the flag of the 1.5-times-overdue message.
            return OverdueSnapshot{*taskID, row.columnOptionalDouble(1), readFlag(row, 2), readFlag(row, 3)};
        });
}

namespace {

// The rows to delete and to write so that a table holding `before` holds
// `after`; nullopt when a task ID repeats in either list.
struct OverdueChanges {
    QList<QUuid> removed;
    QList<DatabaseService::OverdueSnapshot> written;
};

std::optional<OverdueChanges> overdueChanges(const QList<DatabaseService::OverdueSnapshot>& before,
                                             const QList<DatabaseService::OverdueSnapshot>& after) {
    QHash<QUuid, qsizetype> previous;
    previous.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        if (previous.contains(before.at(i).taskID))
            return std::nullopt;
        previous.insert(before.at(i).taskID, i);
    }
    OverdueChanges changes;
    QSet<QUuid> kept;
    kept.reserve(after.size());
    for (const DatabaseService::OverdueSnapshot& s : after) {
        if (kept.contains(s.taskID))
            return std::nullopt;
        kept.insert(s.taskID);
        const qsizetype i = previous.value(s.taskID, -1);
        if (i < 0 || before.at(i) != s)
            changes.written.append(s);
    }
    for (const DatabaseService::OverdueSnapshot& s : before) {
        if (!kept.contains(s.taskID))
            changes.removed.append(s.taskID);
    }
    return changes;
}

} // namespace

bool DatabaseService::saveOverdueStates(const QList<OverdueSnapshot>& states) {
    // Every edit saves a row per task, and few of them change: when the table is
    // known to hold the rows last written, only the difference is written.
    return saveTable(&WrittenTables::overdue, states, [&] {
        return writeTable(*m_db, kOverdueTable, states, [&] {
            const std::optional<OverdueChanges> changes =
                m_written.overdue ? overdueChanges(*m_written.overdue, states) : std::nullopt;
            if (!changes)
                return Outcome::mismatch;
            const auto bindID = [](Statement& remove, const QUuid& id, qsizetype) {
                bindUuid(remove, 1, id);
            };
            const bool ok =
                (changes->removed.isEmpty() ||
                 runForEach(*m_db, QStringLiteral("DELETE FROM overdue_state WHERE task_id = ?"),
                            changes->removed, bindID)) &&
                runForEach(*m_db, QString::fromLatin1(kReplaceOverdue), changes->written, kOverdueTable.bind);
            return ok ? Outcome::written : Outcome::failed;
        });
    });
}

QList<ChatMessage> DatabaseService::loadChatMessages() {
    return readRows(*m_db,
                    QStringLiteral("SELECT id, role, content, mode, timestamp FROM chat_messages "
                                   "ORDER BY timestamp ASC"),
                    QLatin1StringView("chat_messages"), &ChatMessage::id,
                    [](const Statement& row) -> std::optional<ChatMessage> {
                        const std::optional<ChatMessage::Role> role =
                            row.isNull(1) ? std::nullopt : chatRoleFromText(row.columnText(1));
                        if (!role)
                            return std::nullopt;
                        ChatMessage m;
                        m.id = readUuidOrNew(row, 0);
                        m.role = *role;
                        m.content = row.columnText(2);
                        m.mode = row.isNull(3) ? std::nullopt : bossAIModeFromText(row.columnText(3));
                        m.timestamp = row.columnDouble(4);
                        return m;
                    });
}

bool DatabaseService::saveChatMessages(const QList<ChatMessage>& messages) {
    return saveTable(&WrittenTables::chat, messages, [&] { return writeTable(*m_db, kChatTable, messages); });
}

bool DatabaseService::clearChatMessages() {
    m_written.chat.reset();
    return db::run(*m_db, QStringLiteral("DELETE FROM chat_messages"));
}

bool DatabaseService::clearTasksAndChat() {
    m_written = {};
    bool ok = db::run(*m_db, QStringLiteral("DELETE FROM tasks;"));
    ok = db::run(*m_db, QStringLiteral("DELETE FROM overdue_state;")) && ok;
    return db::run(*m_db, QStringLiteral("DELETE FROM chat_messages;")) && ok;
}

} // namespace vorn
