// Start-up of the store: fresh data folders, restarts, and the repairs that
// make damaged or older stored workspaces usable.
#include "fixtures/outline_fixture.h"
#include "fixtures/store_fixture.h"
#include "fixtures/test_main.h"

#include "persistence/sqlite.h"

#include <QFile>
#include <QtTest>

#include <sqlite3.h>
#include <unistd.h>

using namespace vorn;
using vorn::test::StoreFixture;

namespace {

TaskSection section(const QString& title, std::optional<QUuid> parent = std::nullopt, int sortOrder = 0) {
    return TaskSection{newUuid(), title, parent, sortOrder, std::nullopt};
}

TaskItem task(const QString& title, const QUuid& sectionID, qint64 minutes = 30) {
    TaskItem t;
    t.id = newUuid();
    t.title = title;
    t.durationMinutes = minutes;
    t.sectionID = sectionID;
    return t;
}

QStringList chatTexts(const TaskStore& store) {
    QStringList out;
    for (const ChatMessage& m : store.chatMessages())
        out.append(m.content);
    return out;
}

} // namespace

class StoreStartupTest : public QObject {
    Q_OBJECT

private slots:
    void freshDataFolder() {
        StoreFixture f;
        TaskStore& store = f.start();

        QCOMPARE(store.sections().size(), 1);
        QCOMPARE(store.sections().first().title, QStringLiteral("To do"));
        QVERIFY(!store.sections().first().parentID);
        QCOMPARE(store.tasks().size(), 1);
        const TaskItem& placeholder = store.tasks().first();
        QCOMPARE(placeholder.title, QStringLiteral("Create to do list"));
        QCOMPARE(placeholder.durationMinutes, 10);
        QCOMPARE(placeholder.sectionID, store.sections().first().id);
        QCOMPARE(placeholder.finishTime, store.scheduleStartTime() + 600);
        QCOMPARE(store.gamification().totalCompletions, 1);
        QCOMPARE(store.gamification().onTimeStreak, 0);
        QCOMPARE(store.bossAIState().urgencyScore, 45.0);
        QCOMPARE(chatTexts(store), QStringList{QStringLiteral("Welcome back — 1 tasks loaded.")});
        QCOMPARE(store.chatMessages().first().role, ChatMessage::Role::system);
        // Urgency 45 with the placeholder open: a 37.5 % Demon chance.
        QCOMPARE(store.modeProbabilities(), (ModeProbabilities{0, 37.5, 62.5}));
        QVERIFY(store.statusMessage() == std::nullopt);
        QVERIFY(!store.canUndo());

        // The repairs are not written back by the load itself.
        QCOMPARE(f.database().loadTasks(newUuid()).size(), 0);
    }

    void restartSameDayKeepsChatAndWorkspace() {
        StoreFixture f;
        TaskStore& first = f.start();
        const QUuid root = first.sections().first().id;
        QList<TaskItem> three{task(QStringLiteral("Write 'the' report"), root),
                              task(QStringLiteral("B"), root, 0), task(QStringLiteral("C"), root, 45)};
        first.setTasks(three);
        first.setRootOutlineOrder(first.computeOutlineOrderSnapshot());
        first.recalculateFinishTimes();
        first.persistWorkspace();
        const QList<TaskItem> saved = first.tasks();

        f.clock().advance(3600);
        TaskStore& second = f.restart();
        QCOMPARE(second.tasks(), saved);
        QCOMPARE(chatTexts(second), (QStringList{QStringLiteral("Welcome back — 1 tasks loaded."),
                                                 QStringLiteral("Welcome back — 3 tasks loaded.")}));
    }

    void chatOfAnEarlierDayIsDeleted() {
        StoreFixture f(test::localTime(23, 30));
        f.start();
        f.clock().set(test::localTime(23, 59, 59));
        QCOMPARE(f.restart().chatMessages().size(), 2);

        f.clock().advance(2); // past local midnight
        TaskStore& nextDay = f.restart();
        QCOMPARE(chatTexts(nextDay), QStringList{QStringLiteral("Welcome back — 1 tasks loaded.")});
        QCOMPARE(f.database().loadChatMessages().size(), 1);
        QCOMPARE(f.preferences().text(QStringLiteral("last_chat_day")), QStringLiteral("2026-03-03"));
    }

