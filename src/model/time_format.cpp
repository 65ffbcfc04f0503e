#include "model/time_format.h"

#include <QDateTime>

#include <cmath>

namespace vorn {

namespace {
QDateTime localDateTime(Instant t) {
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(t * 1000.0)));
}
} // namespace

QString formatClockTime(Instant t) {
    return localDateTime(t).toString(QStringLiteral("HH:mm"));
}

QString formatLocalDate(Instant t) {
    return localDateTime(t).toString(QStringLiteral("yyyy-MM-dd"));
}

} // namespace vorn
