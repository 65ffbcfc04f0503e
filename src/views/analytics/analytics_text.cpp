#include "views/analytics/analytics_text.h"

#include "views/percent_text.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cmath>

namespace vorn::analytics {

QString percentText(double fraction) {
    const double percent = std::isfinite(fraction) ? std::round(fraction * 100.0) : 0.0;
    return wholePercentText(static_cast<qint64>(percent));
}

namespace {

// The sheet's words, under one translation context.
struct AnalyticsWords {
    Q_DECLARE_TR_FUNCTIONS(Analytics)
};

QString wholeMinutes(double minutes) {
    const double whole = std::isfinite(minutes) ? std::trunc(minutes) : 0.0;
    return AnalyticsWords::tr("%1m").arg(static_cast<qint64>(whole));
}

} // namespace

QList<StatCell> statisticCells(const AnalyticsSummary& summary, const GamificationState& counters) {
    return {
        {AnalyticsWords::tr("Completions"), QString::number(summary.totalCount)},
        {AnalyticsWords::tr("On-time rate"), percentText(summary.onTimeRate)},
        {AnalyticsWords::tr("Avg estimate"), wholeMinutes(summary.averageEstimatedMinutes)},
        {AnalyticsWords::tr("Avg actual"), wholeMinutes(summary.averageActualMinutes)},
        {AnalyticsWords::tr("Estimate accuracy"), percentText(summary.averageAccuracy)},
        {AnalyticsWords::tr("On-time streak"), QString::number(counters.onTimeStreak)},
        {AnalyticsWords::tr("Best on-time streak"), QString::number(counters.bestOnTimeStreak)},
        {AnalyticsWords::tr("Total completed"), QString::number(counters.totalCompletions)},
    };
}

QString recentDetail(const TaskAnalyticsRecord& record) {
    return AnalyticsWords::tr("%1 · est %2m · actual %3m")
        .arg(record.sectionTitle)
        .arg(record.estimatedMinutes)
        .arg(record.actualMinutes);
}

QString verdict(const TaskAnalyticsRecord& record) {
    return record.wasOnTime ? AnalyticsWords::tr("on time") : AnalyticsWords::tr("late");
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
