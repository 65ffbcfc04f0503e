#pragma once

// The charts of the analytics sheet, built as a module of their own
// (vorn-charts.so) so that Qt Charts and the OpenGL libraries it pulls in are
// loaded when the sheet first shows a chart, not at every start.

#include "model/records.h"
#include "views/analytics/analytics_text.h"

#include <QList>
#include <QPalette>

class QWidget;

namespace vorn::analytics {

inline constexpr char kChartModuleFile[] = "vorn-charts.so";
inline constexpr char kEstimateChartSymbol[] = "vorn_estimate_chart";
inline constexpr char kOnTimeChartSymbol[] = "vorn_on_time_chart";

using EstimateChartFunction = QWidget* (*)(const QList<TaskAnalyticsRecord>&, const QPalette&);
using OnTimeChartFunction = QWidget* (*)(const QList<DayShare>&, const QPalette&);

// Inside the module: the charts themselves.
QWidget* drawEstimateChart(const QList<TaskAnalyticsRecord>& records, const QPalette& palette);
QWidget* drawOnTimeChart(const QList<DayShare>& days, const QPalette& palette);

} // namespace vorn::analytics
