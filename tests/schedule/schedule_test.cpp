#include "fixtures/test_main.h"
#include "model/schedule.h"

#include <QDateTime>
#include <QTest>

#include <cmath>
#include <limits>

using namespace vorn;
using Finishes = QList<std::optional<Instant>>;

namespace {

// A local wall-clock time on a fixed day.
Instant at(int hour, int minute) {
    return QDateTime(QDate(2025, 3, 10), QTime(hour, minute)).toMSecsSinceEpoch() / 1000.0;
}

TaskItem openTask(qint64 minutes, const QUuid& section = {}) {
    return {newUuid(), QString(), minutes, false, {}, {}, section, {}};
}

TaskItem doneTask(std::optional<Instant> completedAt, std::optional<Instant> finishTime = {}) {
    return {newUuid(), QString(), 30, true, finishTime, completedAt, {}, {}};
}

Finishes finishesOf(QList<TaskItem> tasks, Instant start = at(9, 0)) {
    schedule::recalculateFinishTimes(tasks, start);
    Finishes out;
    for (const TaskItem& t : tasks)
        out << t.finishTime;
    return out;
}

} // namespace

class ScheduleTest : public QObject {
    Q_OBJECT

private slots:
    void finishTimesRunFromTheLatestEnd() {
        QCOMPARE(finishesOf({openTask(30), openTask(0), openTask(45), openTask(-5)}),
                 (Finishes{at(9, 30), at(9, 31), at(10, 16), at(10, 17)}));
        QCOMPARE(finishesOf({doneTask(at(9, 50)), openTask(20)}), (Finishes{at(9, 50), at(10, 10)}));
        QCOMPARE(finishesOf({doneTask(at(9, 10)), openTask(20)}), (Finishes{at(9, 10), at(9, 30)}));
        QCOMPARE(finishesOf({doneTask(at(8, 50)), openTask(20)}), (Finishes{at(8, 50), at(9, 20)}));
        QCOMPARE(finishesOf({doneTask({}, at(9, 40)), openTask(20)}), (Finishes{at(9, 40), at(10, 0)}));
        QCOMPARE(finishesOf({doneTask({}), openTask(20)}), (Finishes{at(9, 0), at(9, 20)}));
        QVERIFY(*finishesOf({openTask(std::numeric_limits<qint64>::max()), openTask(1)}, 0).last() > 5e20);

        QList<TaskItem> tasks{openTask(10), doneTask(at(9, 5))};
        QVERIFY(schedule::recalculateFinishTimes(tasks, at(9, 0)));
        QVERIFY(!schedule::recalculateFinishTimes(tasks, at(9, 0)));
    }

    void startIsTheImmediatePredecessorsEnd() {
        QList<TaskItem> tasks{doneTask(at(10, 0)), doneTask(at(9, 30)), openTask(15), openTask(15)};
        schedule::recalculateFinishTimes(tasks, at(9, 0));
        QCOMPARE(schedule::taskStartTime(tasks, tasks[0].id, at(9, 0)), at(9, 0));
        QCOMPARE(schedule::taskStartTime(tasks, tasks[2].id, at(9, 0)), at(9, 30)); // not the 10:00 cursor
        QCOMPARE(schedule::taskStartTime(tasks, tasks[3].id, at(9, 0)), at(10, 15));
        QCOMPARE(schedule::taskStartTime(tasks, newUuid(), at(9, 0)), at(9, 0));
    }

    void sectionFinishIsTheLatestInItsSubtree() {
        Workspace ws;
        const QUuid root = newUuid(), sub = newUuid(), empty = newUuid();
        ws.sections = {{root, "To do", {}, 0, {}}, {sub, "Sub", root, 0, {}}, {empty, "Empty", root, 1, {}}};
        ws.tasks = {openTask(30, sub), openTask(10, root), openTask(10, sub)};
        QCOMPARE(schedule::sectionFinishTime(ws, root), std::nullopt);
        schedule::recalculateFinishTimes(ws.tasks, at(9, 0));
        QCOMPARE(schedule::sectionFinishTime(ws, root), at(9, 50));
        QCOMPARE(schedule::sectionFinishTime(ws, sub), at(9, 50));
        QCOMPARE(schedule::sectionFinishTime(ws, empty), std::nullopt);
    }

    void parseDuration_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("minutes"); // -1: no result
        const qint64 max = std::numeric_limits<qint64>::max();
        // clang-format off
        const QList<std::pair<QString, qint64>> cases{
            {"90", 90}, {" 1H 30M \n", 90}, {"2h", 120}, {"1 h", 60}, {"1h30m", 90}, {"90 m", 90},
            {"0", 1}, {"0m", 1}, {"0h", 1}, {"-5", 1}, {"+45", 45}, {"1\u00a0h", 60},
            {"1h30", -1}, {"abc", -1}, {"", -1}, {" \t\n", -1}, {"1.5h", -1}, {"30min", -1},
            {"2 hours", -1}, {"1:30", -1}, {"+", -1}, {"+5m", -1},
            {"\u0663", -1}, {"\u0663m", -1}, {"1h\u0663m", -1},
            {"99999999999999999999", -1}, {"-9223372036854775809", -1}, {"-9223372036854775808", 1},
            {"9223372036854775807", max}, {"153722867280912931h", -1},
            {"153722867280912930h7m", max}, {"153722867280912930h8m", -1}, {"99999999999999999999m", -1}};
        // clang-format on
        for (const auto& [text, minutes] : cases)
            QTest::newRow(qPrintable(text)) << text << minutes;
    }

    void parseDuration() {
        QFETCH(QString, text);
        QFETCH(qint64, minutes);
        QCOMPARE(TimeCalculator::parseDurationInput(text).value_or(-1), minutes);
    }

    void countdown() {
        QCOMPARE(TimeCalculator::formatRemaining(59.9), QString("0:59 left"));
        QCOMPARE(TimeCalculator::formatRemaining(1799.6), QString("29:59 left"));
        QCOMPARE(TimeCalculator::formatRemaining(3600), QString("60:00 left"));
        QCOMPARE(TimeCalculator::formatRemaining(-61), QString("0:00 left"));
        QCOMPARE(TimeCalculator::formatRemaining(std::nan("")), QString("0:00 left"));
        QCOMPARE(TimeCalculator::formatRemaining(1e300), QString("153722867280912930:07 left"));
        QCOMPARE(TimeCalculator::surgeRemaining(at(9, 30), at(9, 0)), std::optional<double>(1800));
        QCOMPARE(TimeCalculator::surgeRemaining(at(9, 0), at(9, 0)), std::nullopt);
        QCOMPARE(TimeCalculator::surgeRemaining(std::nullopt, at(9, 0)), std::nullopt);
    }
};

VORN_TEST_CLASS(ScheduleTest)
#include "schedule_test.moc"
