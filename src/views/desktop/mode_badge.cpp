#include "views/desktop/mode_badge.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace vorn {

namespace {

QColor badgeColor(BossAIMode mode) {
    switch (mode) {
    case BossAIMode::demon:
        return QColor(0xc6, 0x28, 0x28);
    case BossAIMode::messianic:
        return QColor(0xf2, 0xb1, 0x1c);
    case BossAIMode::normal:
        break;
    }
    return QColor(0x2e, 0x8b, 0x57);
}

QPixmap badgePixmap(int size, BossAIMode mode) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QSvgRenderer app(QStringLiteral(":/icons/io.github.vorn.vorn.svg"));
    app.render(&painter, QRectF(0, 0, size, size));
    // The badge sits in the lower right corner with a light ring, so that it
    // reads on dark and light panels alike.
    const qreal diameter = size * 0.46;
    const QRectF badge(size - diameter, size - diameter, diameter, diameter);
    painter.setPen(QPen(QColor(0xff, 0xff, 0xff, 0xe6), size / 16.0));
    painter.setBrush(badgeColor(mode));
    painter.drawEllipse(badge.adjusted(size / 32.0, size / 32.0, -size / 32.0, -size / 32.0));
    return pixmap;
}

} // namespace

QIcon modeBadgeIcon(std::optional<BossAIMode> mode) {
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64})
        icon.addPixmap(badgePixmap(size, mode.value_or(BossAIMode::normal)));
    return icon;
}

} // namespace vorn
