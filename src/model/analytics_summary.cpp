#include "model/analytics_summary.h"

namespace vorn {

AnalyticsSummary summarizeAnalytics(const QList<TaskAnalyticsRecord>& records) {
    AnalyticsSummary summary;
    if (records.isEmpty())
        return summary;
    const auto n = static_cast<double>(records.size());
    qint64 onTime = 0;
    qint64 actualSum = 0;
    qint64 estimatedSum = 0;
    double accuracySum = 0;
    for (const TaskAnalyticsRecord& r : records) {
        onTime += r.wasOnTime ? 1 : 0;
        actualSum += r.actualMinutes;
        estimatedSum += r.estimatedMinutes;
        // A record without a usable estimate counts, but as 0 accuracy.
        if (r.estimatedMinutes >= 1)
            accuracySum += static_cast<double>(r.actualMinutes) / static_cast<double>(r.estimatedMinutes);
    }
    summary.totalCount = static_cast<int>(records.size());
    summary.onTimeRate = static_cast<double>(onTime) / n;
    summary.averageAccuracy = accuracySum / n;
    summary.averageActualMinutes = static_cast<double>(actualSum) / n;
    summary.averageEstimatedMinutes = static_cast<double>(estimatedSum) / n;
    return summary;
}

} // namespace vorn
