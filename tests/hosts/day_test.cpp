// A working day in fast-forward: three tasks, the watch running, the clock
// advanced; the boss scolds, escalates in Demon mode (blocking the distracting
// sites through the helper), and lifts the block once the day is back on track.
#include "fixtures/boss_replies.h"
#include "fixtures/store_fixture.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <sqlite3.h>

using namespace vorn;
using vorn::test::StoreFixture;

namespace {

const QByteArray kUserHosts = "127.0.0.1 localhost\n# my own line\n10.0.0.2 nas\n";

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes, QFileDevice::Permissions perms = {}) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    f.close();
    if (perms)
        f.setPermissions(perms);
}

QStringList loggedTriggers(const QString& dbPath) {
    QStringList out;
    sqlite3* db = nullptr;
    sqlite3_open_v2(dbPath.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "SELECT mode || ': ' || trigger_reason FROM message_log ORDER BY sent_at", -1,
                       &stmt, nullptr);
    while (stmt && sqlite3_step(stmt) == SQLITE_ROW)
        out.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return out;
}

} // namespace

class DayTest : public QObject {
    Q_OBJECT

private slots:
    void aDayInFastForward() {
        StoreFixture f(test::localTime(9, 0));
        const QString hosts = QStringLiteral(VORN_TEST_HOSTS);
        writeAll(hosts, kUserHosts);

        // The helper is installed: a copy in place, the sudoers rule present, and a
        // sudo that simply runs what it is given.
        HostsBlockerConfig config;
        config.hostsFile = hosts;
        config.helperPath = f.dataDir() + QStringLiteral("/libexec/vorn-hosts-helper");
        config.sudoersFile = f.dataDir() + QStringLiteral("/sudoers");
        config.sudo = f.dataDir() + QStringLiteral("/sudo");
        config.administratorProgram = QStringLiteral("/bin/false");
        config.bundledHelper = QStringLiteral(VORN_TEST_HELPER);
        config.userName = QStringLiteral("tester");
        writeAll(config.sudo, "#!/bin/sh\nshift\nexec \"$@\"\n",
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        writeAll(config.sudoersFile, "rule\n");
        QDir().mkpath(QFileInfo(config.helperPath).path());
        QVERIFY(QFile::copy(QStringLiteral(VORN_TEST_HELPER), config.helperPath));
        f.setHostsBlocker(config);

        test::answerEverything(f.proxy(), QStringLiteral("Work."));
        // Every draw at the top of its range: urgency moves by the most, the
        // random mode choice always lands on Normal.
        f.random().push(1.0);

        TaskStore& store = f.start();
        const QUuid root = *store.rootSectionID();
        QList<TaskItem> tasks;
        for (const auto& [title, minutes] :
             {std::pair{"Write report", 30}, {"Email team", 20}, {"Plan sprint", 45}}) {
            TaskItem t;
            t.id = newUuid();
            t.title = QString::fromLatin1(title);
            t.durationMinutes = minutes;
            t.sectionID = root;
            tasks.append(t);
        }
        store.setTasks(tasks);
        store.setRootOutlineOrder(store.computeOutlineOrderSnapshot());
        store.recalculateFinishTimes();
        store.startBossAI();
        QCOMPARE(store.statusMessage(), QStringLiteral("Vorn monitoring active."));
        QCOMPARE(store.bossAIState().urgencyScore, 45.0);

        const auto minuteTick = [&](int hour, int minute) {
            f.clock().set(test::localTime(hour, minute));
            QCoro::waitFor(store.checkLateAndNotify());
            QTRY_VERIFY(!store.isDeliveringBossMessage() && store.hostsBlocker().pendingRequests() == 0);
        };

        minuteTick(9, 20);
        minuteTick(9, 33); // 1.1 times the 30 minutes: the first scolding
        QCOMPARE(store.bossAIState().urgencyScore, 80.0);
        QCOMPARE(store.activeBossMode(), BossAIMode::normal);
        QCOMPARE(readAll(hosts), kUserHosts);

        minuteTick(9, 45); // 1.5 times: Demon escalation, sites blocked
        QCOMPARE(store.bossAIState().urgencyScore, 100.0);
        QVERIFY(store.bossAIState().demonLockActive);
        QCOMPARE(store.activeBossMode(), BossAIMode::demon);
        const QByteArray blocked = readAll(hosts);
        QVERIFY(blocked.startsWith(kUserHosts));
        QVERIFY(blocked.contains("# VORN_DEMON_BLOCK_START"));
        QVERIFY(blocked.contains("0.0.0.0 www.reddit.com\n:: www.reddit.com\n"));
        QVERIFY(blocked.endsWith("# VORN_DEMON_BLOCK_END\n"));

        // Done late, with the lock on: urgency drops by 20, no second scolding.
        f.clock().set(test::localTime(9, 50));
        store.toggleCompletion(store.tasks().at(0).id);
        QCOMPARE(store.statusMessage(), QStringLiteral("Task finished late. Urgency ↓ to 80."));
        QTest::qWait(20);
        QVERIFY(!store.bossAIState().demonLockActive);

        // The next one on time: its comment comes in Normal mode and lifts the block.
        f.clock().set(test::localTime(10, 5));
        store.toggleCompletion(store.tasks().at(1).id);
        QCOMPARE(store.statusMessage(), QStringLiteral("Task done on time. 1 on-time streak."));
        QTRY_VERIFY(!store.isDeliveringBossMessage() && store.hostsBlocker().pendingRequests() == 0);
        QTRY_COMPARE(readAll(hosts), kUserHosts);
        QCOMPARE(store.bossAIState().urgencyScore, 65.0);

        // An idle afternoon: after five hours the hourly check speaks up, in Demon
        // mode, since the last task has long run past its time.
        f.clock().set(test::localTime(15, 10));
        QCoro::waitFor(store.runHourlyBossAICheck());
        QTRY_VERIFY(!store.isDeliveringBossMessage());
        QCOMPARE(store.bossAIState().urgencyScore,
                 89.0); // +4 for the idle hours, +20 once for the long stretch

        QCOMPARE(
            loggedTriggers(f.databasePath()),
            (QStringList{QStringLiteral("Normal: Missed deadline on: Write report. Still not done."),
                         QStringLiteral("Demon: 1.5× overdue on: Write report. Still not done."),
                         QStringLiteral("Normal: Task completed on time: Email team. 1 still pending."),
                         QStringLiteral("Demon: Inactivity: 5h since last update. 1 tasks still pending.")}));
        // The last task is hours over its time by then: the lock is on and the sites blocked again.
        QVERIFY(store.bossAIState().demonLockActive);
        QTRY_VERIFY(store.hostsBlocker().pendingRequests() == 0);
        QVERIFY(readAll(hosts).contains("# VORN_DEMON_BLOCK_START"));
        qsizetype bossLines = 0;
        for (const ChatMessage& m : store.chatMessages())
            bossLines += m.role == ChatMessage::Role::boss ? 1 : 0;
        QCOMPARE(bossLines, 4);
        QCOMPARE(store.gamification(), (GamificationState{1, 1, 3}));

        store.stopBossAI();
        QVERIFY(!store.isBossAIActive());
    }
};

QTEST_GUILESS_MAIN(DayTest)
#include "day_test.moc"
