#pragma once

#include "model/records.h"

#include <QIcon>

#include <optional>

namespace vorn {

// Vorn's icon with a badge in the colour of the mode, for the tray: green
// for Normal, red for Demon, gold for Messianic.
QIcon modeBadgeIcon(std::optional<BossAIMode> mode);

} // namespace vorn
