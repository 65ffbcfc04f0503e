// A day from a pasted list in fast-forward: the import, completions on time
// and late, a reopen, the Demon-lock path, a surge forced through the random
// source and the AI estimate, all through the store against the fake proxy.
#include "fixtures/boss_replies.h"
#include "fixtures/store_fixture.h"
#include "services/openai_service.h"

#include <QtTest>

using namespace vorn;
using vorn::test::ScriptedReply;
using vorn::test::StoreFixture;

class ImportDayTest : public QObject {
    Q_OBJECT

private slots:
    void importedDay() {
        StoreFixture f(test::localTime(9, 0));
        test::answerEverything(f.proxy(), QStringLiteral("Onward."));
        f.random().push(0.5); // every draw mid-range unless said otherwise
        TaskStore& store = f.start();
        const auto settle = [&] {
            QCoreApplication::processEvents(); // comments are started once a completion is applied
            QTRY_VERIFY(!store.isDeliveringBossMessage() && !store.isChatLoading());
        };
        const auto idOf = [&](const QString& title) {
            for (const TaskItem& t : store.tasks())
                if (t.title == title)
                    return t.id;
            return QUuid();
        };

        store.replaceFromPaste(
            QStringLiteral("Thursday\n1. Inbox\n2. Deep work\n\t1. Draft\n\t2. Review\n3. Wrap up"));
        store.startBossAI();
        settle();
        QCOMPARE(store.chatMessages().last().mode, BossAIMode::messianic);

        f.clock().set(test::localTime(9, 25)); // Inbox on time (due 9:30)
        store.toggleCompletion(idOf(QStringLiteral("Inbox")));
        QCOMPARE(store.statusMessage(), QStringLiteral("Task done on time. 1 on-time streak."));
        QVERIFY(!store.inMotivationalStartPhase());
        settle();

        f.clock().set(test::localTime(9, 58)); // Draft (from 9:25, 30 min) at 1.1 times: scolded
        QCoro::waitFor(store.checkLateAndNotify());
        settle();
        f.clock().set(test::localTime(10, 10)); // at 1.5 times: escalation, and the lock holds
        QCoro::waitFor(store.checkLateAndNotify());
        settle();
        QVERIFY(store.bossAIState().demonLockActive);
        const double beforeLate = store.bossAIState().urgencyScore;
        store.toggleCompletion(idOf(QStringLiteral("Draft")));
        QCOMPARE(store.bossAIState().urgencyScore, beforeLate - 20);
        QCOMPARE(store.gamification().onTimeStreak, 0);
        settle();

        store.toggleCompletion(idOf(QStringLiteral("Draft"))); // reopened …
        settle();
        f.random().push(0.01); // … and done again, with a surge (watch running, draw under 3 %)
        store.toggleCompletion(idOf(QStringLiteral("Draft")));
        settle();
        QVERIFY(store.isSurgeActive());
        QCOMPARE(store.tasks().at(2).title, QStringLiteral("Review"));
        QCOMPARE(store.tasks().at(2).durationMinutes, 15); // halved within its folder
        QCOMPARE(store.tasks().at(3).durationMinutes, 30); // another list keeps its time
        QCOMPARE(f.database().loadTaskAnalytics().size(), 3);
        QCOMPARE(f.database().recentCompletions(48).size(), 3);
        QCOMPARE(store.gamification().totalCompletions, 4);

        f.proxy().reply(QString::fromLatin1(kChatCompletionPath),
                        ScriptedReply::json(test::completionReply(
                            QStringLiteral(R"({"tasks":[{"task":"a","minutes":5},{"task":"b","minutes":10},)"
                                           R"({"task":"c","minutes":20},{"task":"d","minutes":200}]})"))));
        QCoro::waitFor(store.estimateWithAI());
        QCOMPARE(store.statusMessage(), QStringLiteral("AI estimates applied."));
        QCOMPARE(store.tasks().at(3).durationMinutes, 120);

        // The late finish right after the escalation brings no second scolding.
        const QStringList triggers = test::requestedTriggers(f.proxy());
        QCOMPARE(
            triggers.mid(0, 5),
            (QStringList{
                QStringLiteral("New task list imported: 4 tasks. User has not started yet — motivate them."),
                QStringLiteral("Task completed on time: Inbox. 3 still pending."),
                QStringLiteral("Missed deadline on: Draft. Still not done."),
                QStringLiteral("1.5× overdue on: Draft. Still not done."),
                QStringLiteral("Task marked incomplete again: Draft")}));
        QVERIFY(triggers.contains(QStringLiteral("Surge mode activated in Deep work. All remaining tasks in "
                                                 "this list halved — user must move faster.")));
        store.stopBossAI();
    }
};

QTEST_GUILESS_MAIN(ImportDayTest)
#include "import_day_test.moc"
