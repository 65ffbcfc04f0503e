// Urgency, mode probabilities, mode choice, the Demon lock and the mood banner.
#include "fixtures/store_fixture.h"
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
    void probabilitiesFollowUrgencyCompletionsAndLock() {
        QCOMPARE(boss::modeProbabilities(0, 0, false), (ModeProbabilities{0, 1, 99}));
        const ModeProbabilities top = boss::modeProbabilities(100, 0, false);
        QCOMPARE(top.demon, 100.0 / 120.0 * 100.0);
        QCOMPARE(top.demon + top.normal, 100.0);
        QCOMPARE(boss::modeProbabilities(34.99, 2, false), (ModeProbabilities{100, 0, 0}));
        QCOMPARE(boss::modeProbabilities(35, 2, false).messianic, 0.0);
        QCOMPARE(boss::modeProbabilities(20, 1, false).messianic, 0.0);
        QCOMPARE(boss::modeProbabilities(10, 5, true), (ModeProbabilities{0, 100, 0}));
        QCOMPARE(boss::clampUrgency(130), 100.0);
        QCOMPARE(boss::clampUrgency(-4), 0.0);
    }

    void modeChoiceOrder() {
        ScriptedRandomSource random({0.0});
        boss::ModeInputs in;
        in.surgeActive = true;
        in.demonLock = true;
        QCOMPARE(boss::selectMode(in, random), BossAIMode::messianic); // no tasks beats everything
        in.hasTasks = true;
        QCOMPARE(boss::selectMode(in, random), BossAIMode::demon);
        in = {};
        in.hasTasks = true;
        in.urgency = 34.99;
        in.recentCompletions = 2;
        QCOMPARE(boss::selectMode(in, random), BossAIMode::messianic);
        QCOMPARE(random.draws(), 0);

        // Otherwise a draw over [0, 100] against the Demon chance (here 29.16…%).
        in.urgency = 35;
        ScriptedRandomSource low({0.29});
        QCOMPARE(boss::selectMode(in, low), BossAIMode::demon);
        ScriptedRandomSource high({0.30});
        QCOMPARE(boss::selectMode(in, high), BossAIMode::normal);
        ScriptedRandomSource top({1.0}); // the closed range reaches 100
        in.urgency = 100;
        QCOMPARE(boss::selectMode(in, top), BossAIMode::normal);
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

QTEST_GUILESS_MAIN(BossStateTest)
#include "boss_state_test.moc"
