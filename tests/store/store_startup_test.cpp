// Start-up of the store: fresh data folders, restarts, and the repairs that
// make damaged or older stored workspaces usable.
#include "fixtures/blocker_fakes.h"
#include "fixtures/outline_fixture.h"
#include "fixtures/store_fixture.h"
#include "fixtures/test_main.h"

#include "model/outline_edit.h"
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
    for (const ChatMessage& m : store.chat().chatMessages())
        out.append(m.content);
    return out;
}

} // namespace

class StoreStartupTest : public QObject {
    Q_OBJECT

private slots:
    // A fresh folder, then restarts on the same day and on the next.
    void freshStartThenRestarts() {
        StoreFixture f(test::localTime(23, 30));
        TaskStore& store = f.start();
        QCOMPARE(test::rowTexts(store), QStringList{"Create to do list@0"});
        QCOMPARE(store.outline().sectionTitle(*store.outline().rootSectionID()), QStringLiteral("To do"));
        QCOMPARE(store.outline().tasks().first().finishTime, store.outline().scheduleStartTime() + 600);
        // A first start greets nobody back and says what to do.
        const QStringList firstStart{"Vorn online. Import tasks to get started.", firstStartKeysText()};
        QCOMPARE(chatTexts(store), firstStart);
        QCOMPARE(store.boss().gamification().totalCompletions, 0);
        // Urgency 45 with the placeholder open: a 37.5 % Demon chance.
        QCOMPARE(store.boss().modeProbabilities(), (ModeProbabilities{0, 37.5, 62.5}));
        QVERIFY(!store.editor().canUndo());
        // The repairs are not written back by the load itself.
        QCOMPARE(f.database().loadTasks(newUuid()).size(), 0);

        test::setOpenTasks(store, {{"Write 'the' report", 30}, {"B", 0}, {"C", 45}});
        const QList<TaskItem> saved = store.outline().tasks();

        f.clock().set(test::localTime(23, 59, 59));
        TaskStore& second = f.restart();
        QCOMPARE(second.outline().tasks(), saved);
        QCOMPARE(chatTexts(second), firstStart + QStringList{"Welcome back — 3 tasks loaded."});
        test::setOpenTasks(second, {{"Only one", 30}});
        QCOMPARE(chatTexts(f.restart()).last(), QStringLiteral("Welcome back — 1 task loaded."));
        test::setOpenTasks(f.store(), {{"Write 'the' report", 30}, {"B", 0}, {"C", 45}});

        f.clock().advance(2); // past local midnight
        TaskStore& nextDay = f.restart();
        QCOMPARE(chatTexts(nextDay), QStringList{"Welcome back — 3 tasks loaded."});
        QCOMPARE(f.database().loadChatMessages().size(), 1);
        QCOMPARE(f.preferences().text(QStringLiteral("last_chat_day")), QStringLiteral("2026-03-03"));
    }

    void severalRootsBecomeFoldersOfOneRoot() {
        StoreFixture f;
        DatabaseService& db = f.openDatabase();
        const TaskSection work = section("Work", std::nullopt, 0), home = section("Home", std::nullopt, 1);
        const TaskSection deep = section("Deep", work.id, 0);
        db.saveSections({work, home, deep});
        db.saveTasks({task("w", work.id), task("h", home.id), task("d", deep.id)});

        TaskStore& store = f.start();
        QCOMPARE(store.outline().sectionTitle(*store.outline().rootSectionID()), QStringLiteral("To do"));
        // The folder below a former root stays where it was.
        QCOMPARE(test::rowTexts(store), (QStringList{"Work@0", "w@1", "Deep@1", "d@2", "Home@0", "h@1"}));
        QCOMPARE(test::outlineProblems(store), QString());
    }

