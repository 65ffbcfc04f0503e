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

// Three open tasks A (30), B (20), C (45) in the root, from the clock's now.
TaskStore& startWithThree(StoreFixture& f) {
    test::answerEverything(f.proxy(), QStringLiteral("Noted."));
    TaskStore& store = f.start();
    store.setScheduleStartTime(f.clock().now());
    test::setOpenTasks(store,
                       {{QStringLiteral("A"), 30}, {QStringLiteral("B"), 20}, {QStringLiteral("C"), 45}});
    return store;
}

const TaskItem& taskNamed(const TaskStore& store, const char* title) {
    return test::taskTitled(store, QString::fromLatin1(title));
}

QStringList triggers(StoreFixture& f) {
    return test::requestedTriggers(f.proxy());
}

} // namespace

class CompletionTest : public QObject {
    Q_OBJECT

private slots:
    void completionArithmetic_data() {
        QTest::addColumn<std::optional<Instant>>("finish");
        QTest::addColumn<Instant>("start");
        QTest::addColumn<Instant>("done");
        QTest::addColumn<bool>("onTime");
        QTest::addColumn<qint64>("minutes");
        QTest::addColumn<double>("fraction"); // the urgency draw
        QTest::addColumn<double>("urgency");  // from 50
        QTest::newRow("exactly at the finish")
            << std::optional<Instant>(1800.0) << 0.0 << 1800.0 << true << qint64(30) << 0.0 << 42.0;
        QTest::newRow("a second late")
            << std::optional<Instant>(1800.0) << 0.0 << 1801.0 << false << qint64(30) << 1.0 << 85.0;
        QTest::newRow("no finish time is on time")
            << std::optional<Instant>() << 100.0 << 100.0 << true << qint64(1) << 1.0 << 35.0;
        QTest::newRow("partial minutes are cut")
            << std::optional<Instant>(0.0) << 0.0 << 119.9 << false << qint64(1) << 0.0 << 70.0;
        QTest::newRow("a start after the stamp is one minute")
            << std::optional<Instant>(9000.0) << 600.0 << 0.0 << true << qint64(1) << 0.5 << 38.5;
    }

    void completionArithmetic() {
        QFETCH(std::optional<Instant>, finish);
        QFETCH(Instant, start);
        QFETCH(Instant, done);
        QFETCH(bool, onTime);
        QFETCH(qint64, minutes);
        QFETCH(double, fraction);
        QFETCH(double, urgency);
        QCOMPARE(completion::isOnTime(finish, done), onTime);
        QCOMPARE(completion::actualMinutes(start, done), minutes);
        ScriptedRandomSource random;
        random.push(fraction);
        QCOMPARE(completion::urgencyAfter(50, onTime, random), urgency);
    }

    void streaksAndUrgencyBounds() {
        GamificationState g{2, 3, 7};
        g = completion::counted(g, true);
        QCOMPARE(g, (GamificationState{3, 3, 8}));
        g = completion::counted(g, true);
        QCOMPARE(g, (GamificationState{4, 4, 9}));
        QCOMPARE(completion::counted(g, false), (GamificationState{0, 4, 10}));

        ScriptedRandomSource random;
        QCOMPARE(completion::urgencyAfter(3, true, random), 0.0);
        QCOMPARE(completion::urgencyAfter(95, false, random), 100.0);
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
    }

