// Completing and reopening tasks, and surge mode.
#include "fixtures/boss_replies.h"
#include "fixtures/log_capture.h"
#include "fixtures/outline_fixture.h"
#include "fixtures/store_fixture.h"
#include "fixtures/test_main.h"
#include "model/completion.h"

#include <QtTest>

using namespace vorn;
using vorn::test::StoreFixture;

namespace {

// B's title holds placeholders: the boss texts must keep it as typed.
const QString kB = QStringLiteral("Reach 100%1 coverage %2");

// Three open tasks A (30), B (20), C (45) in the root, from the clock's now.
TaskStore& startWithThree(StoreFixture& f) {
    test::answerEverything(f.proxy(), QStringLiteral("Noted."));
    TaskStore& store = f.start();
    store.outline().setScheduleStartTime(f.clock().now());
    test::setOpenTasks(store, {{QStringLiteral("A"), 30}, {kB, 20}, {QStringLiteral("C"), 45}});
    return store;
}

const TaskItem& taskNamed(const TaskStore& store, const QString& title) {
    return test::taskTitled(store, title);
}

QStringList triggers(StoreFixture& f) {
    return test::requestedTriggers(f.proxy());
}

struct Arithmetic {
    std::optional<Instant> finish;
    Instant start;
    Instant done;
    bool onTime;
    qint64 minutes;
    double urgencyBefore;
    double draw;
    double urgencyAfter;
};

// Completing A, which is due 30 minutes in, with every draw at the bottom of its range.
struct Completion {
    int secondsIn;
    double urgency;
    bool lock;
    double urgencyAfter;
    const char* status;
    int actualMinutes;
};

} // namespace

class CompletionTest : public QObject {
    Q_OBJECT

private slots:
    void completionArithmetic_data() {
        QTest::addColumn<Arithmetic>("c");
        QTest::newRow("exactly at the finish") << Arithmetic{1800.0, 0, 1800, true, 30, 50, 0.0, 42};
        QTest::newRow("a second late") << Arithmetic{1800.0, 0, 1801, false, 30, 50, 1.0, 85};
        QTest::newRow("no finish time is on time") << Arithmetic{{}, 100, 100, true, 1, 50, 1.0, 35};
        QTest::newRow("partial minutes are cut") << Arithmetic{0.0, 0, 119.9, false, 1, 50, 0.0, 70};
        QTest::newRow("a start after the stamp is one minute")
            << Arithmetic{9000.0, 600, 0, true, 1, 50, 0.5, 38.5};
        QTest::newRow("urgency stops at 0") << Arithmetic{{}, 0, 0, true, 1, 3, 0.0, 0};
        QTest::newRow("urgency stops at 100") << Arithmetic{0.0, 0, 60, false, 1, 95, 0.0, 100};
    }

    void completionArithmetic() {
        QFETCH(Arithmetic, c);
        QCOMPARE(completion::isOnTime(c.finish, c.done), c.onTime);
        QCOMPARE(completion::actualMinutes(c.start, c.done), c.minutes);
        ScriptedRandomSource random({c.draw});
        QCOMPARE(completion::urgencyAfter(c.urgencyBefore, c.onTime, random), c.urgencyAfter);
    }

    void streaks() {
        const GamificationState g = completion::counted(completion::counted({2, 3, 7}, true), true);
        QCOMPARE(g, (GamificationState{4, 4, 9}));
        QCOMPARE(completion::counted(g, false), (GamificationState{0, 4, 10}));
    }

    void aCompletionOrReopeningSavesOnce() {
        StoreFixture f;
        TaskStore& store = startWithThree(f);
        QLoggingCategory::setFilterRules(QStringLiteral("vorn.store.debug=true"));
        const QUuid a = taskNamed(store, "A").id;
        for (const char* step : {"completed", "reopened"}) {
            test::LogCapture log;
            store.toggleCompletion(a);
            QVERIFY2(log.count(QStringLiteral("saving the workspace")) == 1, step);
        }
        QLoggingCategory::setFilterRules(QString());
        store.toggleCompletion(newUuid()); // unknown: nothing
        QCOMPARE(store.editor().undoStack().size(), 2);
    }

