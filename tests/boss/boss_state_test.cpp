// Urgency, mode probabilities, mode choice, the Demon lock and the mood banner.
#include "fixtures/store_fixture.h"
#include "fixtures/test_main.h"
#include "model/mode_arithmetic.h"
#include "platform/random_source.h"

#include <QtTest>

using namespace vorn;
using vorn::test::StoreFixture;

namespace {

struct Choice {
    bool hasTasks = true;
    bool forced = false; // surge and lock
    double urgency = 0;
    int completions = 0;
    double draw = -1; // < 0: no draw may be taken
    BossAIMode mode = BossAIMode::normal;
};

// A store with one open 60-minute task (or none) and the boss state below.
struct Metrics {
    bool hasTasks;
    int startedAgo; // minutes since the task's start
    double urgency;
    bool lock;       // set before the refresh recomputes it
    int completions; // in the last 48 hours
    int surgeLeft;   // seconds; < 0: no surge
    bool motivational;
    bool demonSpoke; // the last boss message was in Demon mode
    ModeProbabilities odds;
    double demonChance;
    BossAIMode mode; // with a draw at the top of its range
    const char* headline;
};

} // namespace

class BossStateTest : public QObject {
    Q_OBJECT

private slots:
    void modeChoiceOrder_data() {
        QTest::addColumn<Choice>("c");
        QTest::newRow("no tasks beats everything")
            << Choice{.hasTasks = false, .forced = true, .mode = BossAIMode::messianic};
        QTest::newRow("surge and lock") << Choice{.forced = true, .mode = BossAIMode::demon};
        QTest::newRow("calm and productive")
            << Choice{.urgency = 34.99, .completions = 2, .mode = BossAIMode::messianic};
        // Otherwise a draw over [0, 100] against the Demon chance (at 35: 29.16…%).
        QTest::newRow("draw under the chance")
            << Choice{.urgency = 35, .completions = 2, .draw = 0.29, .mode = BossAIMode::demon};
        QTest::newRow("draw over the chance") << Choice{.urgency = 35, .completions = 2, .draw = 0.30};
        QTest::newRow("closed range reaches 100") << Choice{.urgency = 100, .draw = 1.0};
    }

    void modeChoiceOrder() {
        QFETCH(Choice, c);
        ScriptedRandomSource random({std::max(c.draw, 0.0)});
        boss::ModeInputs in;
        in.hasTasks = c.hasTasks;
        in.surgeActive = c.forced;
        in.demonLock = c.forced;
        in.urgency = c.urgency;
        in.recentCompletions = c.completions;
        QCOMPARE(boss::selectMode(in, random), c.mode);
        QCOMPARE(random.draws(), c.draw < 0 ? 0 : 1);
        const ModeProbabilities p = boss::modeProbabilities(c.urgency, c.completions, false);
        QCOMPARE(p.messianic + p.demon + p.normal, 100.0);
    }

    void demonLockCountsZeroMinutesAsOne() {
        QVERIFY(boss::demonLockHolds(90, 0));
        QVERIFY(!boss::demonLockHolds(89, 0));
    }

