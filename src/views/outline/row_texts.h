#pragma once

#include "model/outline_row.h"

#include <QString>

namespace vorn::row_texts {

// What a screen reader reads for one cell of an outline row (`finish` is the
// "HH:mm" shown under "Done", or empty): the title, "Completed" or "Open",
// "30 minutes", "Done by 10:30", the folder's trash button.
QString cellName(const OutlineRow& row, int column, const QString& finish, bool canDelete);
// The whole row in one line, given with every cell: kind, title, minutes,
// finish time and done state.
QString rowDescription(const OutlineRow& row, const QString& finish);
// The title cell's tooltip: the title itself (a long one is cut off in the
// cell), then how Tab and Shift+Tab move the task.
QString titleToolTip(const OutlineRow& row);

} // namespace vorn::row_texts
