// Urgency, mode probabilities, mode choice, the Demon lock and the mood banner.
#include "fixtures/store_fixture.h"
#include "fixtures/test_main.h"
#include "model/mode_arithmetic.h"
#include "platform/random_source.h"

#include <QtTest>

using namespace vorn;
using vorn::test::StoreFixture;

namespace {

// Gives the store one open task of `minutes` that started `startedAgo` seconds ago.
void oneOpenTask(StoreFixture& f, qint64 minutes, double startedAgo) {
    TaskStore& store = f.store();
    QList<TaskItem> tasks = store.tasks();
    tasks.first().durationMinutes = minutes;
    store.setTasks(tasks);
    store.setScheduleStartTime(f.clock().now() - startedAgo);
    store.recalculateFinishTimes();
}

void setUrgency(TaskStore& store, double urgency, bool lock = false) {
    BossAIState s = store.bossAIState();
    s.urgencyScore = urgency;
    s.demonLockActive = lock;
    store.setBossAIState(s);
}

void recordCompletions(StoreFixture& f, int count) {
    for (int i = 0; i < count; ++i)
        f.database().recordCompletion(
            {newUuid(), QStringLiteral("done %1").arg(i), f.clock().now() - 60.0 * i, true});
}

} // namespace

class BossStateTest : public QObject {
    Q_OBJECT

private slots:
    void probabilitiesFollowUrgencyCompletionsAndLock_data() {
        QTest::addColumn<double>("urgency");
        QTest::addColumn<int>("completions");
        QTest::addColumn<bool>("lock");
        QTest::addColumn<double>("messianic");
        QTest::addColumn<double>("demon"); // < 0: not checked
        QTest::newRow("calm") << 0.0 << 0 << false << 0.0 << 1.0;
        QTest::newRow("top") << 100.0 << 0 << false << 0.0 << 100.0 / 120.0 * 100.0;
        QTest::newRow("two done, under 35") << 34.99 << 2 << false << 100.0 << 0.0;
        QTest::newRow("two done at 35") << 35.0 << 2 << false << 0.0 << -1.0;
        QTest::newRow("one done") << 20.0 << 1 << false << 0.0 << -1.0;
        QTest::newRow("lock") << 10.0 << 5 << true << 0.0 << 100.0;
    }

    void probabilitiesFollowUrgencyCompletionsAndLock() {
        QFETCH(double, urgency);
        QFETCH(int, completions);
        QFETCH(bool, lock);
        QFETCH(double, messianic);
        QFETCH(double, demon);
        const ModeProbabilities p = boss::modeProbabilities(urgency, completions, lock);
        QCOMPARE(p.messianic, messianic);
        if (demon >= 0)
            QCOMPARE(p.demon, demon);
        QCOMPARE(p.messianic + p.demon + p.normal, 100.0);
    }

    void modeChoiceOrder_data() {
        QTest::addColumn<bool>("hasTasks");
        QTest::addColumn<bool>("forced"); // surge and lock
        QTest::addColumn<double>("urgency");
        QTest::addColumn<int>("completions");
        QTest::addColumn<double>("draw"); // < 0: no draw may be taken
        QTest::addColumn<BossAIMode>("mode");
        QTest::newRow("no tasks beats everything")
            << false << true << 0.0 << 0 << -1.0 << BossAIMode::messianic;
        QTest::newRow("surge and lock") << true << true << 0.0 << 0 << -1.0 << BossAIMode::demon;
        QTest::newRow("calm and productive") << true << false << 34.99 << 2 << -1.0 << BossAIMode::messianic;
        // Otherwise a draw over [0, 100] against the Demon chance (at 35: 29.16…%).
        QTest::newRow("draw under the chance") << true << false << 35.0 << 2 << 0.29 << BossAIMode::demon;
        QTest::newRow("draw over the chance") << true << false << 35.0 << 2 << 0.30 << BossAIMode::normal;
        QTest::newRow("closed range reaches 100") << true << false << 100.0 << 0 << 1.0 << BossAIMode::normal;
    }

    void modeChoiceOrder() {
        QFETCH(bool, hasTasks);
        QFETCH(bool, forced);
        QFETCH(double, urgency);
        QFETCH(int, completions);
        QFETCH(double, draw);
        QFETCH(BossAIMode, mode);
        ScriptedRandomSource random({std::max(draw, 0.0)});
        boss::ModeInputs in;
        in.hasTasks = hasTasks;
        in.surgeActive = forced;
        in.demonLock = forced;
        in.urgency = urgency;
        in.recentCompletions = completions;
        QCOMPARE(boss::selectMode(in, random), mode);
        QCOMPARE(random.draws(), draw < 0 ? 0 : 1);
    }

