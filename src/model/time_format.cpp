#include "model/time_format.h"

#include <QDateTime>

#include <cmath>
#include <ctime>

namespace vorn {

namespace {
QDateTime localDateTime(Instant t) {
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(t * 1000.0)));
}

QString hoursAndMinutes(int hours, int minutes) {
    const char text[] = {char('0' + hours / 10), char('0' + hours % 10), ':', char('0' + minutes / 10),
                         char('0' + minutes % 10)};
    return QString::fromLatin1(text, sizeof text);
}
} // namespace

QString formatClockTime(Instant t) {
    return ClockTimeFormatter()(t);
}

QString formatLocalDate(Instant t) {
    return localDateTime(t).toString(QStringLiteral("yyyy-MM-dd"));
}

ClockTimeFormatter::ClockTimeFormatter() {
    tzset(); // the zone as it is now, should the user have changed it
}

QString ClockTimeFormatter::operator()(Instant t) const {
    // Whole seconds toward the past, as a clock shows them.
    const qint64 ms = static_cast<qint64>(std::llround(t * 1000.0));
    const auto seconds = static_cast<std::time_t>(ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000));
    std::tm local{};
    if (!localtime_r(&seconds, &local))
        return localDateTime(t).toString(QStringLiteral("HH:mm"));
    return hoursAndMinutes(local.tm_hour, local.tm_min);
}

} // namespace vorn
