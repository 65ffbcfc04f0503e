#pragma once

#include "model/records.h"
#include "views/analytics/analytics_text.h"

#include <QList>

class QWidget;

namespace vorn::analytics {

// Estimated against actual minutes of `records`, one dot each, with the line
// on which the two agree.
QWidget* estimateChart(const QList<TaskAnalyticsRecord>& records);

// The share of on-time completions on each of `days`, as bars.
QWidget* onTimeChart(const QList<DayShare>& days);

} // namespace vorn::analytics
