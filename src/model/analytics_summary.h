#pragma once

#include "model/records.h"

#include <QList>

namespace vorn {

// What the analytics sheet sums up from the completion records.
struct AnalyticsSummary {
    int totalCount = 0;
    double onTimeRate = 0;
    double averageAccuracy = 0;
    double averageActualMinutes = 0;
    double averageEstimatedMinutes = 0;

    bool operator==(const AnalyticsSummary&) const = default;
};

// The shares and averages over `records`; all zero for none.
AnalyticsSummary summarizeAnalytics(const QList<TaskAnalyticsRecord>& records);

} // namespace vorn
