#include "model/outline_row.h"

namespace vorn {

QString OutlineRow::id() const {
    if (isTask())
        return QStringLiteral("task:") + uuidText(task().id);
    return QStringLiteral("section:") + uuidText(section().id);
}

} // namespace vorn
