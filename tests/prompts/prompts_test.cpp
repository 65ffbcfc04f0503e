// The context text and the chat transcript. The system prompts around the
// context are checked as the boss request carries them (boss_ai_service_test.cpp).
#include "fixtures/test_main.h"
#include "services/boss_ai_prompts.h"
#include "services/chat_transcript_formatter.h"

#include <QDateTime>
#include <QtTest>

using namespace vorn;

namespace {

// A local wall-clock time on a fixed day (the tests run with TZ=Europe/Berlin).
Instant at(int hour, int minute, int second = 0) {
    return QDateTime(QDate(2024, 3, 5), QTime(hour, minute, second)).toMSecsSinceEpoch() / 1000.0;
}

TaskItem task(const QString& title, qint64 minutes, std::optional<Instant> finish, bool done = false,
              std::optional<Instant> completedAt = std::nullopt) {
    return {newUuid(), title, minutes, done, finish, completedAt, {}, {}};
}

CompletionEvent completion(const QString& title, bool onTime) {
    return CompletionEvent{newUuid(), title, 0, onTime};
}

QString context(const QList<TaskItem>& tasks, const QList<CompletionEvent>& recent = {}) {
    return BossAIPrompts::buildContext(50, ModeProbabilities{}, tasks, std::nullopt, recent,
                                       QStringLiteral("t"), at(12, 0));
}

QString lineAfter(const QString& text, const QString& heading) {
    const QStringList lines = text.split(u'\n');
    return lines.value(lines.indexOf(heading) + 1);
}

} // namespace

class PromptsTest : public QObject {
    Q_OBJECT

private slots:
    void contextOfAWorkedDay() {
        const QList<TaskItem> tasks{
            task(QStringLiteral("Review PR"), 25, at(9, 55)),
            task(QStringLiteral("Write report"), 30, at(9, 30), true, at(9, 25)),
            task(QStringLiteral("Call vendor"), 15, std::nullopt),
        };
        const QString text = BossAIPrompts::buildContext(
            62.9, ModeProbabilities{0, 51.9, 48.1}, tasks, tasks.first(),
            {completion(QStringLiteral("Write report"), true)},
            QStringLiteral("Task completed on time: Write report"), at(9, 40, 59));
        QCOMPARE(text, QStringLiteral(R"(Urgency Score: 62/100
Mode probabilities — Messianic: 0%, Demon: 51%, Normal: 48%
Progress: 1/3 tasks completed
Active task: Review PR (est. 25 min, finish by 09:55)

PENDING TASKS:
1. [PENDING] Review PR — est. 25 min, finish by 09:55
2. [PENDING] Call vendor — est. 15 min, finish by —

COMPLETED TASKS:
1. [DONE] Write report — on time

Recent completions (48h): Write report (on time)
Trigger: Task completed on time: Write report
Current time: 09:40)"));
    }

    void contextOfAnEmptyEveningList() {
        const QString text = BossAIPrompts::buildContext(0, ModeProbabilities{100, 0, 0}, {}, std::nullopt,
                                                         {}, QStringLiteral("Day reset"), at(21, 5));
        QCOMPARE(text, QStringLiteral(R"(Urgency Score: 0/100
Mode probabilities — Messianic: 100%, Demon: 0%, Normal: 0%
Progress: 0/0 tasks completed
No active task.

PENDING TASKS:
None — all done.

COMPLETED TASKS:
None yet.

Recent completions (48h): none
Trigger: Day reset
Current time: 21:05)"));
    }

    void completedTasksAreJudgedByTheirTimes_data() {
        using Time = std::optional<Instant>;
        QTest::addColumn<Time>("finish");
        QTest::addColumn<Time>("completedAt");
        QTest::addColumn<QString>("status");
        QTest::newRow("no completion time") << Time(at(10, 0)) << Time() << "completed";
        QTest::newRow("no finish time") << Time() << Time(at(10, 0)) << "completed";
        QTest::newRow("exactly at finish") << Time(at(10, 0)) << Time(at(10, 0)) << "on time";
        QTest::newRow("a second late") << Time(at(10, 0)) << Time(at(10, 0, 1)) << "late";
    }

    void completedTasksAreJudgedByTheirTimes() {
        QFETCH(std::optional<Instant>, finish);
        QFETCH(std::optional<Instant>, completedAt);
        QFETCH(QString, status);
        const QString text = context({task(QStringLiteral("B"), 5, finish, true, completedAt)});
        QCOMPARE(lineAfter(text, QStringLiteral("COMPLETED TASKS:")),
                 QStringLiteral("1. [DONE] B — ") + status);
    }

    void onlyTheFiveNewestCompletionsAreListed() {
        QList<CompletionEvent> recent;
        for (int i = 1; i <= 7; ++i)
            recent << completion(QStringLiteral("T%1").arg(i), i % 2 == 1);
        const QStringList lines = context({}, recent).split(u'\n');
        QVERIFY(lines.contains(QStringLiteral(
            "Recent completions (48h): T1 (on time), T2 (late), T3 (on time), T4 (late), T5 (on time)")));
    }

    void transcriptListsEachMessageWithSpeakerAndLocalTime() {
        QCOMPARE(ChatTranscriptFormatter::plainText({}), QString());

        const QLocale german(QLocale::German, QLocale::Germany);
        using Role = ChatMessage::Role;
        const QList<ChatMessage> chat{
            {{}, Role::system, QStringLiteral("Imported 3 tasks."), {}, at(8, 59, 30)},
            {{}, Role::user, QStringLiteral("On it.\nReally."), {}, at(9, 5)},
            {{}, Role::boss, QStringLiteral("Prove it."), {}, at(21, 5)}};
        QCOMPARE(ChatTranscriptFormatter::plainText(chat, german),
                 QStringLiteral("[08:59] System\nImported 3 tasks.\n\n"
                                "[09:05] You\nOn it.\nReally.\n\n"
                                "[21:05] Vorn\nProve it.\n"));
    }
};

VORN_TEST_CLASS(PromptsTest)
#include "prompts_test.moc"