    // The store feeds the arithmetic from its tasks, the completion log, the
    // surge and the motivational phase; the banner follows what it computed.
    void metricsOnTheStore_data() {
        QTest::addColumn<Metrics>("m");
        const auto normal = BossAIMode::normal, demon = BossAIMode::demon, messianic = BossAIMode::messianic;
        const char *norm = "Normal Mode", *mission = "Mission Mode", *surge = "⚡ SURGE MODE";
        // clang-format off
        // tasks, started ago, urgency, lock, completions, surge left, motivational, Demon spoke;
        // odds, Demon chance, mode, headline
        QTest::newRow("calm") << Metrics{true, 0, 0, false, 0, -1, false, false, {0, 1, 99}, 1, normal, norm};
        QTest::newRow("the chance is cut, not rounded")
            << Metrics{true, 0, 45, false, 0, -1, false, false, {0, 37.5, 62.5}, 37.5, normal, norm};
        QTest::newRow("last message in Demon")
            << Metrics{true, 0, 0, false, 0, -1, false, true, {0, 1, 99}, 1, normal, "Demon Mode"};
        QTest::newRow("two done, under 35")
            << Metrics{true, 0, 34.99, false, 2, -1, false, false, {100, 0, 0}, 34.99 / 1.2, messianic,
                       mission};
        QTest::newRow("two done at 35")
            << Metrics{true, 0, 35, false, 2, -1, false, false, {0, 35 / 1.2, 100 - 35 / 1.2}, 35 / 1.2,
                       normal, norm};
        QTest::newRow("one done")
            << Metrics{true, 0, 24, false, 1, -1, false, false, {0, 20, 80}, 20, normal, norm};
        QTest::newRow("running surge")
            << Metrics{true, 0, 24, false, 3, 10, false, false, {100, 0, 0}, 20, demon, surge};
        QTest::newRow("ended surge is cleared")
            << Metrics{true, 0, 24, false, 3, 0, false, false, {100, 0, 0}, 20, messianic, mission};
        QTest::newRow("1.5 times over locks")
            << Metrics{true, 90, 60, false, 3, -1, false, false, {0, 100, 0}, 100, demon, "Demon Mode"};
        QTest::newRow("just under 1.5 unlocks")
            << Metrics{true, 89, 60, true, 0, -1, false, false, {0, 50, 50}, 50, normal, norm};
        QTest::newRow("empty list")
            << Metrics{false, 0, 90, true, 0, 100, false, false, {100, 0, 0}, 0, messianic, surge};
        QTest::newRow("motivational phase")
            << Metrics{true, 90, 80, false, 0, -1, true, false, {100, 0, 0}, 0, messianic, mission};
        // clang-format on
    }

    void metricsOnTheStore() {
        QFETCH(Metrics, m);
        StoreFixture f;
        TaskStore& store = f.start();
        const Instant now = f.clock().now();
        QList<TaskItem> tasks = store.outline().tasks();
        tasks.first().durationMinutes = 60;
        store.outline().setTasks(m.hasTasks ? tasks : QList<TaskItem>{});
        store.outline().setScheduleStartTime(now - m.startedAgo * 60);
        store.outline().recalculateFinishTimes();
        for (int i = 0; i < m.completions; ++i)
            f.database().recordCompletion(
                {newUuid(), QStringLiteral("done %1").arg(i), now - 60.0 * i, true});
        BossAIState s = store.boss().bossAIState();
        s.urgencyScore = m.urgency;
        s.demonLockActive = m.lock;
        if (m.surgeLeft >= 0)
            s.surgeModeUntil = now + m.surgeLeft;
        store.boss().setBossAIState(s);
        if (m.motivational)
            store.boss().beginMotivationalSession();
        if (m.demonSpoke)
            store.boss().setActiveBossMode(BossAIMode::demon);
        store.boss().refreshBossAIMetrics();
        f.random().push(1.0);

        QCOMPARE(store.boss().modeProbabilities(), m.odds);
        QCOMPARE(store.boss().demonModeProbability(), m.demonChance);
        QCOMPARE(store.boss().selectBossMode(store.boss().bossAIState().recentCompletionsCount), m.mode);
        QCOMPARE(store.boss().moodHeadline(), QString::fromUtf8(m.headline));
        if (store.boss().moodHeadline() == QStringLiteral("Normal Mode"))
            QCOMPARE(store.boss().moodSubtitle(), QStringLiteral("Demon chance %1%").arg(int(m.demonChance)));
        QCOMPARE(store.boss().bossAIState().surgeModeUntil.has_value(), m.surgeLeft > 0);
        if (m.motivational) // the session starts at urgency 45, stored at once
            QCOMPARE(f.database().loadBossAIState().urgencyScore, 45.0);
    }

    void resetStartsAFreshMotivationalSession() {
        StoreFixture f;
        TaskStore& store = f.start();
        BossAIState s = store.boss().bossAIState();
        s.urgencyScore = 80;
        s.demonLockActive = true;
        store.boss().setBossAIState(s);
        store.boss().setActiveBossMode(BossAIMode::demon);
        f.clock().advance(100);

        store.boss().resetBossAIState();
        QCOMPARE(store.boss().bossAIState().urgencyScore, 0.0);
        QCOMPARE(store.boss().bossAIState().lastActivityAt, f.clock().now());
        QCOMPARE(store.boss().moodHeadline(), QStringLiteral("Mission Mode"));
        QCOMPARE(f.database().loadBossAIState().urgencyScore, 0.0);
        QVERIFY(f.database().loadSession().inMotivationalStartPhase);
    }
};

VORN_TEST_CLASS(BossStateTest)
#include "boss_state_test.moc"
