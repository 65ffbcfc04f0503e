#pragma once

#include "platform/instant.h"

#include <QString>

namespace vorn {

// "HH:mm" in the local time zone.
QString formatClockTime(Instant t);
// "yyyy-MM-dd" in the local time zone.
QString formatLocalDate(Instant t);

// "HH:mm" in the local time zone for many instants at once (a prompt that
// lists every task): the zone is read once, when the formatter is made,
// instead of once per instant, which costs a look at the zone file each time.
class ClockTimeFormatter {
public:
    ClockTimeFormatter();
    QString operator()(Instant t) const;
};

} // namespace vorn
