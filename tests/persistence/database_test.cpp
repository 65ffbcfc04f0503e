#include "fixtures/blocker_fakes.h"
#include "fixtures/log_capture.h"
#include "fixtures/test_main.h"
#include "persistence/database_service.h"
#include "persistence/sqlite.h"
#include "persistence/task_row_changes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

using namespace vorn;

namespace {

constexpr Instant kNow = 1'700'000'000.25; // 2023-11-14 23:13:20 in Berlin
const QString kSqlError = QStringLiteral("DatabaseService SQL error: ");

// A second connection to the same file, as another process would hold it.
struct RawDb {
    explicit RawDb(const QString& path) { conn.open(path, SQLITE_OPEN_READWRITE); }
    QStringList column(const QString& query) {
        QStringList values;
        sql::Statement st = conn.prepare(query);
        while (st.step() == SQLITE_ROW)
            values << st.columnText(0);
        return values;
    }
    sql::Connection conn;
};

// File permissions do not bind root: a test run as root reads the file as an
// ordinary user for as long as this lives.
struct Unprivileged {
    Unprivileged() { dropped = geteuid() == 0 && setegid(kNobody) == 0 && seteuid(kNobody) == 0; }
    ~Unprivileged() {
        if (dropped && (seteuid(0) != 0 || setegid(0) != 0))
            qFatal("could not return to root");
    }
    static constexpr uid_t kNobody = 65534;
    bool dropped = false;
};

TaskItem task(const QString& title, const QUuid& section) {
    return {newUuid(), title, 25, false, {}, {}, section, {}};
}

// Every column of every task row in sort order, each value with SQLite's type.
QStringList taskRows(const QString& path) {
    const auto real = [](const char* column) {
        return QStringLiteral("typeof(%1) || printf(':%!.17g', ifnull(%1, 0))")
            .arg(QLatin1StringView(column));
    };
    return RawDb(path).column(
        QStringLiteral("SELECT id || '|' || sort_order || '|' || title || '|' || typeof(duration_minutes) || "
                       "duration_minutes || '|' || is_completed || '|' || %1 || '|' || %2 || '|' || "
                       "ifnull(section_id, 'null') || '|' || %3 FROM tasks ORDER BY sort_order")
            .arg(real("finish_time"), real("completed_at"), real("started_at")));
}

// Finish times as the day computes them: a running sum over the open tasks,
// none for a task without a duration.
void recalculateFinishTimes(QList<TaskItem>& tasks, Instant start) {
    Instant at = start;
    for (TaskItem& t : tasks) {
        if (t.isCompleted)
            continue;
        at += double(t.durationMinutes) * 60.0;
        t.finishTime = t.durationMinutes > 0 ? std::optional(at) : std::nullopt;
    }
}

ChatMessage chat(ChatMessage::Role role, const QString& content, std::optional<BossAIMode> mode, Instant at) {
    return {newUuid(), role, content, mode, at};
}

} // namespace

class DatabaseTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        qputenv("TZ", "Europe/Berlin");
        tzset();
    }

    void init() {
        m_clock.set(kNow);
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_path = m_dir->filePath(QStringLiteral("Vorn/vorn.sqlite")); // the folder does not exist yet
    }

    void cleanup() { m_dir.reset(); }

    // A fresh file is seeded once; every kind of record then survives a reopen.
    void freshFileIsSeededAndEveryRecordKindRoundTrips() {
        const QUuid root = newUuid();
        TaskItem done = task("Call 'Bob' about ''the'' deal", root);
        done.isCompleted = true;
        done.finishTime = kNow + 0.125;
        done.completedAt = kNow - 60.5;
        done.startedAt = kNow - 1500;
        TaskSection child{newUuid(), "Errands ''n'' stuff", root, 1, done.id};
        const QList<TaskItem> tasks = {task("Plan", child.id), done, task(QString(), root)};
        const QList<TaskSection> sections = {{root, "To do", std::nullopt, 0, std::nullopt}, child};
        const DatabaseService::SessionSnapshot session{
            kNow - 7200.5,
            "1. it's\n  2. nested",
            true,
            {OutlineEntry::section(root), OutlineEntry::task(done.id)}};
        const QList<DatabaseService::OverdueSnapshot> overdue = {{done.id, kNow - 30, true, false},
                                                                 {tasks[0].id, std::nullopt, false, true}};
        const QList<ChatMessage> messages = {
            chat(ChatMessage::Role::user, "What's next?", std::nullopt, kNow - 2),
            chat(ChatMessage::Role::boss, "Work.", BossAIMode::demon, kNow - 1),
            chat(ChatMessage::Role::system, "Saved.", std::nullopt, kNow)};
        BossAIState boss{12.5, kNow - 10, kNow - 20, 4, true, false, kNow + 1800};
        test::LogCapture log;
        {
            DatabaseService db(m_path, m_clock);
            QCOMPARE(db.openOutcome(), DatabaseService::OpenOutcome::opened);
            // The migration adds only what a table lacks: nothing fails.
            QCOMPARE(log.count(kSqlError), 0);
            QCOMPARE(db.loadBossAIState(), BossAIState::initial(kNow));
            // The file is seeded with level 1; no completion has happened yet.
            QCOMPARE(db.loadGamificationState(), (GamificationState{0, 0, 0}));
            QCOMPARE(db.loadSession(), (DatabaseService::SessionSnapshot{kNow, QString(), false, {}}));
            const QList<TaskSection> seeded = db.loadSections();
            QCOMPARE(seeded,
                     (QList<TaskSection>{{seeded.value(0).id, "To do", std::nullopt, 0, std::nullopt}}));
            QVERIFY(db.saveWorkspace(tasks, sections, {3, 7, 42}, session, overdue, messages));
            QVERIFY(db.saveBossAIState(boss));
        }
        QCOMPARE(RawDb(m_path).column("PRAGMA journal_mode"), QStringList{"wal"});
        QCOMPARE(RawDb(m_path).column("SELECT level FROM gamification_state"), QStringList{"43"});
        log.clear();
        m_clock.advance(3600);
        DatabaseService db(m_path, m_clock);
        QCOMPARE(log.count(kSqlError), 0);
        // Seeding happens once: no second root, no fresh session or boss state.
        QCOMPARE(db.loadTasks(newUuid()), tasks);
        QCOMPARE(db.loadSections(), sections);
        QCOMPARE(db.loadSession(), session);
        QCOMPARE(db.loadGamificationState(), (GamificationState{3, 7, 42}));
        QCOMPARE(db.loadOverdueStates(), overdue);
        QCOMPARE(db.loadChatMessages(), messages);
        QCOMPARE(db.loadBossAIState(), boss);
        boss.surgeModeUntil.reset();
        QVERIFY(db.saveBossAIState(boss));
        QCOMPARE(db.loadBossAIState(), boss);

        // Stored as other readers of the file expect: canonical upper-case ids,
        // 0/1 flags, REAL times, NULL for absent values, the compact outline text.
        RawDb raw(m_path);
        QCOMPARE(raw.column("SELECT id || ' ' || is_completed || ' ' || typeof(finish_time) || ' ' || "
                            "typeof(started_at) FROM tasks WHERE sort_order = 1"),
                 QStringList{uuidText(done.id) + " 1 real real"});
        QCOMPARE(raw.column("SELECT typeof(finish_time) FROM tasks WHERE sort_order = 0"),
                 QStringList{"null"});
        QCOMPARE(raw.column("SELECT outline_order FROM session_state"),
                 QStringList{QString::fromUtf8(encodeOutlineEntries(session.outlineOrder))});

        QVERIFY(db.saveTasks({}));
        QVERIFY(db.loadTasks(root).isEmpty());
        QVERIFY(db.clearChatMessages());
        QVERIFY(db.loadChatMessages().isEmpty());
        QVERIFY(db.logMessage(BossAIMode::messianic, "Rise.", "on time"));
        QCOMPARE(raw.column("SELECT mode || '|' || message || '|' || sent_at || '|' || trigger_reason "
                            "FROM message_log"),
                 QStringList{"Messianic|Rise.|1700003600.25|on time"});
    }

    void rowsWrittenByOthersAreReadLeniently() {
        DatabaseService db(m_path, m_clock);
        const QUuid fallback = newUuid();
        const QString sectionId = uuidText(newUuid()).toLower();
        QVERIFY(db.exec("DELETE FROM task_sections"));
        QVERIFY(db.exec(
            QStringLiteral("INSERT INTO tasks VALUES ('no-uuid', 0, 'a', 5, 2, NULL, NULL, NULL, NULL),"
                           "('%1', 1, 'b', 5, 1, NULL, NULL, 'garbage', NULL),"
                           "('%2', 2, 'c', 5, 0, NULL, NULL, '%1', NULL)")
                .arg(sectionId, uuidText(newUuid()))));
        const QList<TaskItem> tasks = db.loadTasks(fallback);
        QCOMPARE(tasks.size(), 3);
        QVERIFY(!tasks[0].id.isNull());
        QCOMPARE(tasks[0].isCompleted, false); // only 1 is true
        QCOMPARE(tasks[0].sectionID, fallback);
        QCOMPARE(tasks[1].sectionID, fallback);
        QCOMPARE(uuidText(tasks[2].sectionID), sectionId.toUpper());

        // An empty section table still offers a root, but does not write it.
        QCOMPARE(db.loadSections().size(), 1);
        QVERIFY(db.loadSections()[0].id != db.loadSections()[0].id);
        QVERIFY(db.exec("INSERT INTO task_sections VALUES ('" + sectionId + "', 'x', 'bad', 0, 'bad too')"));
        QCOMPARE(db.loadSections(),
                 (QList<TaskSection>{{*parseUuid(sectionId), "x", std::nullopt, 0, std::nullopt}}));

        QVERIFY(db.exec("INSERT INTO chat_messages VALUES ('" + uuidText(newUuid()) +
                        "', 'User', 'dropped', NULL, 1), ('x', 'boss', 'kept', 'demon', 2),"
                        "('y', 'boss', 'moded', 'Demon', 3)"));
        const QList<ChatMessage> messages = db.loadChatMessages();
        QCOMPARE(messages.size(), 2);
        QCOMPARE(messages[0].content, QStringLiteral("kept"));
        QCOMPARE(messages[0].mode, std::nullopt);
        QCOMPARE(messages[1].mode, BossAIMode::demon);

        QVERIFY(
            db.exec("INSERT INTO overdue_state VALUES ('nope', 1, 1, 1), ('" + sectionId + "', NULL, 7, 1)"));
        QCOMPARE(db.loadOverdueStates(), (QList<DatabaseService::OverdueSnapshot>{
                                             {*parseUuid(sectionId), std::nullopt, false, true}}));

        // Text that is not an outline (the store's test has one that is not JSON).
        QVERIFY(db.exec(
            R"(UPDATE session_state SET outline_order = '[{"type":"folder","id":"00000000-0000-0000-0000-000000000001"}]')"));
        QVERIFY(db.loadSession().outlineOrder.isEmpty());
    }

    // Completions keep two days, the cutoff inclusive; an analytics record is
    // kept once (what the summary makes of them is the analytics sheet's test).
    void completionsKeepTwoDaysAndAnalyticsAreKeptOnce() {
        DatabaseService db(m_path, m_clock);
        const auto event = [](const QString& title, Instant at) {
            return CompletionEvent{newUuid(), title, at, true};
        };
        QVERIFY(db.recordCompletion(event("three days ago", kNow - 3 * 86400)));
        QVERIFY(db.recordCompletion(event("just under 2 h", kNow - 7200 - 0.001)));
        QVERIFY(db.recordCompletion(event("exactly 2 h", kNow - 7200)));
        QVERIFY(db.recordCompletion(event("exactly 48 h", kNow - 172800)));
        QVERIFY(db.recordCompletion(event("now", kNow)));

        QStringList titles;
        for (const CompletionEvent& e : db.recentCompletions(2))
            titles << e.taskTitle;
        QCOMPARE(titles, (QStringList{"now", "exactly 2 h"}));
        QCOMPARE(db.recentCompletions(1000).size(), 4); // three days ago pruned, 48 h kept

        m_clock.advance(1);
        QVERIFY(db.recordCompletion(event("later", kNow + 1)));
        QCOMPARE(db.recentCompletions(1000).size(), 4); // the 48-hour one is now too old

        const TaskAnalyticsRecord record{newUuid(), newUuid(), "it's done", "To do", 20, 10, kNow + 5, true};
        QVERIFY(db.recordTaskAnalytics(record));
        test::LogCapture log;
        QVERIFY(!db.recordTaskAnalytics(record));
        QCOMPARE(log.count(kSqlError + "UNIQUE constraint failed"), 1);
        QCOMPARE(db.loadTaskAnalytics(), QList<TaskAnalyticsRecord>{record});
    }

    void failedSavesLeaveThePreviousRowsWhole() {
        DatabaseService db(m_path, m_clock);
        const QUuid root = db.loadSections()[0].id;
        const QList<TaskItem> before = {task("one", root), task("two", root)};
        const QList<ChatMessage> chatBefore = {chat(ChatMessage::Role::user, "hi", std::nullopt, kNow)};
        QVERIFY(db.saveWorkspace(before, db.loadSections(), {1, 1, 1}, {kNow, "paste", false, {}}, {},
                                 chatBefore));

        test::LogCapture log;
        TaskItem clash = task("three", root);
        QVERIFY(!db.saveTasks({task("new", root), clash, clash}));
        QCOMPARE(log.count(kSqlError + "UNIQUE constraint failed"), 1);
        QCOMPARE(db.loadTasks(root), before);

        // The chat is written last; its failure undoes the tables written before it.
        const ChatMessage twice = chat(ChatMessage::Role::boss, "x", BossAIMode::normal, kNow);
        QVERIFY(!db.saveWorkspace({task("new", root)}, {{newUuid(), "Other", std::nullopt, 0, std::nullopt}},
                                  {9, 9, 9}, {kNow + 1, "changed", true, {}}, {{root, kNow, true, true}},
                                  {twice, twice}));
        QCOMPARE(db.loadTasks(root), before);
        QCOMPARE(db.loadSections()[0].id, root);
        QCOMPARE(db.loadGamificationState(), (GamificationState{1, 1, 1}));
        QCOMPARE(db.loadSession().pasteText, QStringLiteral("paste"));
        QVERIFY(db.loadOverdueStates().isEmpty());
        QCOMPARE(db.loadChatMessages(), chatBefore);

        // No transaction is left open: a later save reaches other connections.
        QVERIFY(db.saveTasks({clash}));
        QCOMPARE(RawDb(m_path).column("SELECT title FROM tasks"), QStringList{"three"});

        // Overdue rows are written by their difference, undone as a whole too.
        const auto byTask = [](QList<DatabaseService::OverdueSnapshot> rows) {
            std::sort(rows.begin(), rows.end(),
                      [](const auto& x, const auto& y) { return x.taskID < y.taskID; });
            return rows;
        };
        const QUuid a = newUuid(), b = newUuid(), c = newUuid(), d = newUuid();
        QVERIFY(db.saveOverdueStates(
            {{a, kNow, false, false}, {b, std::nullopt, true, false}, {c, {}, false, false}}));
        // One row gone, one changed, one new, one kept, in another order.
        const QList<DatabaseService::OverdueSnapshot> next = {
            {d, kNow + 5, false, true}, {c, {}, false, false}, {a, kNow + 60, true, true}};
        QVERIFY(db.saveOverdueStates(next));
        QCOMPARE(byTask(db.loadOverdueStates()), byTask(next));

        QVERIFY(!db.saveOverdueStates({next.at(0), next.at(0)}));
        QCOMPARE(byTask(db.loadOverdueStates()), byTask(next));
    }

    // A save after edits writes only what changed; the file must hold exactly
    // what a whole rewrite of the same list would.
    void changedRowsMatchAWholeRewrite() {
        DatabaseService changes(m_path, m_clock);
        DatabaseService whole(m_dir->filePath("whole.sqlite"), m_clock);
        const QUuid root = changes.loadSections()[0].id, other = newUuid();
        QRandomGenerator random(20261206);
        const auto pick = [&](qsizetype size) {
            return qsizetype(random.bounded(int(std::max<qsizetype>(size, 1))));
        };
        QList<TaskItem> tasks;
        for (int i = 0; i < 40; ++i)
            tasks.append(task(QStringLiteral("t%1").arg(i), root));
        for (int step = 0; step < 300; ++step) {
            Instant start = kNow;
            switch (random.bounded(8)) {
            case 0:
                tasks.insert(pick(tasks.size() + 1), task(QStringLiteral("new %1").arg(step), other));
                break;
            case 1:
                if (!tasks.isEmpty())
                    tasks.removeAt(pick(tasks.size()));
                break;
            case 2: { // a block moved up or down
                const qsizetype from = pick(tasks.size()),
                                n = std::min<qsizetype>(1 + pick(5), tasks.size() - from);
                const QList<TaskItem> block = tasks.mid(from, n);
                tasks.remove(from, n);
                const qsizetype to = pick(tasks.size() + 1);
                for (qsizetype k = 0; k < block.size(); ++k)
                    tasks.insert(to + k, block.at(k));
                break;
            }
            case 3:
                if (!tasks.isEmpty())
                    tasks[pick(tasks.size())].durationMinutes = pick(4) * 5;
                break;
            case 4:
                if (!tasks.isEmpty()) {
                    TaskItem& t = tasks[pick(tasks.size())];
                    t.isCompleted = !t.isCompleted;
                    t.completedAt = t.isCompleted ? std::optional(kNow + step) : std::nullopt;
                }
                break;
            case 5:
                if (!tasks.isEmpty())
                    tasks[pick(tasks.size())].title += QStringLiteral(" é");
                break;
            case 6: // many rows in a new order
                for (int k = 0; k < 30 && tasks.size() > 1; ++k)
                    tasks.swapItemsAt(pick(tasks.size()), pick(tasks.size()));
                break;
            default: // a start that no whole minutes reach exactly
                start = kNow + 0.1 * step;
            }
            recalculateFinishTimes(tasks, start);
            whole.exec(QStringLiteral("SELECT 1")); // forgets what it wrote: a whole rewrite
            QVERIFY(step % 7 ? changes.saveTasks(tasks)
                             : changes.saveWorkspace(tasks, changes.loadSections(), {}, {}, {}, {}));
            QVERIFY(whole.saveTasks(tasks));
            QCOMPARE(taskRows(m_path), taskRows(whole.path()));
            QCOMPARE(changes.loadTasks(root), tasks);
        }
    }

    // An edit in the middle of a long day is one insert and one range update,
    // not a write of every row after it.
    void anInsertShiftsTheRowsAfterItInOneRange() {
        QList<TaskItem> before;
        for (int i = 0; i < 1000; ++i)
            before.append(task(QStringLiteral("t%1").arg(i), {}));
        recalculateFinishTimes(before, kNow);
        QList<TaskItem> after = before;
        after.insert(500, task("new", {}));
        recalculateFinishTimes(after, kNow);
        const std::optional<TaskRowChanges> changes = taskRowChanges(before, after);
        QVERIFY(changes);
        QCOMPARE(changes->added, QList<qsizetype>{500});
        QVERIFY(changes->updated.isEmpty() && changes->removed.isEmpty());
        QCOMPARE(changes->shifts, (QList<TaskRowShift>{{500, 999, 1, 25 * 60.0}}));
        QVERIFY(!taskRowChanges(before, after + QList<TaskItem>{after.at(700)}));
    }

    // Another program holding the file: a write it blocks fails at once and
    // loses nothing, and a file it holds from the start is left alone until
    // free. What the store shows meanwhile is the store's test.
    void fileHeldByAnotherProgramFailsFastAndLosesNothing() {
        test::LogCapture log;
        QElapsedTimer timer;
        {
            DatabaseService db(m_path, m_clock);
            const QUuid root = db.loadSections()[0].id;
            const QList<TaskItem> before = {task("kept", root)};
            QVERIFY(db.saveTasks(before));
            RawDb other(m_path);
            QCOMPARE(other.conn.exec("BEGIN IMMEDIATE"), SQLITE_OK);
            timer.start();
            QVERIFY(!db.saveWorkspace({task("blocked", root)}, db.loadSections(), {}, {}, {}, {}));
            QCOMPARE(log.count(kSqlError + "database is locked"), 1);
            QCOMPARE(db.loadTasks(root), before); // readers are not blocked by the writer
            QCOMPARE(other.conn.exec("ROLLBACK"), SQLITE_OK);
            QVERIFY(db.saveTasks({task("after", root)}));
        }
        RawDb other(m_path);
        QCOMPARE(other.conn.exec("PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; COMMIT;"), SQLITE_OK);
        DatabaseService db(m_path, m_clock);
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(db.openOutcome(), DatabaseService::OpenOutcome::inUseElsewhere);
        QVERIFY(!db.canSave());
        QVERIFY(!db.retryOpen());
        other.conn.close();
        QVERIFY(db.retryOpen());
        QCOMPARE(db.loadTasks({})[0].title, QStringLiteral("after"));
        QCOMPARE(log.count("DatabaseService: database in use by another program"), 1);
    }

    void damagedFileIsKeptAsideAndReplaced_data() {
        QTest::addColumn<bool>("validHeader");
        QTest::newRow("garbage, with a journal") << false;
        QTest::newRow("valid header over a damaged page") << true; // found only by the integrity check
    }

    void damagedFileIsKeptAsideAndReplaced() {
        QFETCH(bool, validHeader);
        QVERIFY(QDir().mkpath(QFileInfo(m_path).path()));
        QByteArray wal;
        if (validHeader) {
            sql::Connection raw;
            QCOMPARE(raw.open(m_path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE), SQLITE_OK);
            QCOMPARE(
                raw.exec("PRAGMA page_size=4096; CREATE TABLE filler (x TEXT);"
                         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
                         "INSERT INTO filler SELECT hex(randomblob(40)) FROM n;"),
                SQLITE_OK);
            raw.close();
            QFile file(m_path);
            QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(4096 * 5));
            file.write(QByteArray(64, '\xff'));
        } else {
            for (int i = 0; i < 8192; ++i)
                wal.append(static_cast<char>((i * 7919) % 251));
            test::writeFile(m_path, wal);
            test::writeFile(m_path + "-wal", wal);
        }
        const QByteArray original = test::readFile(m_path);

        DatabaseService db(m_path, m_clock);
        QCOMPARE(db.openOutcome(), DatabaseService::OpenOutcome::replacedCorruptFile);
        QCOMPARE(db.corruptFileKeptAt(), m_path + ".corrupt-20231114-231320");
        QCOMPARE(test::readFile(db.corruptFileKeptAt()), original);
        QCOMPARE(QFileInfo::exists(db.corruptFileKeptAt() + "-wal"), !validHeader);
        QCOMPARE(test::readFile(db.corruptFileKeptAt() + "-wal"), wal);
        QCOMPARE(db.loadGamificationState().totalCompletions, 0); // freshly seeded
        QVERIFY(db.saveTasks({task("fresh start", newUuid())}));
        QCOMPARE(DatabaseService(m_path, m_clock).loadTasks({}).size(), 1);
    }

    void unwritableFileOrFolderIsReadOnly_data() {
        QTest::addColumn<bool>("folderWritable");
        QTest::newRow("read-only file") << true;
        QTest::newRow("read-only folder") << false;
    }

    void unwritableFileOrFolderIsReadOnly() {
        QFETCH(bool, folderWritable);
        QList<TaskItem> saved;
        {
            DatabaseService create(m_path, m_clock);
            saved = {task("first", create.loadSections()[0].id), task("second", create.loadSections()[0].id)};
            QVERIFY(create.saveTasks(saved));
        }
        const QString folder = QFileInfo(m_path).path();
        const auto readable =
            QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther | QFileDevice::ExeOther;
        const auto writable = readable | QFileDevice::WriteOwner | QFileDevice::WriteOther;
        const auto restore = qScopeGuard([&] { QFile::setPermissions(folder, writable); });
        QVERIFY(QFile::setPermissions(m_dir->path(), readable | QFileDevice::WriteOwner));
        QVERIFY(QFile::setPermissions(folder, folderWritable ? writable : readable));
        if (folderWritable)
            QVERIFY(QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::ReadOther));
        else if (geteuid() == 0) // the file stays writable by its owner; only the folder is not
            QVERIFY(chown(m_path.toLocal8Bit().constData(), Unprivileged::kNobody, 0) == 0);
        const QByteArray before = test::readFile(m_path);

        test::LogCapture log;
        {
            Unprivileged user;
            DatabaseService db(m_path, m_clock);
            QCOMPARE(db.openOutcome(), DatabaseService::OpenOutcome::readOnly);
            QVERIFY(!db.canSave());
            QCOMPARE(db.loadTasks({}), saved);
            QVERIFY(!db.saveTasks({}));
            QCOMPARE(log.count("DatabaseService: failed to open database"), 0);
        }
        QCOMPARE(test::readFile(m_path), before);
    }

    // Rows another program deleted are written again; IDs it wrote that differ
    // only in letter case load once.
    void writesOfAnotherConnectionAreNotMistakenForOurs() {
        DatabaseService db(m_path, m_clock);
        const QList<TaskSection> sections = db.loadSections();
        const QUuid root = sections[0].id;
        QList<TaskItem> tasks = {task("mine", root)};
        const QList<DatabaseService::OverdueSnapshot> overdue = {{tasks[0].id, kNow, true, false}};
        QVERIFY(db.saveWorkspace(tasks, sections, {}, {}, overdue, {}));

        RawDb other(m_path);
        QCOMPARE(other.conn.exec("DELETE FROM tasks; DELETE FROM task_sections; DELETE FROM overdue_state;"),
                 SQLITE_OK);
        QVERIFY(db.saveWorkspace(tasks, sections, {}, {}, overdue, {}));
        QCOMPARE(db.loadTasks({}), tasks);
        QCOMPARE(db.loadSections(), sections);
        QCOMPARE(db.loadOverdueStates(), overdue);
        QCOMPARE(other.conn.exec("DELETE FROM tasks"), SQLITE_OK);
        QVERIFY(db.saveTasks(tasks));
        QCOMPARE(db.loadTasks({}), tasks);

        const QString id = uuidText(newUuid()), braced = uuidText(newUuid());
        QCOMPARE(other.conn.exec(QStringLiteral("DELETE FROM tasks; INSERT INTO tasks VALUES "
                                                "('%1', 0, 'upper', 5, 0, NULL, NULL, '%3', NULL),"
                                                "('%2', 1, 'lower', 5, 0, NULL, NULL, '%3', NULL),"
                                                "('{%4}', 2, 'braced', 5, 0, NULL, NULL, '%3', NULL)")
                                     .arg(id, id.toLower(), uuidText(root), braced)),
                 SQLITE_OK);
        test::LogCapture log;
        tasks = db.loadTasks(root);
        QCOMPARE(tasks.size(), 2);
        QCOMPARE(tasks[0].title, QStringLiteral("upper"));
        QCOMPARE(tasks[1].title, QStringLiteral("braced"));
        QVERIFY(uuidText(tasks[1].id) != braced); // not canonical: a fresh ID
        QCOMPARE(log.count("DatabaseService: dropped a second tasks row with ID " + id), 1);
        tasks.append(task("typed later", root));
        QVERIFY(db.saveTasks(tasks));
        QCOMPARE(db.loadTasks(root), tasks);

        // Each table on its own: the memory of our last write goes whenever
        // another connection has written between two saves of the same rows.
        const QList<ChatMessage> chat = {
            {newUuid(), ChatMessage::Role::boss, "hello", BossAIMode::demon, kNow}};
        QVERIFY(db.saveChatMessages(chat));
        QCOMPARE(other.conn.exec("DELETE FROM chat_messages"), SQLITE_OK);
        QVERIFY(db.saveChatMessages(chat));
        QCOMPARE(db.loadChatMessages(), chat);
        QVERIFY(db.saveSections(sections));
        QCOMPARE(other.conn.exec("DELETE FROM task_sections"), SQLITE_OK);
        QVERIFY(db.saveSections(sections));
        QCOMPARE(db.loadSections(), sections);
        QVERIFY(db.saveOverdueStates(overdue));
        QCOMPARE(other.conn.exec("DELETE FROM overdue_state"), SQLITE_OK);
        QVERIFY(db.saveOverdueStates(overdue));
        QCOMPARE(db.loadOverdueStates(), overdue);

        // Chat IDs that differ only in letter case load once, and save back.
        const QString line = uuidText(newUuid());
        QCOMPARE(other.conn.exec(
                     QStringLiteral("DELETE FROM chat_messages; INSERT INTO chat_messages VALUES "
                                    "('%1', 'boss', 'upper', NULL, 1), ('%2', 'boss', 'lower', NULL, 2)")
                         .arg(line, line.toLower())),
                 SQLITE_OK);
        QList<ChatMessage> lines = db.loadChatMessages();
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines[0].content, QStringLiteral("upper"));
        QCOMPARE(log.count("DatabaseService: dropped a second chat_messages row with ID " + line), 1);
        lines.append({newUuid(), ChatMessage::Role::user, "later", std::nullopt, 3});
        QVERIFY(db.saveChatMessages(lines));
        QCOMPARE(db.loadChatMessages(), lines);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
    ManualClock m_clock{kNow};
};

VORN_TEST_CLASS(DatabaseTest)
#include "database_test.moc"
