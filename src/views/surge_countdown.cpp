#include "views/surge_countdown.h"

#include "model/schedule.h"
#include "store/task_store.h"

#include <QFontDatabase>
#include <QLabel>
#include <QVBoxLayout>

namespace vorn {

SurgeCountdown::SurgeCountdown(TaskStore* store, QWidget* parent) : QWidget(parent), m_store(store) {
    setObjectName(QStringLiteral("surgeCountdown"));
    setAttribute(Qt::WA_StyledBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents); // it floats over the chat
    // Translucent, yet opaque enough to read over the rows beneath.
    QColor backdrop = palette().color(QPalette::Window);
    backdrop.setAlpha(235);
    setStyleSheet(
        QStringLiteral("#surgeCountdown { background: %1; border: 1px solid rgba(128, 128, 128, 90);"
                       " border-radius: 8px; }")
            .arg(backdrop.name(QColor::HexArgb)));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 6, 10, 6);
    layout->setSpacing(2);

    QFont caption = font();
    caption.setPointSizeF(caption.pointSizeF() * 0.85);
    caption.setBold(true);
    m_label = new QLabel(QStringLiteral("⚡ SURGE"));
    m_label->setFont(caption);
    m_label->setStyleSheet(QStringLiteral("color: #d92c20;"));
    m_label->setAlignment(Qt::AlignRight);
    QFont digits = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    digits.setPointSizeF(caption.pointSizeF());
    digits.setBold(true);
    m_remaining = new QLabel;
    m_remaining->setFont(digits);
    m_remaining->setAlignment(Qt::AlignRight);
    layout->addWidget(m_label);
    layout->addWidget(m_remaining);

    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &SurgeCountdown::tick);
    connect(store, &TaskStore::bossAIStateChanged, this, &SurgeCountdown::refresh);
    m_timer.start();
    m_now = store->now();
    refresh();
}

void SurgeCountdown::tick() {
    if (!m_store)
        return;
    m_now = m_store->now();
    m_store->expireSurgeIfNeeded();
    refresh();
}

QString SurgeCountdown::remainingText() const {
    return m_remaining->text();
}

void SurgeCountdown::refresh() {
    if (!m_store)
        return;
    const auto remaining = TimeCalculator::surgeRemaining(m_store->bossAIState().surgeModeUntil, m_now);
    m_remaining->setText(remaining ? TimeCalculator::formatRemaining(*remaining) : QString());
    setVisible(remaining.has_value());
    if (remaining) {
        adjustSize();
        if (parentWidget())
            move(parentWidget()->width() - width() - 12, 12);
        raise();
    }
}

} // namespace vorn
