#include "platform/clock.h"

#include <QDateTime>

namespace vorn {

Instant SystemClock::now() const {
    return static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
}

} // namespace vorn