    // Tasks without a valid section go to the first folder; an unreadable root
    // order is rebuilt from what there is.
    void strayTasksAndABadRootOrderAreRepaired() {
        StoreFixture f;
        DatabaseService& db = f.openDatabase();
        const TaskSection root = section("To do"), work = section("Work", root.id, 0);
        const TaskItem a = task("A", root.id);
        db.saveSections({root, work});
        db.saveTasks({a});
        db.exec(QStringLiteral("INSERT INTO tasks (id, sort_order, title, duration_minutes, is_completed, "
                               "section_id) VALUES ('%1', 1, 'orphan', 5, 0, NULL), "
                               "('%2', 2, 'lost', 5, 0, 'not-a-uuid'), ('%3', 3, 'section gone', 5, 0, '%4')")
                    .arg(uuidText(newUuid()), uuidText(newUuid()), uuidText(newUuid()), uuidText(newUuid())));
        db.exec(QStringLiteral("UPDATE session_state SET outline_order = '{not json' WHERE id = 1"));

        TaskStore& store = f.start();
        QCOMPARE(store.outline().rootOutlineOrder(),
                 (QList<OutlineEntry>{OutlineEntry::task(a.id), OutlineEntry::section(work.id)}));
        QCOMPARE(test::rowTexts(store),
                 (QStringList{"A@0", "Work@0", "orphan@1", "lost@1", "section gone@1"}));
    }

    // A root order that names none of the stored entries (an import killed
    // between its session row and its tables, by an older build) or misses
    // some is completed from the stored sections and tasks: no task is hidden.
    void rootOrderMissingStoredEntriesIsCompleted_data() {
        QTest::addColumn<int>("kept"); // how many of the stored entries the order names
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("names none") << 0 << QStringList{"A@0", "B@0", "Folder@0", "C@1"};
        QTest::newRow("misses some") << 1 << QStringList{"B@0", "A@0", "Folder@0", "C@1"};
        QTest::newRow("names all") << 3 << QStringList{"B@0", "Folder@0", "C@1", "A@0"};
    }
    void rootOrderMissingStoredEntriesIsCompleted() {
        QFETCH(int, kept);
        QFETCH(QStringList, rows);
        StoreFixture f;
        DatabaseService& db = f.openDatabase();
        const TaskSection root = section("To do"), folder = section("Folder", root.id, 0);
        const TaskItem a = task("A", root.id), b = task("B", root.id), c = task("C", folder.id);
        db.saveSections({root, folder});
        db.saveTasks({a, b, c});
        QList<OutlineEntry> order{OutlineEntry::task(newUuid()), OutlineEntry::section(newUuid())};
        const QList<OutlineEntry> stored{OutlineEntry::task(b.id), OutlineEntry::section(folder.id),
                                         OutlineEntry::task(a.id)};
        order += stored.mid(0, kept);
        db.saveSession({1.78e9, QStringLiteral("New list"), false, order});

        TaskStore& store = f.start();
        QCOMPARE(test::rowTexts(store), rows);
        QCOMPARE(test::outlineProblems(store), QString());
        QCOMPARE(chatTexts(store).last(), QStringLiteral("Welcome back — 3 tasks loaded."));
    }

    void damagedSectionTreeStillStarts() {
        // Two sections that are each other's parent, one that names itself, and a
        // group headed by a task that stands inside it: nothing may hang, the
        // tasks stay stored, and the load hangs each cycle from the root.
        StoreFixture f;
        DatabaseService& db = f.openDatabase();
        const TaskSection root = section("To do");
        TaskSection a = section("A"), b = section("B", a.id), self = section("Self");
        a.parentID = b.id;
        self.parentID = self.id;
        const TaskItem inLoop = task("in loop", a.id), mine = task("mine", self.id);
        TaskItem head = task("head", root.id);
        TaskSection group = section("group", root.id);
        group.headerTaskID = head.id;
        head.sectionID = group.id;
        db.saveSections({root, a, b, self, group});
        db.saveTasks({inLoop, mine, head});

        TaskStore& store = f.start();
        QCOMPARE(store.outline().tasks().size(), 3);
        const auto parentOf = [&](const TaskSection& s) {
            return store.outline()
                .sections()
                .at(outline::sectionIndex(store.outline().sections(), s.id))
                .parentID;
        };
        QCOMPARE(parentOf(a), std::optional(root.id));
        QCOMPARE(parentOf(b), std::optional(a.id));
        QCOMPARE(parentOf(self), std::optional(root.id));
        // The self-headed group shows nothing; every other task has its row.
        QCOMPARE(test::rowTexts(store), (QStringList{"A@0", "in loop@1", "B@1", "Self@0", "mine@1"}));
        store.persistWorkspace();
        QCOMPARE(f.restart().outline().tasks().size(), 3);
    }