    // Undo takes a completion back with its records and counters; redo brings
    // it back once, judged as it was.
    void undoAndRedoKeepTheRecordsInStep() {
        StoreFixture f;
        TaskStore& store = startWithThree(f);
        f.clock().advance(10 * 60);
        store.toggleCompletion(taskNamed(store, "A").id);
        const GamificationState counted = store.boss().gamification();
        QCOMPARE(counted, (GamificationState{1, 1, 1}));
        for (int round = 0; round < 2; ++round) {
            store.editor().undo();
            QVERIFY(!taskNamed(store, "A").isCompleted);
            QCOMPARE(store.boss().gamification(), (GamificationState{0, 0, 0}));
            QVERIFY(f.database().loadTaskAnalytics().isEmpty());
            QVERIFY(f.database().recentCompletions(48).isEmpty());
            store.editor().redo();
            QVERIFY(taskNamed(store, "A").isCompleted);
            QCOMPARE(store.boss().gamification(), counted);
            QCOMPARE(f.database().loadTaskAnalytics().size(), 1);
            QVERIFY(f.database().loadTaskAnalytics().first().wasOnTime);
            QCOMPARE(f.database().recentCompletions(48).size(), 1);
        }
        QCOMPARE(completion::withdrawn({3, 5, 9}, true), (GamificationState{2, 5, 8}));
        QCOMPARE(completion::withdrawn({0, 2, 4}, false), (GamificationState{0, 2, 3}));
    }

    void oneCompletion_data() {
        QTest::addColumn<Completion>("c");
        const char* onTime = "Task done on time. 1 on-time streak.";
        QTest::newRow("under two minutes") << Completion{119, 45, false, 37, onTime, 1};
        QTest::newRow("exactly at the finish") << Completion{1800, 45, false, 37, onTime, 30};
        QTest::newRow("a second late")
            << Completion{1801, 45, false, 65, "Task finished late. Urgency ↑ to 65.", 30};
        // With the lock set a late finish lowers urgency by exactly 20, an on-time one
        // by 8 to 15, and either lifts the lock.
        QTest::newRow("late under the lock")
            << Completion{40 * 60, 70, true, 50, "Task finished late. Urgency ↓ to 50.", 40};
        QTest::newRow("on time under the lock") << Completion{1800, 10, true, 2, onTime, 30};
    }

    void oneCompletion() {
        QFETCH(Completion, c);
        StoreFixture f;
        TaskStore& store = startWithThree(f);
        BossAIState s = store.boss().bossAIState();
        s.urgencyScore = c.urgency;
        s.demonLockActive = c.lock;
        store.boss().setBossAIState(s);
        f.random().push(0.0);
        f.clock().advance(c.secondsIn);
        store.toggleCompletion(taskNamed(store, "A").id);
        QCOMPARE(store.boss().bossAIState().urgencyScore, c.urgencyAfter);
        QVERIFY(!store.boss().bossAIState().demonLockActive);
        QCOMPARE(store.statusMessage(), QString::fromUtf8(c.status));
        const auto analytics = f.database().loadTaskAnalytics();
        QCOMPARE(analytics.size(), 1);
        QCOMPARE(analytics.first().actualMinutes, c.actualMinutes);
        QCOMPARE(analytics.first().wasOnTime, c.secondsIn <= 1800);
    }

