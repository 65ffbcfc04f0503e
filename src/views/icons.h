#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace vorn {

// An icon from the desktop's theme when it has `themeName`, else Vorn's own
// drawing (paletteIcon below).
QIcon themedIcon(const QString& themeName, const QString& bundledName);
// Vorn's drawing ":/icons/<bundledName>.svg"; a drawing in the neutral ink of
// the toolbar is drawn in the palette's button text instead, following each
// change of the application palette.
QIcon paletteIcon(const QString& bundledName);
// Vorn's own drawing only (for pictures no theme has).
QIcon bundledIcon(const QString& bundledName);

// The SVG drawing at `svgPath` in exactly the device pixels of `size` (or
// fewer in one direction, keeping its proportions), transparent around it;
// null when there is no such drawing. Each file is read once per run.
QPixmap drawingPixmap(const QString& svgPath, const QSize& size);
// drawingPixmap() of Vorn's drawing ":/icons/<bundledName>.svg".
QPixmap bundledPixmap(const QString& bundledName, const QSize& size);

} // namespace vorn
