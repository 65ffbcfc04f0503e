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
    store.setScheduleStartTime(f.clock().now());
    test::setOpenTasks(store, {{QStringLiteral("Report"), minutes}});
    return store;
}

QStringList triggers(StoreFixture& f) {
    return test::requestedTriggers(f.proxy());
}

void checkAt(StoreFixture& f, double minutesAfterStart, Instant start) {
    f.clock().set(start + minutesAfterStart * 60);
    QCoro::waitFor(f.store().checkLateAndNotify());
}

} // namespace

class WatchTest : public QObject {
    Q_OBJECT

private slots:
    void overdueThenEscalationThenQuiet() {
        StoreFixture f;
        TaskStore& store = startWithTask(f, 60);
        const Instant start = f.clock().now();

        checkAt(f, 65, start);
        QVERIFY(triggers(f).isEmpty());
        QVERIFY(store.tasks().first().startedAt); // frozen on first sight
        QCOMPARE(*store.tasks().first().startedAt, start);

        const double urgency = store.bossAIState().urgencyScore;
        checkAt(f, 66, start);
        QCOMPARE(triggers(f), QStringList{QStringLiteral("Missed deadline on: Report. Still not done.")});
        QVERIFY(store.bossAIState().urgencyScore >= urgency + 20);
        QCOMPARE(f.database().loadOverdueStates().first().lastNotificationAt, start + 66 * 60);

        checkAt(f, 80, start); // cooldown of one task duration not over
        QCOMPARE(triggers(f).size(), 1);

        checkAt(f, 90, start);
        QCOMPARE(triggers(f).size(), 2);
        QCOMPARE(triggers(f).last(), QStringLiteral("1.5× overdue on: Report. Still not done."));
        QCOMPARE(store.chatMessages().last().mode, BossAIMode::demon);
        QVERIFY(store.bossAIState().demonLockActive);

        checkAt(f, 126, start);
        checkAt(f, 300, start);
        QCOMPARE(triggers(f).size(), 2);
    }

    void shortTasksRepeatEveryFiveMinutes() {
        StoreFixture f;
        startWithTask(f, 2);
        f.store().setLateThresholdMultiplier(1.0);
        const Instant start = f.clock().now();
        // Ratio stays below 1.5 only up to 3 minutes for a 2-minute task; use
        // shouldSendInitialOverdueChat directly for the cooldown rule.
        checkAt(f, 2.5, start);
        QCOMPARE(triggers(f).size(), 1);
        const TaskItem task = f.store().tasks().first();
        f.clock().set(start + 2.5 * 60 + 4 * 60);
        QVERIFY(!f.store().shouldSendInitialOverdueChat(task, 1.2));
        f.clock().set(start + 2.5 * 60 + 5 * 60);
        QVERIFY(f.store().shouldSendInitialOverdueChat(task, 1.2));
    }

    void firstChecksOfAnOverdueTask_data() {
        QTest::addColumn<qint64>("minutes");
        QTest::addColumn<double>("threshold"); // 0: the default
        QTest::addColumn<bool>("surge");
        QTest::addColumn<bool>("motivational");
        QTest::addColumn<QList<double>>("checks"); // minutes after the start
        QTest::addColumn<QStringList>("triggers");
        QTest::addColumn<bool>("lock");
        const QString missed = QStringLiteral("Missed deadline on: Report. Still not done.");
        const QString escalated = QStringLiteral("1.5× overdue on: Report. Still not done.");
        QTest::newRow("below the threshold")
            << 60LL << 0.0 << false << false << QList<double>{65} << QStringList{} << false;
        QTest::newRow("past the threshold")
            << 60LL << 0.0 << false << false << QList<double>{66} << QStringList{missed} << false;
        QTest::newRow("high threshold skips to escalation")
            << 10LL << 1.6 << false << false << QList<double>{15, 16} << QStringList{escalated} << true;
        QTest::newRow("surge silences, the lock still moves")
            << 10LL << 0.0 << true << false << QList<double>{20} << QStringList{} << true;
        QTest::newRow("threshold ends the motivational phase")
            << 10LL << 0.0 << false << true << QList<double>{11} << QStringList{missed} << false;
    }

    void firstChecksOfAnOverdueTask() {
        QFETCH(qint64, minutes);
        QFETCH(double, threshold);
        QFETCH(bool, surge);
        QFETCH(bool, motivational);
        QFETCH(QList<double>, checks);
        QFETCH(QStringList, triggers);
        QFETCH(bool, lock);
        const QString missed = QStringLiteral("Missed deadline on: Report. Still not done.");
        StoreFixture f;
        TaskStore& store = startWithTask(f, minutes);
        const Instant start = f.clock().now();
        if (threshold > 0)
            store.setLateThresholdMultiplier(threshold);
        if (surge) {
            BossAIState s = store.bossAIState();
            s.surgeModeUntil = start + 3600;
            store.setBossAIState(s);
        }
        if (motivational)
            store.beginMotivationalSession();
        for (const double at : checks)
            checkAt(f, at, start);
        QCOMPARE(::triggers(f), triggers);
        QCOMPARE(store.bossAIState().demonLockActive, lock);
        // Only the first scolding starts a task's cooldown.
        QCOMPARE(store.lastOverdueNotificationAt().isEmpty(), !triggers.contains(missed));
        if (motivational)
            QVERIFY(!store.inMotivationalStartPhase());
    }

