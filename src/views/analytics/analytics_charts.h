#pragma once

#include "model/records.h"
#include "views/analytics/analytics_text.h"

#include <QList>
#include <QPalette>

class QWidget;

namespace vorn::analytics {

// Both are drawn by the charts module (vorn-charts.so), loaded on the first
// call; should it be missing, a note saying so stands in the chart's place.

// Estimated against actual minutes of `records`, one dot each, with the line
// on which the two agree. The charts take their surfaces and text from
// `palette` (the dark theme on a dark window).
QWidget* estimateChart(const QList<TaskAnalyticsRecord>& records, const QPalette& palette);

// The share of on-time completions on each of `days`, as bars.
QWidget* onTimeChart(const QList<DayShare>& days, const QPalette& palette);

} // namespace vorn::analytics