    void laterTasksRunFromTheRealCompletionAndReopeningWithdrawsIt() {
        StoreFixture f;
        TaskStore& store = startWithThree(f);
        const Instant start = f.clock().now();
        f.clock().set(start + 30 * 60);
        store.toggleCompletion(taskNamed(store, "A").id);
        QTRY_COMPARE(triggers(f).size(), 1); // one message at a time: the next waits for this one
        QTRY_VERIFY(!store.chat().isDeliveringBossMessage());

        f.clock().set(start + 50 * 60 + 1); // B was due at 50 minutes
        store.toggleCompletion(taskNamed(store, kB).id);
        QCOMPARE(taskNamed(store, "C").finishTime, start + 50 * 60 + 1 + 45 * 60);
        const auto analytics = f.database().loadTaskAnalytics();
        QCOMPARE(analytics.first().actualMinutes, 20); // from A's completion to B's
        QCOMPARE(analytics.first().sectionTitle, QStringLiteral("To do"));
        const QString late =
            QStringLiteral("Task completed late: ") + kB + QStringLiteral(". 1 still pending.");
        QTRY_COMPARE(triggers(f).value(1), late);
        QTRY_VERIFY(!store.chat().isDeliveringBossMessage());
        QCOMPARE(test::messageLog(f.databasePath()).last().last(), late);

        store.toggleCompletion(taskNamed(store, kB).id);
        QVERIFY(!taskNamed(store, kB).completedAt);
        QCOMPARE(store.statusMessage(), QStringLiteral("Task reopened: ") + kB);
        // An open task has no completion on record.
        QCOMPARE(store.boss().gamification().totalCompletions, 1);
        QCOMPARE(f.database().loadTaskAnalytics().size(), 1);
        QCOMPARE(f.database().recentCompletions(48).size(), 1);
        QTRY_COMPARE(triggers(f).value(2), QStringLiteral("Task marked incomplete again: ") + kB);
    }

    void noSecondScoldingRightAfterAnOverdueMessage() {
        StoreFixture f;
        TaskStore& store = startWithThree(f);
        const Instant start = f.clock().now();
        f.clock().set(start + 34 * 60); // A at ratio 1.13: overdue message
        QCoro::waitFor(store.watch().checkLateAndNotify());
        QCOMPARE(triggers(f).size(), 1);
        QVERIFY(store.shouldSkipCompletionBossMessage(taskNamed(store, "A").id));

        f.clock().advance(179);
        store.toggleCompletion(taskNamed(store, "A").id);
        QTest::qWait(20);
        QCOMPARE(triggers(f).size(), 1);
        QCOMPARE(store.boss().gamification().totalCompletions, 1);
        QVERIFY(store.watch().lastOverdueNotificationAt().isEmpty());
    }

    void surgeHalvesTheListAndHoldsDemon() {
        StoreFixture f;
        TaskStore& store = startWithThree(f);
        test::setOpenTasks(store, {{QStringLiteral("A"), 30}, {kB, 20}, {QStringLiteral("C"), 1}, {"Z", 0}});
        const QUuid root = *store.outline().rootSectionID();

        // With the watch stopped a completion never starts a surge, whatever the draw.
        store.boss().maybeTriggerSurgeMode(root);
        QVERIFY(!store.boss().isSurgeActive());
        QCOMPARE(f.random().draws(), 0);

        store.watch().startBossAI();
        f.random().push(0.5);  // the completion's urgency change
        f.random().push(0.02); // the surge draw: under 3 %
        store.toggleCompletion(taskNamed(store, "A").id);
        // The surge speaks only after the completion is through, like every boss comment.
        QVERIFY(!store.chat().isDeliveringBossMessage());
        QCOMPARE(*store.boss().bossAIState().surgeModeUntil, f.clock().now() + 1800);
        QCOMPARE(taskNamed(store, "A").durationMinutes, 30); // completed: kept
        QCOMPARE(taskNamed(store, kB).durationMinutes, 10);
        QCOMPARE(taskNamed(store, "C").durationMinutes, 1);
        QCOMPARE(taskNamed(store, "Z").durationMinutes, 1);
        QVERIFY(store.chat().chatMessages().last().content.startsWith(QStringLiteral("⚡ SURGE MODE")));
        QTRY_VERIFY(triggers(f).contains(QStringLiteral("Surge mode activated in To do. All remaining tasks "
                                                        "in this list halved — user must move faster.")));

        // Expiry: at the end instant the surge is over and the tick clears it.
        f.clock().advance(1800);
        QVERIFY(!store.boss().isSurgeActive());
        store.boss().expireSurgeIfNeeded();
        QVERIFY(!f.database().loadBossAIState().surgeModeUntil);
        store.watch().stopBossAI();
    }
};

VORN_TEST_CLASS(CompletionTest)
#include "completion_test.moc"
