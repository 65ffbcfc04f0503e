#pragma once

#include "model/analytics_summary.h"
#include "model/records.h"

#include <QDate>
#include <QList>
#include <QString>

// What the analytics sheet writes: the statistic cells, the lines of the
// recent completions and the per-day on-time share. Pure.
namespace vorn::analytics {

// A fraction as a whole percentage, halves away from zero: 0.665 → "67%".
QString percentText(double fraction);

struct StatCell {
    QString caption;
    QString value;

    bool operator==(const StatCell&) const = default;
};

// The eight cells, in the order the sheet shows them. The streaks and the
// total come from the store's counters, the rest from the records.
QList<StatCell> statisticCells(const AnalyticsSummary& summary, const GamificationState& counters);

// How many of the newest records the sheet lists.
inline constexpr qsizetype kRecentLimit = 50;

// "Errands · est 30m · actual 45m": the second line of a listed completion,
// before its verdict ("on time" or "late").
QString recentDetail(const TaskAnalyticsRecord& record);
QString verdict(const TaskAnalyticsRecord& record);

struct DayShare {
    QDate day;
    int completed = 0;
    int onTime = 0;

    // Percent of the day's completions that were on time; 0 for a day without any.
    double onTimePercent() const { return completed > 0 ? 100.0 * onTime / completed : 0.0; }
    bool operator==(const DayShare&) const = default;
};

// The last `days` local days up to and including `today`, oldest first, with
// the completions of each (by local completion date).
QList<DayShare> onTimeByDay(const QList<TaskAnalyticsRecord>& records, QDate today, int days = 14);

} // namespace vorn::analytics