    void onTimeThenLateThenReopenedAndDoneAgain() {
        StoreFixture f;
        TaskStore& store = startWithThree(f);
        const Instant start = f.clock().now();

        f.clock().set(start + 30 * 60); // exactly at A's finish: on time
        store.toggleCompletion(taskNamed(store, "A").id);
        QCOMPARE(taskNamed(store, "A").completedAt, f.clock().now());
        QCOMPARE(store.gamification(), (GamificationState{1, 1, 2}));
        QTRY_COMPARE(triggers(f), QStringList{QStringLiteral("Task completed on time: A. 2 still pending.")});
        QTRY_VERIFY(!store.isDeliveringBossMessage());
        QCOMPARE(store.undoStack().size(), 1);

        f.clock().set(start + 50 * 60 + 1); // B was due at 50 minutes
        store.toggleCompletion(taskNamed(store, "B").id);
        QCOMPARE(store.gamification(), (GamificationState{0, 1, 3}));
        QTRY_COMPARE(triggers(f).size(), 2);
        QCOMPARE(triggers(f).last(), QStringLiteral("Task completed late: B. 1 still pending."));
        QTRY_VERIFY(!store.isDeliveringBossMessage());
        // C now runs from B's real completion.
        QCOMPARE(taskNamed(store, "C").finishTime, start + 50 * 60 + 1 + 45 * 60);

        const auto analytics = f.database().loadTaskAnalytics();
        QCOMPARE(analytics.size(), 2);
        QCOMPARE(analytics.first().taskTitle, QStringLiteral("B"));
        QCOMPARE(analytics.first().actualMinutes, 20); // from A's completion to B's
        QCOMPARE(analytics.first().sectionTitle, QStringLiteral("To do"));
        QVERIFY(!analytics.first().wasOnTime);

        // Reopen B: records stay, the stamp goes, the boss comments.
        store.toggleCompletion(taskNamed(store, "B").id);
        QVERIFY(!taskNamed(store, "B").completedAt);
        QCOMPARE(store.statusMessage(), QStringLiteral("Task reopened: B"));
        QCOMPARE(store.gamification().totalCompletions, 3);
        QTRY_COMPARE(triggers(f).last(), QStringLiteral("Task marked incomplete again: B"));

        f.clock().advance(60);
        store.toggleCompletion(taskNamed(store, "B").id);
        QCOMPARE(store.gamification().totalCompletions, 4);
        QCOMPARE(f.database().recentCompletions(48).size(), 3);
        QCOMPARE(f.database().loadTaskAnalytics().size(), 3);
    }

    void oneCompletion_data() {
        QTest::addColumn<int>("secondsIn"); // A is due 30 minutes in
        QTest::addColumn<double>("urgency");
        QTest::addColumn<bool>("lock");
        QTest::addColumn<double>("urgencyAfter"); // with every draw at the bottom of its range
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("actualMinutes");
        const QString onTime = QStringLiteral("Task done on time. 1 on-time streak.");
        QTest::newRow("under two minutes") << 119 << 45.0 << false << 37.0 << onTime << 1;
        QTest::newRow("exactly at the finish") << 1800 << 45.0 << false << 37.0 << onTime << 30;
        QTest::newRow("a second late")
            << 1801 << 45.0 << false << 65.0 << QStringLiteral("Task finished late. Urgency ↑ to 65.") << 30;
        // With the lock set a late finish lowers urgency by exactly 20 and lifts the lock.
        QTest::newRow("late under the lock") << 40 * 60 << 70.0 << true << 50.0
                                             << QStringLiteral("Task finished late. Urgency ↓ to 50.") << 40;
    }

    void oneCompletion() {
        QFETCH(int, secondsIn);
        QFETCH(double, urgency);
        QFETCH(bool, lock);
        QFETCH(double, urgencyAfter);
        QFETCH(QString, status);
        QFETCH(int, actualMinutes);
        StoreFixture f;
        TaskStore& store = startWithThree(f);
        BossAIState s = store.bossAIState();
        s.urgencyScore = urgency;
        s.demonLockActive = lock;
        store.setBossAIState(s);
        f.random().push(0.0);
        f.clock().advance(secondsIn);
        store.toggleCompletion(taskNamed(store, "A").id);
        QCOMPARE(store.bossAIState().urgencyScore, urgencyAfter);
        QVERIFY(!store.bossAIState().demonLockActive);
        QCOMPARE(store.statusMessage(), status);
        const auto analytics = f.database().loadTaskAnalytics();
        QCOMPARE(analytics.size(), 1);
        QCOMPARE(analytics.first().actualMinutes, actualMinutes);
        QCOMPARE(analytics.first().wasOnTime, secondsIn <= 1800);
    }

    void noSecondScoldingRightAfterAnOverdueMessage() {
        StoreFixture f;
        TaskStore& store = startWithThree(f);
        const Instant start = f.clock().now();
        f.clock().set(start + 34 * 60); // A at ratio 1.13: overdue message
        QCoro::waitFor(store.checkLateAndNotify());
        QCOMPARE(triggers(f).size(), 1);
        QVERIFY(store.shouldSkipCompletionBossMessage(taskNamed(store, "A").id));

        f.clock().advance(179);
        store.toggleCompletion(taskNamed(store, "A").id);
        QTest::qWait(20);
        QCOMPARE(triggers(f).size(), 1);
        QCOMPARE(store.gamification().totalCompletions, 2);
        QVERIFY(store.lastOverdueNotificationAt().isEmpty());
    }

