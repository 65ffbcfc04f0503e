#include "views/surge_countdown.h"

#include "model/schedule.h"
#include "store/task_store.h"
#include "views/chat/chat_style.h"

#include <QEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QVBoxLayout>

namespace vorn {

SurgeCountdown::SurgeCountdown(TaskStore& store, QWidget* parent) : QWidget(parent), m_store(store) {
    setObjectName(QStringLiteral("surgeCountdown"));
    setAttribute(Qt::WA_StyledBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents); // it floats over the chat
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 6, 10, 6);
    layout->setSpacing(2);

    QFont caption = font();
    caption.setPointSizeF(caption.pointSizeF() * 0.85);
    caption.setBold(true);
    m_label = new QLabel(QStringLiteral("⚡ SURGE"));
    m_label->setFont(caption);
    m_label->setAlignment(Qt::AlignRight);
    QFont digits = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    digits.setPointSizeF(caption.pointSizeF());
    digits.setBold(true);
    m_remaining = new QLabel;
    m_remaining->setFont(digits);
    m_remaining->setAlignment(Qt::AlignRight);
    layout->addWidget(m_label);
    layout->addWidget(m_remaining);

    applyColours();

    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &SurgeCountdown::tick);
    connect(&store.boss(), &BossEngine::bossAIStateChanged, this, &SurgeCountdown::refresh);
    m_timer.start();
    m_now = store.now();
    refresh();
}

void SurgeCountdown::applyColours() {
    // Translucent, yet opaque enough to read over the rows beneath; the red
    // label made to read on it.
    // The sheets are set only when they change: setting one may bring a palette change of its own.
    QColor backdrop = palette().color(QPalette::Window);
    backdrop.setAlpha(235);
    const QString sheet =
        QStringLiteral("#surgeCountdown { background: %1; border: 1px solid rgba(128, 128, 128, 90);"
                       " border-radius: 8px; }")
            .arg(backdrop.name(QColor::HexArgb));
    if (styleSheet() != sheet)
        setStyleSheet(sheet);
    const QColor red = chat::textColor(chat::Tint::red, palette(), palette().color(QPalette::Window));
    const QString labelSheet = QStringLiteral("color: %1;").arg(red.name());
    if (m_label->styleSheet() != labelSheet)
        m_label->setStyleSheet(labelSheet);
}

void SurgeCountdown::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_label)
        applyColours();
}

void SurgeCountdown::tick() {
    m_now = m_store.now();
    m_store.boss().expireSurgeIfNeeded();
    refresh();
}

QString SurgeCountdown::remainingText() const {
    return m_remaining->text();
}

void SurgeCountdown::refresh() {
    const auto remaining = TimeCalculator::surgeRemaining(m_store.boss().bossAIState().surgeModeUntil, m_now);
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
