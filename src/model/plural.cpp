#include "model/plural.h"

namespace vorn {

QString counted(qint64 count, const QString& singular, const QString& plural) {
    return QString::number(count) + QLatin1Char(' ') + (count == 1 ? singular : plural);
}

} // namespace vorn