    void firstCompletionEndsTheMotivationalPhase() {
        StoreFixture f;
        TaskStore& store = startWithThree(f);
        store.beginMotivationalSession();
        store.toggleCompletion(taskNamed(store, "A").id);
        QVERIFY(!store.inMotivationalStartPhase());
        QVERIFY(!f.database().loadSession().inMotivationalStartPhase);
        store.toggleCompletion(newUuid()); // unknown: nothing
        QCOMPARE(store.undoStack().size(), 1);
    }

    void titlesWithPlaceholdersStayAsTyped() {
        StoreFixture f;
        TaskStore& store = startWithThree(f);
        const QString hostile = QStringLiteral("Reach 100%1 test coverage %2");
        QList<TaskItem> tasks = store.tasks();
        tasks[0].title = hostile;
        store.setTasks(tasks);
        f.random().push(0.0);

        store.toggleCompletion(tasks[0].id);
        const QString expected =
            QStringLiteral("Task completed on time: ") + hostile + QStringLiteral(". 2 still pending.");
        QTRY_COMPARE(triggers(f), QStringList{expected});
        QTRY_VERIFY(!store.isDeliveringBossMessage());
        QCOMPARE(test::messageLog(f.databasePath()).last().last(), expected);

        store.toggleCompletion(tasks[0].id);
        QCOMPARE(store.statusMessage().value_or(QString()), QStringLiteral("Task reopened: ") + hostile);
    }

    void surgeHalvesTheListAndHoldsDemon() {
        StoreFixture f;
        TaskStore& store = startWithThree(f);
        const QUuid root = *store.rootSectionID();
        QList<TaskItem> tasks = store.tasks();
        tasks[2].durationMinutes = 1;
        TaskItem zero = tasks[1];
        zero.id = newUuid();
        zero.title = QStringLiteral("Z");
        zero.durationMinutes = 0;
        tasks.append(zero);
        store.setTasks(tasks);
        store.setRootOutlineOrder(store.computeOutlineOrderSnapshot());

        // With the watch stopped a completion never starts a surge, whatever the draw.
        store.maybeTriggerSurgeMode(root);
        QVERIFY(!store.isSurgeActive());
        QCOMPARE(f.random().draws(), 0);

        store.startBossAI();
        f.random().push(0.5);  // the completion's urgency change
        f.random().push(0.02); // the surge draw: under 3 %
        store.toggleCompletion(taskNamed(store, "A").id);
        // The surge speaks only after the completion is through, like every boss comment.
        QVERIFY(!store.isDeliveringBossMessage());
        QVERIFY(store.isSurgeActive());
        QCOMPARE(*store.bossAIState().surgeModeUntil, f.clock().now() + 1800);
        QCOMPARE(taskNamed(store, "A").durationMinutes, 30); // completed: kept
        QCOMPARE(taskNamed(store, "B").durationMinutes, 10);
        QCOMPARE(taskNamed(store, "C").durationMinutes, 1);
        QCOMPARE(taskNamed(store, "Z").durationMinutes, 1);
        QCOMPARE(store.moodHeadline(), QStringLiteral("⚡ SURGE MODE"));
        QVERIFY(
            std::any_of(store.chatMessages().cbegin(), store.chatMessages().cend(), [](const ChatMessage& m) {
                return m.content ==
                       QStringLiteral("⚡ SURGE MODE — Vorn halved remaining times in To do for 30 minutes.");
            }));
        QTRY_VERIFY(triggers(f).contains(QStringLiteral("Surge mode activated in To do. All remaining tasks "
                                                        "in this list halved — user must move faster.")));
        QCOMPARE(root, taskNamed(store, "C").sectionID);

        // Expiry: at the end instant the surge is over and the tick clears it.
        f.clock().advance(1800);
        QVERIFY(!store.isSurgeActive());
        store.expireSurgeIfNeeded();
        QVERIFY(!store.bossAIState().surgeModeUntil);
        QVERIFY(!f.database().loadBossAIState().surgeModeUntil);
        store.stopBossAI();
    }
};

VORN_TEST_CLASS(CompletionTest)
#include "completion_test.moc"
