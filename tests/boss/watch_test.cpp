// The overdue and inactivity watch over a fake clock and the fake proxy.
#include "fixtures/boss_replies.h"
#include "fixtures/outline_fixture.h"
#include "fixtures/store_fixture.h"
#include "fixtures/test_main.h"
#include "store/background_job.h"

#include <QtTest>

using namespace vorn;
using vorn::test::StoreFixture;

namespace {

// A store whose only task, "Report", is open, `minutes` long, and started at the clock's now.
TaskStore& startWithTask(StoreFixture& f, qint64 minutes) {
    test::answerEverything(f.proxy(), QStringLiteral("Go."));
    TaskStore& store = f.start();
    store.outline().setScheduleStartTime(f.clock().now());
    test::setOpenTasks(store, {{"Report", minutes}});
    return store;
}

QStringList triggers(StoreFixture& f) {
    return test::requestedTriggers(f.proxy());
}

struct Checks {
    qint64 minutes;
    double threshold; // 0: the default
    bool surge;
    bool motivational;
    QList<double> checks; // minutes after the start
    QStringList triggers;
    bool lock;
};

void checkAt(StoreFixture& f, double minutesAfterStart, Instant start) {
    f.clock().set(start + minutesAfterStart * 60);
    QCoro::waitFor(f.store().watch().checkLateAndNotify());
}

} // namespace

class WatchTest : public QObject {
    Q_OBJECT

private slots:
    void shortTasksRepeatEveryFiveMinutes() {
        StoreFixture f;
        startWithTask(f, 2);
        f.store().settings().setLateThresholdMultiplier(1.0);
        const Instant start = f.clock().now();
        // A 2-minute task is 1.5 times over a minute after its threshold, so the
        // cooldown rule is asked directly.
        checkAt(f, 2.5, start);
        QCOMPARE(triggers(f).size(), 1);
        const TaskItem task = f.store().outline().tasks().first();
        f.clock().set(start + 2.5 * 60 + 4 * 60);
        QVERIFY(!f.store().watch().shouldSendInitialOverdueChat(task, 1.2));
        f.clock().set(start + 2.5 * 60 + 5 * 60);
        QVERIFY(f.store().watch().shouldSendInitialOverdueChat(task, 1.2));
    }

    void checksOfAnOverdueTask_data() {
        QTest::addColumn<Checks>("c");
        const QString missed = QStringLiteral("Missed deadline on: Report. Still not done.");
        const QString escalated = QStringLiteral("1.5× overdue on: Report. Still not done.");
        QTest::newRow("below the threshold") << Checks{60, 0, false, false, {65}, {}, false};
        QTest::newRow("past the threshold") << Checks{60, 0, false, false, {66}, {missed}, false};
        // No repeat within one task duration; after the escalation nothing more.
        QTest::newRow("cooldown, escalation, quiet")
            << Checks{60, 0, false, false, {66, 80, 90, 126, 300}, {missed, escalated}, true};
        QTest::newRow("high threshold skips to escalation")
            << Checks{10, 1.6, false, false, {15, 16}, {escalated}, true};
        QTest::newRow("surge silences, the lock still moves") << Checks{10, 0, true, false, {20}, {}, true};
        QTest::newRow("threshold ends the motivational phase")
            << Checks{10, 0, false, true, {11}, {missed}, false};
    }

    void checksOfAnOverdueTask() {
        QFETCH(Checks, c);
        StoreFixture f;
        TaskStore& store = startWithTask(f, c.minutes);
        const Instant start = f.clock().now();
        if (c.threshold > 0)
            store.settings().setLateThresholdMultiplier(c.threshold);
        if (c.surge) {
            BossAIState s = store.boss().bossAIState();
            s.surgeModeUntil = start + 3600;
            store.boss().setBossAIState(s);
        }
        if (c.motivational)
            store.boss().beginMotivationalSession();
        for (const double at : c.checks)
            checkAt(f, at, start);
        QCOMPARE(triggers(f), c.triggers);
        QCOMPARE(store.boss().bossAIState().demonLockActive, c.lock);
        // Every message raises urgency (by 20 with the draw at the bottom) from 45.
        QCOMPARE(store.boss().bossAIState().urgencyScore, 45.0 + 20.0 * c.triggers.size());
        QCOMPARE(store.outline().tasks().first().startedAt,
                 std::optional<Instant>(start)); // frozen on first sight
        QCOMPARE(f.database().loadOverdueStates(), store.watch().buildOverdueSnapshots());
        // Only the first scolding starts a task's cooldown.
        QCOMPARE(store.watch().lastOverdueNotificationAt().isEmpty(),
                 !c.triggers.value(0).startsWith(QStringLiteral("Missed")));
        if (c.motivational)
            QVERIFY(!store.boss().inMotivationalStartPhase());
    }

