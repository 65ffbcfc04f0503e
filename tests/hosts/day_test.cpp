// Working days in fast-forward, through the store against the fake proxy. In
// the first, three tasks, the watch running, the clock advanced; the boss
// scolds, escalates in Demon mode (blocking the distracting sites through the
// helper), and lifts the block once the day is back on track. The second starts
// from a pasted list.
#include "fixtures/blocker_fakes.h"
#include "fixtures/boss_replies.h"
#include "fixtures/outline_fixture.h"
#include "fixtures/store_fixture.h"
#include "fixtures/test_main.h"

#include <QtTest>

using namespace vorn;
using vorn::test::StoreFixture;

namespace {

const QByteArray kUserHosts = "127.0.0.1 localhost\n# my own line\n10.0.0.2 nas\n";

using test::readFile;

} // namespace

class DayTest : public QObject {
    Q_OBJECT

private slots:
    void aDayInFastForward() {
        StoreFixture f(test::localTime(9, 0));
        const QString hosts = QStringLiteral(VORN_TEST_HOSTS);
        // The helper is installed, and the stand-in sudo runs what it is given.
        test::BlockerFakes fakes(hosts, QStringLiteral(VORN_TEST_HELPER), kUserHosts);
        fakes.install();
        f.setHostsBlocker(fakes.config);

        test::answerEverything(f.proxy(), QStringLiteral("Work."));
        // Every draw at the top of its range: urgency moves by the most, the
        // random mode choice always lands on Normal.
        f.random().push(1.0);

        TaskStore& store = f.start();
        test::setOpenTasks(store, {{QStringLiteral("Write report"), 30},
                                   {QStringLiteral("Email team"), 20},
                                   {QStringLiteral("Plan sprint"), 45}});
        store.watch().startBossAI();

        const auto minuteTick = [&](int hour, int minute) {
            f.clock().set(test::localTime(hour, minute));
            QCoro::waitFor(store.watch().checkLateAndNotify());
            QTRY_VERIFY(!store.chat().isDeliveringBossMessage() && store.blocking().pendingRequests() == 0);
        };

        minuteTick(9, 20);
        minuteTick(9, 33); // 1.1 times the 30 minutes: the first scolding
        QCOMPARE(store.boss().bossAIState().urgencyScore, 80.0);
        QCOMPARE(readFile(hosts), kUserHosts);

        minuteTick(9, 45); // 1.5 times: Demon escalation, sites blocked
        QCOMPARE(store.boss().bossAIState().urgencyScore, 100.0);
        QVERIFY(store.boss().bossAIState().demonLockActive);
        QVERIFY(readFile(hosts).startsWith(kUserHosts + kHostsBlockMarker));
        QVERIFY(readFile(hosts).contains("\n0.0.0.0 www.reddit.com\n:: www.reddit.com\n"));

        // Done late, with the lock on: urgency drops by 20, no second scolding.
        f.clock().set(test::localTime(9, 50));
        store.toggleCompletion(store.outline().tasks().at(0).id);
        QCOMPARE(store.statusMessage(), QStringLiteral("Task finished late. Urgency ↓ to 80."));
        QTest::qWait(20);
        QVERIFY(!store.boss().bossAIState().demonLockActive);

        // The next one on time: its comment comes in Normal mode and lifts the block.
        f.clock().set(test::localTime(10, 5));
        store.toggleCompletion(store.outline().tasks().at(1).id);
        QCOMPARE(store.statusMessage(), QStringLiteral("Task done on time. 1 on-time streak."));
        QTRY_VERIFY(!store.chat().isDeliveringBossMessage() && store.blocking().pendingRequests() == 0);
        QTRY_COMPARE(readFile(hosts), kUserHosts);
        QCOMPARE(store.boss().bossAIState().urgencyScore, 65.0);

        // An idle afternoon: after five hours the hourly check speaks up, in Demon
        // mode, since the last task has long run past its time.
        f.clock().set(test::localTime(15, 10));
        QCoro::waitFor(store.watch().runHourlyBossAICheck());
        QTRY_VERIFY(!store.chat().isDeliveringBossMessage());
        QCOMPARE(store.boss().bossAIState().urgencyScore,
                 89.0); // +4 for the idle hours, +20 once for the long stretch

        QStringList logged; // the message log as "mode: trigger", oldest first
        for (const QStringList& row : test::messageLog(f.databasePath()))
            logged.append(row.at(0) + QStringLiteral(": ") + row.at(2));
        QCOMPARE(
            logged,
            (QStringList{QStringLiteral("Normal: Missed deadline on: Write report. Still not done."),
                         QStringLiteral("Demon: 1.5× overdue on: Write report. Still not done."),
                         QStringLiteral("Normal: Task completed on time: Email team. 1 still pending."),
                         QStringLiteral("Demon: Inactivity: 5h since last update. 1 tasks still pending.")}));
        // The last task is hours over its time by then: the lock is on and the sites blocked again.
        QVERIFY(store.boss().bossAIState().demonLockActive);
        QTRY_VERIFY(store.blocking().pendingRequests() == 0);
        QVERIFY(readFile(hosts).contains(kHostsBlockMarker));

        // The hosts file loses the block behind Vorn's back: the next look at
        // the helper (the settings window's) notices and blocks again.
        test::writeFile(hosts, kUserHosts);
        QVERIFY(store.blocking().probeHelper());
        QTRY_VERIFY(store.blocking().pendingRequests() == 0);
        QVERIFY(readFile(hosts).contains(kHostsBlockMarker));
        qsizetype bossLines = 0;
        for (const ChatMessage& m : store.chat().chatMessages())
            bossLines += m.role == ChatMessage::Role::boss ? 1 : 0;
        QCOMPARE(bossLines, 4);
        QCOMPARE(store.boss().gamification(), (GamificationState{1, 1, 2})); // the two completions of the day

        store.watch().stopBossAI();
    }

