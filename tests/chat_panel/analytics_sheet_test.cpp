// The analytics sheet's cells and list for stored completion records.
#include "fixtures/store_fixture.h"
#include "views/analytics/analytics_sheet.h"
#include "views/analytics/analytics_text.h"

#include <QListWidget>
#include <QTabWidget>
#include <QtTest>

using namespace vorn;

namespace {

struct Done {
    qint64 estimated;
    qint64 actual;
    bool onTime;
};

void record(DatabaseService& db, const QList<Done>& done, Instant newest) {
    for (qsizetype i = 0; i < done.size(); ++i) {
        TaskAnalyticsRecord r;
        r.id = newUuid();
        r.taskID = newUuid();
        r.taskTitle = QStringLiteral("Task %1").arg(i);
        r.sectionTitle = QStringLiteral("Errands");
        r.estimatedMinutes = done.at(i).estimated;
        r.actualMinutes = done.at(i).actual;
        r.wasOnTime = done.at(i).onTime;
        r.completedAt = newest - 600.0 * static_cast<double>(done.size() - 1 - i);
        QVERIFY(db.recordTaskAnalytics(r));
    }
}

} // namespace

class AnalyticsSheetTest : public QObject {
    Q_OBJECT

private slots:
    void cells_data() {
        QTest::addColumn<QList<Done>>("done");
        QTest::addColumn<QStringList>("values"); // the eight cells in order
        QTest::addColumn<int>("listed");
        QTest::newRow("no records") << QList<Done>{}
                                    << QStringList{"0", "0%", "0m", "0m", "0%", "3", "5", "7"} << 0;
        QTest::newRow("30 estimated, 45 taken")
            << QList<Done>{{30, 45, false}} << QStringList{"1", "0%", "30m", "45m", "150%", "3", "5", "7"}
            << 1;
        QTest::newRow("2 of 3 on time, one unestimated")
            << QList<Done>{{10, 5, true}, {0, 7, true}, {20, 31, false}}
            << QStringList{"3", "67%", "10m", "14m", "68%", "3", "5", "7"} << 3;
        QList<Done> sixty(60, Done{15, 15, true});
        QTest::newRow("60 records, 50 listed")
            << sixty << QStringList{"60", "100%", "15m", "15m", "100%", "3", "5", "7"} << 50;
    }
    void cells() {
        QFETCH(QList<Done>, done);
        QFETCH(QStringList, values);
        QFETCH(int, listed);
        test::StoreFixture f(test::localTime(18, 0));
        record(f.openDatabase(), done, test::localTime(17, 0));
        TaskStore& store = f.start();
        store.boss().setGamification({3, 5, 7}); // the counters, not the records, give the streaks

        AnalyticsSheet sheet(store);
        const QStringList captions{"Completions",         "On-time rate",      "Avg estimate",
                                   "Avg actual",          "Estimate accuracy", "On-time streak",
                                   "Best on-time streak", "Total completed"};
        QStringList shown;
        for (const QString& caption : captions)
            shown << sheet.cellValue(caption);
        QCOMPARE(shown, values);
        QCOMPARE(sheet.recentList()->count(), listed);
        if (listed > 0) {
            // Newest first.
            QCOMPARE(sheet.recentList()->item(0)->text(),
                     QStringLiteral("Task %1\nErrands · est %2m · actual %3m · %4")
                         .arg(done.size() - 1)
                         .arg(done.last().estimated)
                         .arg(done.last().actual)
                         .arg(done.last().onTime ? QStringLiteral("on time") : QStringLiteral("late")));
        }
        sheet.show();
        sheet.tabs()->setCurrentIndex(1); // the charts build without complaint on any data
        sheet.tabs()->setCurrentIndex(2);
    }

    void percentsAndTheOnTimeShareByLocalDay() {
        QCOMPARE(analytics::percentText(0.125), QStringLiteral("13%"));  // halves round away from zero
        QCOMPARE(analytics::percentText(qQNaN()), QStringLiteral("0%")); // nothing to divide by

        // Late evening in Berlin is the same local day even where UTC has moved on.
        const QDate today(2026, 3, 2);
        const auto at = [](QDate day, int hour, int minute) {
            return static_cast<Instant>(QDateTime(day, QTime(hour, minute)).toMSecsSinceEpoch()) / 1000.0;
        };
        QList<TaskAnalyticsRecord> records(4);
        records[0].completedAt = at(today, 23, 50);
        records[0].wasOnTime = true;
        records[1].completedAt = at(today, 0, 10);
        records[2].completedAt = at(today.addDays(-13), 12, 0);
        records[2].wasOnTime = true;
        records[3].completedAt = at(today.addDays(-14), 12, 0); // outside the fortnight
        const QList<analytics::DayShare> days = analytics::onTimeByDay(records, today);
        QCOMPARE(days.size(), 14);
        QCOMPARE(days.first(), (analytics::DayShare{today.addDays(-13), 1, 1}));
        QCOMPARE(days.last(), (analytics::DayShare{today, 2, 1}));
        QCOMPARE(days.last().onTimePercent(), 50.0);
        QCOMPARE(days.at(5).completed, 0);
    }
};

QTEST_MAIN(AnalyticsSheetTest)
#include "analytics_sheet_test.moc"