    void inactivityRaisesUrgencyAndSpeaks() {
        StoreFixture f;
        TaskStore& store = startWithTask(f, 600);
        f.random().push(0.0); // every draw at the bottom: +2 an hour, +12 once after four
        BossAIState s = store.boss().bossAIState();
        s.urgencyScore = 40;
        s.lastActivityAt = f.clock().now();
        store.boss().setBossAIState(s);

        f.clock().advance(5 * 3600 + 60);
        QCoro::waitFor(store.watch().runHourlyBossAICheck());
        QCOMPARE(store.boss().bossAIState().urgencyScore, 54.0);
        QVERIFY(store.boss().bossAIState().inactivityBlockPenaltyApplied);
        QCOMPARE(store.boss().bossAIState().lastInactivityCheckAt, f.clock().now());
        QCOMPARE(triggers(f).size(), 1);

        f.clock().advance(3600);
        QCoro::waitFor(store.watch().runHourlyBossAICheck());
        QCOMPARE(store.boss().bossAIState().urgencyScore, 56.0); // the long-stretch penalty only once
        QCOMPARE(triggers(f).size(), 2);

        // In the motivational phase the check changes nothing at all.
        store.boss().beginMotivationalSession();
        const BossAIState before = store.boss().bossAIState();
        f.clock().advance(5 * 3600);
        QCoro::waitFor(store.watch().runHourlyBossAICheck());
        QCOMPARE(store.boss().bossAIState(), before);
    }

    // The hourly rise starts at one idle hour, the penalty and the message at
    // four: each boundary on the second and one second short of it.
    void inactivityBoundaries_data() {
        QTest::addColumn<int>("idle");
        QTest::addColumn<double>("urgency");
        QTest::addColumn<QStringList>("messages");
        const QString four = QStringLiteral("Inactivity: 4h since last update. 1 tasks still pending.");
        QTest::newRow("59:59") << 3599 << 40.0 << QStringList{};
        QTest::newRow("1 h") << 3600 << 42.0 << QStringList{};
        QTest::newRow("3:59:59") << 4 * 3600 - 1 << 42.0 << QStringList{};
        QTest::newRow("4 h") << 4 * 3600 << 54.0 << QStringList{four};
    }
    void inactivityBoundaries() {
        QFETCH(int, idle);
        QFETCH(double, urgency);
        QFETCH(QStringList, messages);
        StoreFixture f;
        TaskStore& store = startWithTask(f, 600);
        f.random().push(0.0);
        BossAIState s = store.boss().bossAIState();
        s.urgencyScore = 40;
        s.lastActivityAt = f.clock().now();
        store.boss().setBossAIState(s);
        f.clock().advance(idle);
        QCoro::waitFor(store.watch().runHourlyBossAICheck());
        QCOMPARE(store.boss().bossAIState().urgencyScore, urgency);
        QCOMPARE(store.boss().bossAIState().inactivityBlockPenaltyApplied, !messages.isEmpty());
        QCOMPARE(triggers(f), messages);
    }

    void theWatchTimersRunTheChecks_data() {
        QTest::addColumn<bool>("hourly"); // which timer runs every 2 ms; the other waits an hour
        QTest::addColumn<qint64>("minutes");
        QTest::addColumn<int>("idle"); // seconds the clock moves on
        QTest::addColumn<QString>("trigger");
        QTest::newRow("minute check")
            << false << 60LL << 66 * 60 << QStringLiteral("Missed deadline on: Report. Still not done.");
        QTest::newRow("hourly check")
            << true << 600LL << 5 * 3600 + 60
            << QStringLiteral("Inactivity: 5h since last update. 1 tasks still pending.");
    }

    void theWatchTimersRunTheChecks() {
        QFETCH(bool, hourly);
        QFETCH(qint64, minutes);
        QFETCH(int, idle);
        QFETCH(QString, trigger);
        const std::chrono::milliseconds fast(2), slow(3'600'000);
        StoreFixture f;
        f.setWatchIntervals(hourly ? fast : slow, hourly ? slow : fast);
        TaskStore& store = startWithTask(f, minutes);
        store.watch().startBossAI();
        const auto* job = store.watch().backgroundJob();
        store.watch().startBossAI(); // already on: nothing
        QCOMPARE(store.watch().backgroundJob(), job);
        QTRY_VERIFY(!store.chat().isDeliveringBossMessage());

        f.clock().advance(idle); // only the fast timer can notice this
        QTRY_VERIFY(triggers(f).contains(trigger));
        QTRY_VERIFY(!store.chat().isDeliveringBossMessage());
        store.watch().stopBossAI();
        QVERIFY(!store.watch().backgroundJob());
        const qsizetype asked = triggers(f).size();
        f.clock().advance(30 * 60); // the watch would speak again, were it running
        QTest::qWait(10);
        QCOMPARE(triggers(f).size(), asked);
    }

    void aJobWhoseStoreIsGoneFiresIntoNothing() {
        BossAIBackgroundJob orphan(nullptr, std::chrono::milliseconds(1), std::chrono::milliseconds(1));
        orphan.start();
        QTest::qWait(5);
        QVERIFY(orphan.isRunning());
        orphan.stop();
    }

    void restartFromNow() {
        StoreFixture f;
        TaskStore& store = startWithTask(f, 30);
        checkAt(f, 34, f.clock().now());
        QCOMPARE(store.watch().lastOverdueNotificationAt().size(), 1);
        f.proxy().clearRequests();
        f.clock().advance(7200);
        store.outline().resetStartToNow();
        QCOMPARE(store.outline().scheduleStartTime(), f.clock().now());
        QCOMPARE(store.outline().tasks().first().finishTime, f.clock().now() + 1800);
        QVERIFY(store.boss().inMotivationalStartPhase());
        QVERIFY(store.watch().lastOverdueNotificationAt().isEmpty());
        QTRY_COMPARE(triggers(f), QStringList{"Timeline restarted. User is beginning again."});
        QCOMPARE(f.database().loadSession().scheduleStartTime, f.clock().now());
    }
};

VORN_TEST_CLASS(WatchTest)
#include "watch_test.moc"