    // From a pasted list: the import's motivating start, a completion ending
    // that phase, and a surge inside a folder forced through the random
    // source. Lateness and the lock are the first day's.
    void aPastedDay() {
        StoreFixture f(test::localTime(9, 0));
        test::answerEverything(f.proxy(), QStringLiteral("Onward."));
        f.random().push(0.5); // every draw mid-range unless said otherwise
        TaskStore& store = f.start();
        const auto settle = [&] {
            QCoreApplication::processEvents(); // comments are started once a completion is applied
            QTRY_VERIFY(!store.chat().isDeliveringBossMessage() && !store.chat().isChatLoading());
        };
        const auto complete = [&](const char* title) {
            store.toggleCompletion(test::taskTitled(store, QString::fromLatin1(title)).id);
            settle();
        };

        store.replaceFromPaste(
            QStringLiteral("Thursday\n1. Inbox\n2. Deep work\n\t1. Draft\n\t2. Review\n3. Wrap up"));
        store.watch().startBossAI();
        settle();
        QCOMPARE(store.chat().chatMessages().last().mode, BossAIMode::messianic);

        f.clock().set(test::localTime(9, 25));
        complete("Inbox");
        QVERIFY(!store.boss().inMotivationalStartPhase());
        f.clock().set(test::localTime(9, 50));
        f.random().push(0.5);  // the completion's urgency change
        f.random().push(0.01); // a surge: the watch runs and the draw is under 3 %
        complete("Draft");
        QVERIFY(store.boss().isSurgeActive());
        // Halved in its folder; another list keeps its time.
        QCOMPARE(test::taskTitled(store, QStringLiteral("Review")).durationMinutes, 15);
        QCOMPARE(test::taskTitled(store, QStringLiteral("Wrap up")).durationMinutes, 30);

        const QStringList triggers = test::requestedTriggers(f.proxy());
        QCOMPARE(triggers.mid(0, 2),
                 (QStringList{QStringLiteral("New task list imported: 4 tasks. User has not started yet — "
                                             "motivate them."),
                              QStringLiteral("Task completed on time: Inbox. 3 still pending.")}));
        QVERIFY(triggers.contains(QStringLiteral("Surge mode activated in Deep work. All remaining tasks in "
                                                 "this list halved — user must move faster.")));
        store.watch().stopBossAI();
    }
};

VORN_TEST_CLASS(DayTest)
#include "day_test.moc"
