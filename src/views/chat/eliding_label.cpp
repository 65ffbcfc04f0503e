#include "views/chat/eliding_label.h"

#include <QPainter>
#include <QStyle>

namespace vorn {

QString ElidingLabel::shownText() const {
    return fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width());
}

QSize ElidingLabel::minimumSizeHint() const {
    // Room for the ellipsis alone; the layout gives the rest when it can.
    QSize size = QLabel::minimumSizeHint();
    const QMargins margins = contentsMargins();
    size.setWidth(qMin(size.width(), fontMetrics().horizontalAdvance(QStringLiteral("…")) + margins.left() +
                                         margins.right()));
    return size;
}

void ElidingLabel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(), QStyle::visualAlignment(layoutDirection(), alignment()),
                          palette(), isEnabled(), shownText(), foregroundRole());
}

} // namespace vorn