    void severalRootsBecomeFoldersOfOneRoot() {
        StoreFixture f;
        DatabaseService& db = f.openDatabase();
        const TaskSection work = section(QStringLiteral("Work"), std::nullopt, 0);
        const TaskSection home = section(QStringLiteral("Home"), std::nullopt, 1);
        const TaskSection deep = section(QStringLiteral("Deep"), work.id, 0);
        db.saveSections({work, home, deep});
        db.saveTasks({task(QStringLiteral("w"), work.id), task(QStringLiteral("h"), home.id),
                      task(QStringLiteral("d"), deep.id)});

        TaskStore& store = f.start();
        const auto roots = store.childSections(std::nullopt);
        QCOMPARE(roots.size(), 1);
        QCOMPARE(roots.first().title, QStringLiteral("To do"));
        const auto folders = store.childSections(roots.first().id);
        QCOMPARE(folders.size(), 2);
        QCOMPARE(folders.at(0).title, QStringLiteral("Work"));
        QCOMPARE(folders.at(0).sortOrder, 0);
        QCOMPARE(folders.at(1).title, QStringLiteral("Home"));
        QCOMPARE(folders.at(1).sortOrder, 1);
        // The folder below a former root stays where it was.
        QCOMPARE(store.childSections(work.id).size(), 1);
        QCOMPARE(test::outlineProblems(store), QString());
        QCOMPARE(store.outlineRows().size(), 6); // Work, w, Deep, d, Home, h
    }

    void tasksWithoutValidSectionGoToTheDefault() {
        StoreFixture f;
        DatabaseService& db = f.openDatabase();
        const TaskSection root = section(QStringLiteral("To do"));
        const TaskSection work = section(QStringLiteral("Work"), root.id, 0);
        db.saveSections({root, work});
        db.exec(
            QStringLiteral("INSERT INTO tasks (id, sort_order, title, duration_minutes, is_completed) VALUES "
                           "('%1', 0, 'orphan', 5, 0)")
                .arg(uuidText(newUuid())));
        db.exec(QStringLiteral("INSERT INTO tasks (id, sort_order, title, duration_minutes, is_completed, "
                               "section_id) VALUES ('%1', 1, 'lost', 5, 0, 'not-a-uuid')")
                    .arg(uuidText(newUuid())));
        db.exec(QStringLiteral("INSERT INTO tasks (id, sort_order, title, duration_minutes, is_completed, "
                               "section_id) VALUES ('%1', 2, 'section gone', 5, 0, '%2')")
                    .arg(uuidText(newUuid()), uuidText(newUuid())));

        TaskStore& store = f.start();
        QCOMPARE(store.tasks().size(), 3);
        for (const TaskItem& t : store.tasks())
            QCOMPARE(t.sectionID, work.id);
        QCOMPARE(store.outlineRows().size(), 4); // Work and its three tasks: each one can be seen
    }

    void badOutlineOrderIsRebuilt() {
        StoreFixture f;
        DatabaseService& db = f.openDatabase();
        const TaskSection root = section(QStringLiteral("To do"));
        const TaskItem a = task(QStringLiteral("A"), root.id);
        const TaskItem b = task(QStringLiteral("B"), root.id);
        db.saveSections({root});
        db.saveTasks({a, b});
        db.exec(QStringLiteral("UPDATE session_state SET outline_order = '{not json' WHERE id = 1"));

        TaskStore& store = f.start();
        QCOMPARE(store.rootOutlineOrder(),
                 (QList<OutlineEntry>{OutlineEntry::task(a.id), OutlineEntry::task(b.id)}));
        QCOMPARE(store.outlineRows().size(), 2);
    }

    void damagedSectionTreeStillStarts() {
        // Two sections that are each other's parent, and a group headed by a task
        // that stands inside it: nothing may hang, and the tasks stay stored.
        StoreFixture f;
        DatabaseService& db = f.openDatabase();
        const TaskSection root = section(QStringLiteral("To do"));
        TaskSection a = section(QStringLiteral("A"));
        TaskSection b = section(QStringLiteral("B"), a.id);
        a.parentID = b.id;
        const TaskItem inLoop = task(QStringLiteral("in loop"), a.id);
        TaskItem head = task(QStringLiteral("head"), root.id);
        TaskSection group = section(QStringLiteral("group"), root.id);
        group.headerTaskID = head.id;
        head.sectionID = group.id;
        db.saveSections({root, a, b, group});
        db.saveTasks({inLoop, head});

        TaskStore& store = f.start();
        QCOMPARE(store.tasks().size(), 2);
        // The cycle shows each of its sections once; the self-headed group shows nothing.
        QCOMPARE(store.outlineRows().size(), 3);
        store.persistWorkspace();
        QCOMPARE(f.restart().tasks().size(), 2);
    }

