#include "views/analytics/chart_module.h"

#include "views/readable_colors.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCoreApplication>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>

#include <algorithm>

namespace vorn::analytics {

namespace {

// The sheet's words, under one translation context.
struct AnalyticsWords {
    Q_DECLARE_TR_FUNCTIONS(Analytics)
};

QChart* newChart(const QPalette& palette) {
    auto* chart = new QChart;
    chart->setTheme(readable::isDark(palette) ? QChart::ChartThemeDark : QChart::ChartThemeLight);
    chart->setBackgroundBrush(palette.color(QPalette::Base));
    chart->setBackgroundPen(QPen(palette.color(QPalette::Mid)));
    chart->legend()->setLabelColor(palette.color(QPalette::Text));
    return chart;
}

// Axis text in the palette's colours; grid lines a step off the background.
void followPalette(QAbstractAxis* axis, const QPalette& palette) {
    axis->setLabelsColor(palette.color(QPalette::Text));
    axis->setTitleBrush(palette.color(QPalette::Text));
    axis->setLinePenColor(palette.color(QPalette::Mid));
    axis->setGridLineColor(palette.color(QPalette::Midlight));
}

QChartView* viewOf(QChart* chart) {
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->setBackgroundRoundness(6);
    chart->legend()->setAlignment(Qt::AlignBottom);
    auto* view = new QChartView(chart);
    view->setRenderHint(QPainter::Antialiasing);
    return view;
}

QValueAxis* minutesAxis(const QString& title, double top) {
    auto* axis = new QValueAxis;
    axis->setTitleText(title);
    axis->setRange(0, top);
    axis->setLabelFormat(QStringLiteral("%d"));
    axis->applyNiceNumbers();
    return axis;
}

} // namespace

QWidget* drawEstimateChart(const QList<TaskAnalyticsRecord>& records, const QPalette& palette) {
    QChart* chart = newChart(palette);
    auto* onTime = new QScatterSeries;
    onTime->setName(AnalyticsWords::tr("on time"));
    onTime->setColor(QColor(0x2e, 0xb8, 0x4f));
    onTime->setMarkerSize(9);
    auto* late = new QScatterSeries;
    late->setName(AnalyticsWords::tr("late"));
    late->setColor(QColor(0xff, 0x8c, 0x00));
    late->setMarkerSize(9);
    double top = 10;
    for (const TaskAnalyticsRecord& record : records) {
        const QPointF point(static_cast<double>(record.estimatedMinutes),
                            static_cast<double>(record.actualMinutes));
        (record.wasOnTime ? onTime : late)->append(point);
        top = std::max({top, point.x(), point.y()});
    }
    top *= 1.1;
    auto* even = new QLineSeries;
    even->setName(AnalyticsWords::tr("as estimated"));
    even->append(0, 0);
    even->append(top, top);
    QPen dashed(palette.color(QPalette::PlaceholderText));
    dashed.setStyle(Qt::DashLine);
    even->setPen(dashed);

    chart->addSeries(even);
    chart->addSeries(onTime);
    chart->addSeries(late);
    QValueAxis* x = minutesAxis(AnalyticsWords::tr("estimated minutes"), top);
    QValueAxis* y = minutesAxis(AnalyticsWords::tr("actual minutes"), top);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    followPalette(x, palette);
    followPalette(y, palette);
    for (QAbstractSeries* series : chart->series()) {
        series->attachAxis(x);
        series->attachAxis(y);
    }
    return viewOf(chart);
}

QWidget* drawOnTimeChart(const QList<DayShare>& days, const QPalette& palette) {
    QChart* chart = newChart(palette);
    auto* share = new QBarSet(AnalyticsWords::tr("on time (%)"));
    share->setColor(QColor(0x2e, 0xb8, 0x4f));
    QStringList labels;
    for (const DayShare& day : days) {
        *share << day.onTimePercent();
        labels << day.day.toString(QStringLiteral("d"));
    }
    auto* series = new QBarSeries;
    series->append(share);
    chart->addSeries(series);
    auto* x = new QBarCategoryAxis;
    x->append(labels);
    x->setTitleText(AnalyticsWords::tr("day of the month"));
    auto* y = new QValueAxis;
    y->setRange(0, 100);
    y->setLabelFormat(QStringLiteral("%d%%"));
    y->setTitleText(AnalyticsWords::tr("completed on time"));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    followPalette(x, palette);
    followPalette(y, palette);
    chart->legend()->hide();
    series->attachAxis(x);
    series->attachAxis(y);
    return viewOf(chart);
}

} // namespace vorn::analytics

// The module's entry points, the only names it exports.
extern "C" Q_DECL_EXPORT QWidget* vorn_estimate_chart(const QList<vorn::TaskAnalyticsRecord>& records,
                                                      const QPalette& palette) {
    return vorn::analytics::drawEstimateChart(records, palette);
}

extern "C" Q_DECL_EXPORT QWidget* vorn_on_time_chart(const QList<vorn::analytics::DayShare>& days,
                                                     const QPalette& palette) {
    return vorn::analytics::drawOnTimeChart(days, palette);
}
