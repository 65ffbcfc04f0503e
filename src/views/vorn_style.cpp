#include "views/vorn_style.h"

#include "views/icons.h"

namespace vorn {

VornStyle::VornStyle(const QString& baseStyle) : QProxyStyle(baseStyle) {}

QIcon VornStyle::standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const {
    switch (icon) {
    case SP_ToolBarHorizontalExtensionButton:
        return paletteIcon(QStringLiteral("app-toolbar-more"));
    case SP_ToolBarVerticalExtensionButton:
        return paletteIcon(QStringLiteral("app-toolbar-more-down"));
    default:
        return QProxyStyle::standardIcon(icon, option, widget);
    }
}

} // namespace vorn
