// The context text. The system prompts around the context are checked as the
// boss request carries them (boss_ai_service_test.cpp).
#include "fixtures/test_main.h"
#include "services/boss_ai_prompts.h"

#include <QDateTime>
#include <QRegularExpression>
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
            {CompletionEvent{newUuid(), QStringLiteral("Write report"), 0, true}},
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

    void contextLines_data() {
        using Time = std::optional<Instant>;
        QTest::addColumn<QList<TaskItem>>("tasks");
        QTest::addColumn<int>("recent");    // completions, newest first, every other one late
        QTest::addColumn<QString>("above"); // the line just above; empty: anywhere
        QTest::addColumn<QString>("line");
        const auto done = [](Time finish, Time completedAt) {
            return QList<TaskItem>{task(QStringLiteral("B"), 5, finish, true, completedAt)};
        };
        const QString completed = QStringLiteral("COMPLETED TASKS:");
        QTest::newRow("no completion time")
            << done(at(10, 0), {}) << 0 << completed << "1. [DONE] B — completed";
        QTest::newRow("no finish time") << done({}, at(10, 0)) << 0 << completed << "1. [DONE] B — completed";
        QTest::newRow("exactly at finish")
            << done(at(10, 0), at(10, 0)) << 0 << completed << "1. [DONE] B — on time";
        QTest::newRow("a second late")
            << done(at(10, 0), at(10, 0, 1)) << 0 << completed << "1. [DONE] B — late";
        QTest::newRow("nothing pending") << QList<TaskItem>() << 0 << "PENDING TASKS:"
                                         << "None — all done.";
        QTest::newRow("nothing completed") << QList<TaskItem>() << 0 << completed << "None yet.";
        QTest::newRow("the five newest")
            << QList<TaskItem>() << 7 << QString()
            << "Recent completions (48h): T1 (on time), T2 (late), T3 (on time), "
               "T4 (late), T5 (on time)";
        QTest::newRow("evening") << QList<TaskItem>() << 0 << QString() << "Current time: 21:05";
    }

    void contextLines() {
        QFETCH(QList<TaskItem>, tasks);
        QFETCH(int, recent);
        QFETCH(QString, above);
        QFETCH(QString, line);
        QList<CompletionEvent> events;
        for (int i = 1; i <= recent; ++i)
            events << CompletionEvent{newUuid(), QStringLiteral("T%1").arg(i), 0, i % 2 == 1};
        const QStringList lines = BossAIPrompts::buildContext(50, ModeProbabilities{}, tasks, std::nullopt,
                                                              events, QStringLiteral("t"), at(21, 5))
                                      .split(u'\n');
        const qsizetype found = lines.indexOf(line);
        QVERIFY2(found >= 0, qPrintable(lines.join(u'\n')));
        if (!above.isEmpty())
            QCOMPARE(lines.value(found - 1), above);
    }

    // A request over the proxy's 256 KiB is refused, and with it every word of
    // the boss; the context keeps to a size whatever the day holds.
    void contextKeepsWithinTheProxyLimit() {
        QList<TaskItem> day;
        for (int i = 1; i <= 1000; ++i)
            day << task(QStringLiteral("Task %1").arg(i), 30, at(9, 0), i <= 10, at(8, 0));
        const QString whole = BossAIPrompts::buildContext(0, ModeProbabilities{}, day, std::nullopt, {},
                                                          QStringLiteral("t"), 0);
        QVERIFY(whole.contains(QStringLiteral("\n990. [PENDING] Task 1000 — est. 30 min")));
        QVERIFY(!whole.contains(QStringLiteral(" more task")));

        // Thousands of long titles, some pending, some done, and one pasted a page long.
        const QString page = QString(u'ä').repeated(300'000);
        QList<TaskItem> pasted{task(page, 30, at(9, 0)), task(page, 30, at(9, 0), true, at(8, 0))};
        for (int i = 0; i < 6000; ++i)
            pasted << task(QStringLiteral("Step %1 ").arg(i) + QString(u'x').repeated(120), 30, at(9, 0),
                           i % 2);
        const QString text =
            BossAIPrompts::buildContext(0, ModeProbabilities{}, pasted, pasted.first(),
                                        {CompletionEvent{newUuid(), page, 0, true}}, QStringLiteral("t"), 0);
        QVERIFY2(text.toUtf8().size() < 180 * 1024, QByteArray::number(text.toUtf8().size()));
        QVERIFY(text.contains(QStringLiteral("Progress: 3001/6002 tasks completed")));
        const QString cutTitle = page.left(499) + QChar(0x2026);
        QVERIFY(text.contains(QStringLiteral("Active task: ") + cutTitle + QStringLiteral(" (est. 30 min")));
        QVERIFY(text.contains(QStringLiteral("\n1. [DONE] ") + cutTitle + QStringLiteral(" — on time")));
        QVERIFY(text.contains(QStringLiteral("Recent completions (48h): ") + cutTitle +
                              QStringLiteral(" (on time)")));
        // Every task is either listed or counted, in order.
        const QStringList lines = text.split(u'\n');
        for (const QString& section :
             {QStringLiteral("PENDING TASKS:"), QStringLiteral("COMPLETED TASKS:")}) {
            qsizetype i = lines.indexOf(section) + 1;
            qsizetype listed = 0;
            while (lines.value(i).startsWith(QString::number(listed + 1) + QStringLiteral(". [")))
                ++listed, ++i;
            static const QRegularExpression more(QStringLiteral("^… and (\\d+) more tasks$"));
            const QRegularExpressionMatch m = more.match(lines.value(i));
            QVERIFY2(m.hasMatch(), qPrintable(section + QStringLiteral(": ") + lines.value(i)));
            QVERIFY(listed > 100);
            QCOMPARE(listed + m.captured(1).toLongLong(), 3001);
        }
    }
};

VORN_TEST_CLASS(PromptsTest)
#include "prompts_test.moc"
