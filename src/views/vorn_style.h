#pragma once

#include <QProxyStyle>

namespace vorn {

// The desktop's style with Vorn's own drawing where Qt's falls short: the
// toolbar's overflow chevrons. Qt's are dark bitmaps that vanish on a dark
// palette, and reading the first of them loads every image-format plugin
// while the window is being built. Vorn's are drawn in the palette's ink.
class VornStyle : public QProxyStyle {
public:
    // `baseStyle`: a key of QStyleFactory ("Fusion", ...).
    explicit VornStyle(const QString& baseStyle);

    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

} // namespace vorn
