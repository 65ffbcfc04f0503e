#pragma once

#include <QIcon>
#include <QString>

namespace vorn {

// An icon from the desktop's theme when it has `themeName`, else Vorn's own
// drawing ":/icons/<bundledName>.svg" from the resources.
QIcon themedIcon(const QString& themeName, const QString& bundledName);
// Vorn's own drawing only (for pictures no theme has).
QIcon bundledIcon(const QString& bundledName);

} // namespace vorn
