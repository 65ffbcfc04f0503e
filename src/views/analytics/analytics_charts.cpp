#include "views/analytics/analytics_charts.h"

#include "platform/runtime_module.h"
#include "views/analytics/chart_module.h"

#include <QCoreApplication>
#include <QLabel>

namespace vorn::analytics {

namespace {

// Said in the chart's place when the charts module cannot be loaded.
QWidget* missingChart(const QString& why) {
    auto* note =
        new QLabel(QCoreApplication::translate("Analytics", "The charts cannot be shown: %1").arg(why));
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignCenter);
    return note;
}

template <typename Function> Function chartFunction(const char* symbol, QString* why) {
    return reinterpret_cast<Function>(
        resolveModuleFunction(QString::fromLatin1(kChartModuleFile), symbol, why));
}

} // namespace

QWidget* estimateChart(const QList<TaskAnalyticsRecord>& records, const QPalette& palette) {
    QString why;
    if (const auto draw = chartFunction<EstimateChartFunction>(kEstimateChartSymbol, &why))
        return draw(records, palette);
    return missingChart(why);
}

QWidget* onTimeChart(const QList<DayShare>& days, const QPalette& palette) {
    QString why;
    if (const auto draw = chartFunction<OnTimeChartFunction>(kOnTimeChartSymbol, &why))
        return draw(days, palette);
    return missingChart(why);
}

} // namespace vorn::analytics
