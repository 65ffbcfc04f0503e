#include "views/icons.h"

namespace vorn {

QIcon bundledIcon(const QString& bundledName) {
    return QIcon(QStringLiteral(":/icons/") + bundledName + QStringLiteral(".svg"));
}

QIcon themedIcon(const QString& themeName, const QString& bundledName) {
    return QIcon::fromTheme(themeName, bundledIcon(bundledName));
}

} // namespace vorn