    void demonLockAtOneAndAHalfTimesTheDuration() {
        QVERIFY(boss::demonLockHolds(90 * 60, 60));
        QVERIFY(!boss::demonLockHolds(89 * 60, 60));
        QVERIFY(boss::demonLockHolds(90, 0)); // 0 minutes count as 1

        StoreFixture f;
        f.start();
        oneOpenTask(f, 60, 90 * 60);
        f.store().refreshBossAIMetrics();
        QVERIFY(f.store().bossAIState().demonLockActive);
        QCOMPARE(f.store().demonModeProbability(), 100.0);
        QCOMPARE(f.store().moodHeadline(), QStringLiteral("Demon Mode"));
        QCOMPARE(f.store().moodImageName(), QStringLiteral("VornAngry"));

        oneOpenTask(f, 60, 89 * 60);
        f.store().refreshBossAIMetrics();
        QVERIFY(!f.store().bossAIState().demonLockActive);
    }

    void metricsOnTheStore() {
        StoreFixture f;
        TaskStore& store = f.start();
        // Nothing in the motivational phase after a fresh start: the odds are computed.
        setUrgency(store, 0);
        store.refreshBossAIMetrics();
        QCOMPARE(store.modeProbabilities(), (ModeProbabilities{0, 1, 99}));
        QCOMPARE(store.moodHeadline(), QStringLiteral("Normal Mode"));
        QCOMPARE(store.moodSubtitle(), QStringLiteral("Demon chance 1%"));
        QCOMPARE(store.moodAccentColor(), boss::MoodColor::blue);

        // The headline follows the probabilities, not the last message's mode, unless it was Demon.
        store.setActiveBossMode(BossAIMode::messianic);
        QCOMPARE(store.moodHeadline(), QStringLiteral("Normal Mode"));
        store.setActiveBossMode(BossAIMode::demon);
        QCOMPARE(store.moodHeadline(), QStringLiteral("Demon Mode"));

        recordCompletions(f, 3);
        setUrgency(store, 10);
        store.refreshBossAIMetrics();
        QCOMPARE(store.bossAIState().recentCompletionsCount, 3);
        QCOMPARE(store.modeProbabilities(), (ModeProbabilities{100, 0, 0}));
        QCOMPARE(store.selectBossMode(3), BossAIMode::messianic);

        // An ended surge is cleared by the refresh; one still running forces Demon.
        BossAIState s = store.bossAIState();
        s.surgeModeUntil = f.clock().now();
        store.setBossAIState(s);
        QVERIFY(!store.isSurgeActive());
        store.refreshBossAIMetrics();
        QVERIFY(!store.bossAIState().surgeModeUntil);
        s = store.bossAIState();
        s.surgeModeUntil = f.clock().now() + 10;
        store.setBossAIState(s);
        QCOMPARE(store.selectBossMode(3), BossAIMode::demon);
        QCOMPARE(store.moodHeadline(), QStringLiteral("⚡ SURGE MODE"));
    }

    void releasingTheLockLowersUrgency() {
        StoreFixture f;
        TaskStore& store = f.start();
        setUrgency(store, 50, true);
        store.releaseDemonLockAfterCompletion(false);
        QCOMPARE(store.bossAIState().urgencyScore, 30.0); // late, yet lower: the lock is lifted
        QVERIFY(!store.bossAIState().demonLockActive);
        store.releaseDemonLockAfterCompletion(false); // no lock: nothing
        QCOMPARE(store.bossAIState().urgencyScore, 30.0);

        f.random().push(1.0);
        setUrgency(store, 10, true);
        store.releaseDemonLockAfterCompletion(true);
        QCOMPARE(store.bossAIState().urgencyScore, 0.0); // 10 - 15, clamped
    }

    void motivationalSessionAndReset() {
        StoreFixture f;
        TaskStore& store = f.start();
        setUrgency(store, 80);
        f.clock().advance(100);
        store.beginMotivationalSession();
        QVERIFY(store.inMotivationalStartPhase());
        QCOMPARE(store.bossAIState().urgencyScore, 45.0);
        QCOMPARE(store.bossAIState().lastActivityAt, f.clock().now());
        QCOMPARE(store.modeProbabilities(), (ModeProbabilities{100, 0, 0}));
        QCOMPARE(store.moodHeadline(), QStringLiteral("Mission Mode"));
        QCOMPARE(f.database().loadBossAIState().urgencyScore, 45.0);

        store.resetBossAIState();
        QCOMPARE(store.bossAIState().urgencyScore, 0.0);
        QCOMPARE(store.activeBossMode(), BossAIMode::messianic);
        QCOMPARE(store.statusMessage(), QStringLiteral("Vorn mode reset — fresh start."));
        QCOMPARE(f.database().loadBossAIState().urgencyScore, 0.0);
        QVERIFY(f.database().loadSession().inMotivationalStartPhase);
    }

    void emptyListIsAlwaysMessianic() {
        StoreFixture f;
        TaskStore& store = f.start();
        store.setTasks({});
        setUrgency(store, 90, true);
        BossAIState s = store.bossAIState();
        s.surgeModeUntil = f.clock().now() + 100;
        store.setBossAIState(s);
        store.refreshBossAIMetrics();
        QCOMPARE(store.modeProbabilities(), (ModeProbabilities{100, 0, 0}));
        QCOMPARE(store.demonModeProbability(), 0.0);
        QCOMPARE(store.selectBossMode(0), BossAIMode::messianic);
        QVERIFY(!store.currentActiveTask());
    }
};

VORN_TEST_CLASS(BossStateTest)
#include "boss_state_test.moc"
