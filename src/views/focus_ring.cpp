#include "views/focus_ring.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>

namespace vorn {

namespace {

constexpr int kWidth = 2;

} // namespace

FocusRing::FocusRing(QWidget* window) : QWidget(window) {
    setObjectName(QStringLiteral("focusRing"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { follow(now); });
}

void FocusRing::watch(QWidget* widget, bool on) {
    // The target and everything it sits in: a move or resize of any of them moves the ring.
    for (QWidget* w = widget; w && w != parentWidget(); w = w->parentWidget()) {
        if (on)
            w->installEventFilter(this);
        else
            w->removeEventFilter(this);
    }
}

void FocusRing::follow(QWidget* focused) {
    if (m_target)
        watch(m_target, false);
    m_target = focused && focused != this && focused->window() == window() ? focused : nullptr;
    if (!m_target) {
        hide();
        return;
    }
    watch(m_target, true);
    place();
}

void FocusRing::place() {
    if (!m_target || !m_target->isVisible()) {
        hide();
        return;
    }
    // Only the part of the target its parents show (an editor half scrolled away).
    QRect shown = m_target->rect();
    for (QWidget* w = m_target; w != parentWidget() && w->parentWidget(); w = w->parentWidget())
        shown = shown.translated(w->pos()).intersected(w->parentWidget()->rect());
    if (shown.isEmpty()) {
        hide();
        return;
    }
    setGeometry(shown);
    show();
    raise();
    update();
}

bool FocusRing::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
        if (watched == m_target || (m_target && watched->isWidgetType()))
            place();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void FocusRing::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::Highlight), kWidth));
    painter.setBrush(Qt::NoBrush);
    const qreal half = kWidth / 2.0;
    painter.drawRoundedRect(QRectF(rect()).adjusted(half, half, -half, -half), 3, 3);
}

} // namespace vorn
