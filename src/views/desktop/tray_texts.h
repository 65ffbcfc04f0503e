#pragma once

#include "model/day_glance.h"
#include "model/records.h"

#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

namespace vorn {

// What the tray shows of the day, worded: the tooltip and the task entries of
// its menu. Built from a glance at the day, so it can be checked without a tray.
struct TrayTexts {
    struct Entry {
        QUuid taskID;
        QString text;
    };
    QString tooltip;
    std::optional<Entry> current;
    QList<Entry> next;
};

// "Demon", "Normal", … with "mode": the heading of the tooltip and of a notification.
QString trayModeHeading(std::optional<BossAIMode> mode);
// "25 min left", "1 min left", "5 min over", "due now".
QString minutesLeftText(qint64 minutesLeft);
TrayTexts trayTexts(const DayGlance& day, std::optional<BossAIMode> mode);

} // namespace vorn
