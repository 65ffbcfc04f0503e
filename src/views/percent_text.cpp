#include "views/percent_text.h"

#include <QCoreApplication>

namespace vorn {

QString wholePercentText(qint64 percent) {
    return QCoreApplication::translate("Percent", "%1%", "a whole percentage").arg(percent);
}

} // namespace vorn