    void inactivityRaisesUrgencyAndSpeaks() {
        StoreFixture f;
        TaskStore& store = startWithTask(f, 600);
        f.random().push(0.0); // +2
        f.random().push(0.0); // +12
        f.random().push(0.0); // +2 an hour later
        BossAIState s = store.bossAIState();
        s.urgencyScore = 40;
        s.lastActivityAt = f.clock().now();
        store.setBossAIState(s);

        f.clock().advance(5 * 3600 + 60);
        QCoro::waitFor(store.runHourlyBossAICheck());
        QCOMPARE(store.bossAIState().urgencyScore, 54.0);
        QVERIFY(store.bossAIState().inactivityBlockPenaltyApplied);
        QCOMPARE(store.bossAIState().lastInactivityCheckAt, f.clock().now());
        QCOMPARE(triggers(f),
                 QStringList{QStringLiteral("Inactivity: 5h since last update. 1 tasks still pending.")});

        f.clock().advance(3600);
        QCoro::waitFor(store.runHourlyBossAICheck());
        QCOMPARE(store.bossAIState().urgencyScore, 56.0);
        QCOMPARE(triggers(f).last(),
                 QStringLiteral("Inactivity: 6h since last update. 1 tasks still pending."));

        // In the motivational phase the check changes nothing at all.
        store.beginMotivationalSession();
        const BossAIState before = store.bossAIState();
        f.clock().advance(5 * 3600);
        QCoro::waitFor(store.runHourlyBossAICheck());
        QCOMPARE(store.bossAIState(), before);
    }

    void theWatchTimersRunTheMinuteAndHourlyChecks() {
        using std::chrono::hours;
        using std::chrono::milliseconds;
        {
            StoreFixture f;
            f.setWatchIntervals(hours(1), milliseconds(2));
            TaskStore& store = startWithTask(f, 60);
            store.startBossAI();
            QVERIFY(store.isBossAIActive());
            QCOMPARE(store.statusMessage(), QStringLiteral("Vorn monitoring active."));
            const auto* job = store.backgroundJob();
            store.startBossAI(); // already on: nothing
            QCOMPARE(store.backgroundJob(), job);

            f.clock().advance(66 * 60); // only the minute timer can notice this
            QTRY_VERIFY(triggers(f).contains(QStringLiteral("Missed deadline on: Report. Still not done.")));
            QTRY_VERIFY(!store.isDeliveringBossMessage());

            store.stopBossAI();
            QVERIFY(!store.isBossAIActive());
            QVERIFY(!store.backgroundJob());
            const qsizetype asked = triggers(f).size();
            f.clock().advance(30 * 60); // 1.6 times over: the watch would escalate, were it running
            QTest::qWait(10);
            QCOMPARE(triggers(f).size(), asked);
        }
        {
            StoreFixture f;
            f.setWatchIntervals(milliseconds(2), hours(1));
            TaskStore& store = startWithTask(f, 600);
            store.startBossAI();
            QTRY_VERIFY(!store.isDeliveringBossMessage());
            f.clock().advance(5 * 3600 + 60); // only the hourly timer can notice this
            QTRY_VERIFY(triggers(f).contains(
                QStringLiteral("Inactivity: 5h since last update. 1 tasks still pending.")));
            store.stopBossAI();
        }

        // A job whose store is gone fires into nothing.
        BossAIBackgroundJob orphan(nullptr, milliseconds(1), milliseconds(1));
        orphan.start();
        QTest::qWait(5);
        QVERIFY(orphan.isRunning());
        orphan.stop();
    }

    void clearingBookkeeping() {
        StoreFixture f;
        TaskStore& store = startWithTask(f, 10);
        const Instant start = f.clock().now();
        checkAt(f, 12, start);
        QCOMPARE(store.lastOverdueNotificationAt().size(), 1);
        store.clearOverdueNotificationCooldowns(5); // beyond the end: nothing
        QCOMPARE(store.lastOverdueNotificationAt().size(), 1);
        store.clearOverdueNotificationCooldowns(0);
        QVERIFY(store.lastOverdueNotificationAt().isEmpty());
    }

    void restartFromNow() {
        StoreFixture f;
        TaskStore& store = startWithTask(f, 30);
        f.clock().advance(7200);
        store.resetStartToNow();
        QCOMPARE(store.scheduleStartTime(), f.clock().now());
        QCOMPARE(store.tasks().first().finishTime, f.clock().now() + 1800);
        QVERIFY(store.inMotivationalStartPhase());
        QCOMPARE(store.statusMessage(), QStringLiteral("Timeline restarted from now."));
        QVERIFY(
            std::any_of(store.chatMessages().cbegin(), store.chatMessages().cend(), [](const ChatMessage& m) {
                return m.content == QStringLiteral("Timeline reset. Motivational mode — fresh start.");
            }));
        QTRY_COMPARE(triggers(f),
                     QStringList{QStringLiteral("Timeline restarted. User is beginning again.")});
        QCOMPARE(f.database().loadSession().scheduleStartTime, f.clock().now());
    }
};

VORN_TEST_CLASS(WatchTest)
#include "watch_test.moc"
