#pragma once

#include "platform/instant.h"

#include <QString>

namespace vorn {

// "HH:mm" in the local time zone.
QString formatClockTime(Instant t);
// "yyyy-MM-dd" in the local time zone.
QString formatLocalDate(Instant t);

} // namespace vorn