    void unreadableDatabaseIsKeptAsideAndReported() {
        StoreFixture f;
        {
            QFile garbage(f.databasePath());
            QVERIFY(garbage.open(QIODevice::WriteOnly));
            garbage.write(QByteArray(8192, '\x5a'));
        }
        TaskStore& store = f.start();
        QCOMPARE(store.tasks().size(), 1);
        const QString kept = f.database().corruptFileKeptAt();
        QVERIFY(kept.contains(QStringLiteral("vorn.sqlite.corrupt-")));
        QVERIFY(QFile::exists(kept));
        QVERIFY(chatTexts(store).last().contains(kept));
    }

    void databaseHeldByAnotherProgramIsLoadedOnceFree() {
        StoreFixture f;
        QList<TaskItem> stored;
        {
            TaskStore& first = f.start();
            const QUuid root = first.sections().first().id;
            first.setTasks({task(QStringLiteral("A"), root), task(QStringLiteral("B"), root),
                            task(QStringLiteral("C"), root)});
            first.setRootOutlineOrder(first.computeOutlineOrderSnapshot());
            first.recalculateFinishTimes();
            first.persistWorkspace();
            stored = first.tasks();
            f.stop();
        }
        auto other = std::make_unique<sql::Connection>();
        QCOMPARE(other->open(f.databasePath(), SQLITE_OPEN_READWRITE), SQLITE_OK);
        QCOMPARE(other->exec(QStringLiteral("PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; COMMIT;")),
                 SQLITE_OK);

        DatabaseService& db = f.openDatabase();
        StoreEnvironment env = f.environment();
        env.databaseRetryInterval = std::chrono::milliseconds(5);
        TaskStore store(env);
        QCOMPARE(db.openOutcome(), DatabaseService::OpenOutcome::inUseElsewhere);
        QVERIFY(chatTexts(store).last().contains(QStringLiteral("in use by another program")));
        QCOMPARE(store.tasks().size(), 1); // the placeholder, in memory only
        store.persistWorkspace();
        QTest::qWait(20); // a few retries against the held file
        QCOMPARE(store.tasks().size(), 1);

        other.reset();
        QTRY_COMPARE(store.tasks(), stored);
        QCOMPARE(db.openOutcome(), DatabaseService::OpenOutcome::opened);
        QVERIFY(!store.canUndo());
        QCOMPARE(chatTexts(store).last(), QStringLiteral("Welcome back — 3 tasks loaded."));
        store.persistWorkspace();
        QCOMPARE(db.loadTasks(newUuid()), stored);
    }

    void readOnlyDatabaseShowsTheListAndSaysSo() {
        StoreFixture f;
        {
            TaskStore& first = f.start();
            first.setTasks({task(QStringLiteral("A"), first.sections().first().id)});
            first.persistWorkspace();
            f.stop();
        }
        QVERIFY(QFile::setPermissions(f.databasePath(), QFileDevice::ReadOwner | QFileDevice::ReadOther));
        QVERIFY(QFile::setPermissions(f.dataDir(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                       QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                       QFileDevice::WriteOther | QFileDevice::ExeOther));
        ManualClock clock(f.clock().now());
        std::optional<DatabaseService> db;
        {
            // Permissions do not bind root: the file is opened as an ordinary user.
            const bool root = geteuid() == 0;
            QVERIFY(!root || (setegid(65534) == 0 && seteuid(65534) == 0));
            db.emplace(f.databasePath(), clock);
            QVERIFY(!root || (seteuid(0) == 0 && setegid(0) == 0));
        }
        StoreEnvironment env = f.environment();
        env.clock = &clock;
        env.database = &*db;
        TaskStore store(env);

        QCOMPARE(db->openOutcome(), DatabaseService::OpenOutcome::readOnly);
        QCOMPARE(store.tasks().size(), 1);
        QCOMPARE(store.tasks().first().title, QStringLiteral("A"));
        QVERIFY(chatTexts(store).last().contains(QStringLiteral("changes will not be saved")));
    }

    void unwritableFolderKeepsWorkingInMemory() {
        StoreFixture f;
        // A data "folder" that is a regular file cannot hold a database, even for root.
        QFile blocker(f.dataDir() + QStringLiteral("/blocked"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        ManualClock clock(f.clock().now());
        DatabaseService db(f.dataDir() + QStringLiteral("/blocked/vorn.sqlite"), clock);
        StoreEnvironment env = f.environment();
        env.clock = &clock;
        env.database = &db;
        TaskStore store(env);

        QCOMPARE(db.openOutcome(), DatabaseService::OpenOutcome::inMemoryOnly);
        QVERIFY(chatTexts(store).last().contains(QStringLiteral("Changes will not be saved")));
        QCOMPARE(store.tasks().size(), 1);
        store.persistWorkspace();
        QCOMPARE(db.loadTasks(newUuid()).size(), 1); // the in-memory database still works
    }
};

VORN_TEST_CLASS(StoreStartupTest)
#include "store_startup_test.moc"
