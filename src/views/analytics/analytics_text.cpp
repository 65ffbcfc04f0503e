#include "views/analytics/analytics_text.h"

#include <QDateTime>

#include <cmath>

namespace vorn::analytics {

QString percentText(double fraction) {
    const double percent = std::isfinite(fraction) ? std::round(fraction * 100.0) : 0.0;
    return QString::number(static_cast<qint64>(percent)) + QLatin1Char('%');
}

namespace {

QString wholeMinutes(double minutes) {
    const double whole = std::isfinite(minutes) ? std::trunc(minutes) : 0.0;
    return QString::number(static_cast<qint64>(whole)) + QLatin1Char('m');
}

} // namespace

QList<StatCell> statisticCells(const AnalyticsSummary& summary, const GamificationState& counters) {
    return {
        {QStringLiteral("Completions"), QString::number(summary.totalCount)},
        {QStringLiteral("On-time rate"), percentText(summary.onTimeRate)},
        {QStringLiteral("Avg estimate"), wholeMinutes(summary.averageEstimatedMinutes)},
        {QStringLiteral("Avg actual"), wholeMinutes(summary.averageActualMinutes)},
        {QStringLiteral("Estimate accuracy"), percentText(summary.averageAccuracy)},
        {QStringLiteral("On-time streak"), QString::number(counters.onTimeStreak)},
        {QStringLiteral("Best on-time streak"), QString::number(counters.bestOnTimeStreak)},
        {QStringLiteral("Total completed"), QString::number(counters.totalCompletions)},
    };
}

QString recentDetail(const TaskAnalyticsRecord& record) {
    return QStringLiteral("%1 · est %2m · actual %3m")
        .arg(record.sectionTitle)
        .arg(record.estimatedMinutes)
        .arg(record.actualMinutes);
}

QString verdict(const TaskAnalyticsRecord& record) {
    return record.wasOnTime ? QStringLiteral("on time") : QStringLiteral("late");
}

QList<DayShare> onTimeByDay(const QList<TaskAnalyticsRecord>& records, QDate today, int days) {
    QList<DayShare> shares;
    if (days <= 0 || !today.isValid())
        return shares;
    const QDate first = today.addDays(1 - days);
    for (int i = 0; i < days; ++i)
        shares.append(DayShare{first.addDays(i), 0, 0});
    for (const TaskAnalyticsRecord& record : records) {
        const QDate day =
            QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(record.completedAt * 1000.0)))
                .date();
        const qint64 offset = first.daysTo(day);
        if (offset < 0 || offset >= days)
            continue;
        DayShare& share = shares[offset];
        ++share.completed;
        share.onTime += record.wasOnTime ? 1 : 0;
    }
    return shares;
}

} // namespace vorn::analytics
