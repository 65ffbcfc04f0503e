// Clock times in the local zone, one at a time or many with one look at the
// zone (the tests run with TZ=Europe/Berlin).
#include "fixtures/test_main.h"
#include "model/time_format.h"

#include <QDateTime>
#include <QtTest>

using namespace vorn;

namespace {

Instant utc(int year, int month, int day, int hour, int minute, double seconds = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute), Qt::UTC).toSecsSinceEpoch() + seconds;
}

// Only the environment: the C library reads it again when asked to.
void setZone(const char* zone) {
    qputenv("TZ", zone);
}

} // namespace

class TimeFormatTest : public QObject {
    Q_OBJECT

private slots:
    void clockTimesAgreeWithQt_data() {
        QTest::addColumn<double>("instant");
        QTest::addColumn<QString>("shown");
        QTest::newRow("winter") << utc(2024, 3, 5, 8, 30) << "09:30";
        QTest::newRow("last second before spring forward") << utc(2024, 3, 31, 0, 59, 59) << "01:59";
        QTest::newRow("spring forward") << utc(2024, 3, 31, 1, 0) << "03:00";
        QTest::newRow("last minute of summer time") << utc(2024, 10, 27, 0, 59) << "02:59";
        QTest::newRow("fall back") << utc(2024, 10, 27, 1, 0) << "02:00";
        QTest::newRow("a rounded millisecond reaches the next minute")
            << utc(2024, 3, 5, 8, 30, 59.9996) << "09:31";
        QTest::newRow("before 1970") << -0.5 << "00:59";
        QTest::newRow("the epoch") << 0.0 << "01:00";
    }

    void clockTimesAgreeWithQt() {
        QFETCH(double, instant);
        QFETCH(QString, shown);
        const QString qts = QDateTime::fromMSecsSinceEpoch(qint64(std::llround(instant * 1000.0)))
                                .toString(QStringLiteral("HH:mm"));
        QCOMPARE(qts, shown);
        QCOMPARE(formatClockTime(instant), shown);
        const ClockTimeFormatter clock;
        QCOMPARE(clock(instant), shown);
    }

    void aNewFormatterSeesAChangedZone() {
        const Instant noon = utc(2024, 3, 5, 12, 0);
        QCOMPARE(ClockTimeFormatter()(noon), QStringLiteral("13:00"));
        setZone("Asia/Kolkata");
        QCOMPARE(ClockTimeFormatter()(noon), QStringLiteral("17:30"));
        setZone("Europe/Berlin");
        QCOMPARE(formatClockTime(noon), QStringLiteral("13:00"));
    }
};

VORN_TEST_CLASS(TimeFormatTest)
#include "time_format_test.moc"