    void unreadableDatabaseIsKeptAsideAndReported() {
        StoreFixture f;
        test::writeFile(f.databasePath(), QByteArray(8192, '\x5a'));
        TaskStore& store = f.start();
        QCOMPARE(store.outline().tasks().size(), 1);
        QCOMPARE(f.database().openOutcome(), DatabaseService::OpenOutcome::replacedCorruptFile);
        QVERIFY(chatTexts(store).last().contains(f.database().corruptFileKeptAt()));
    }

    void databaseHeldByAnotherProgramIsLoadedOnceFree() {
        StoreFixture f;
        test::setOpenTasks(f.start(), {{"A", 30}, {"B", 30}, {"C", 30}});
        const QList<TaskItem> stored = f.store().outline().tasks();
        f.stop();
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
        QCOMPARE(store.outline().tasks().size(), 1); // the placeholder, in memory only
        store.persistWorkspace();
        QTest::qWait(20); // a few retries against the held file
        QCOMPARE(store.outline().tasks().size(), 1);

        other.reset();
        QTRY_COMPARE(store.outline().tasks(), stored);
        QCOMPARE(db.openOutcome(), DatabaseService::OpenOutcome::opened);
        QVERIFY(!store.editor().canUndo());
        QCOMPARE(chatTexts(store).last(), QStringLiteral("Welcome back — 3 tasks loaded."));
        store.persistWorkspace();
        QCOMPARE(db.loadTasks(newUuid()), stored);
    }

    void readOnlyDatabaseShowsTheListAndSaysSo() {
        StoreFixture f;
        test::setOpenTasks(f.start(), {{"A", 30}});
        f.stop();
        QVERIFY(QFile::setPermissions(f.databasePath(), QFileDevice::ReadOwner | QFileDevice::ReadOther));
        QVERIFY(QFile::setPermissions(f.dataDir(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                       QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                       QFileDevice::WriteOther | QFileDevice::ExeOther));
        std::optional<DatabaseService> db;
        {
            // Permissions do not bind root: the file is opened as an ordinary user.
            const bool root = geteuid() == 0;
            QVERIFY(!root || (setegid(65534) == 0 && seteuid(65534) == 0));
            db.emplace(f.databasePath(), f.clock());
            QVERIFY(!root || (seteuid(0) == 0 && setegid(0) == 0));
        }
        StoreEnvironment env = f.environment();
        env.database = &*db;
        TaskStore store(env);

        QCOMPARE(db->openOutcome(), DatabaseService::OpenOutcome::readOnly);
        QCOMPARE(store.outline().tasks().first().title, QStringLiteral("A"));
        QVERIFY(chatTexts(store).last().contains(QStringLiteral("changes will not be saved")));
    }

    void unwritableFolderKeepsWorkingInMemory() {
        StoreFixture f;
        // A data "folder" that is a regular file cannot hold a database, even for root.
        test::writeFile(f.dataDir() + QStringLiteral("/blocked"), {});
        DatabaseService db(f.dataDir() + QStringLiteral("/blocked/vorn.sqlite"), f.clock());
        StoreEnvironment env = f.environment();
        env.database = &db;
        TaskStore store(env);

        QCOMPARE(db.openOutcome(), DatabaseService::OpenOutcome::inMemoryOnly);
        QVERIFY(chatTexts(store).last().contains(QStringLiteral("Changes will not be saved")));
        QCOMPARE(store.outline().tasks().size(), 1);
    }
};

VORN_TEST_CLASS(StoreStartupTest)
#include "store_startup_test.moc"
