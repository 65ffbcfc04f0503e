#include "views/chat/mode_cards.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace vorn {

class ModeCards::CardView : public QWidget {
public:
    CardView(const QString& icon, const QString& title, chat::Tint tint) : m_icon(icon) {
        m_iconLabel = new QLabel;
        m_iconLabel->setAlignment(Qt::AlignCenter);
        m_value = new QLabel;
        m_value->setAlignment(Qt::AlignCenter);
        QFont valueFont = m_value->font();
        valueFont.setBold(true);
        valueFont.setPointSizeF(valueFont.pointSizeF() * 0.9);
        valueFont.setStyleHint(QFont::TypeWriter, QFont::PreferDefault); // digits of one width
        m_value->setFont(valueFont);
        m_title = new QLabel(title);
        m_title->setAlignment(Qt::AlignCenter);
        QFont titleFont = m_title->font();
        titleFont.setPointSizeF(titleFont.pointSizeF() * 0.75);
        m_title->setFont(titleFont);
        m_title->setForegroundRole(QPalette::PlaceholderText);

        m_layout = new QBoxLayout(QBoxLayout::TopToBottom, this);
        m_layout->addStretch();
        m_layout->addWidget(m_iconLabel);
        m_layout->addWidget(m_value);
        m_layout->addWidget(m_title);
        m_layout->addStretch();
        setCompact(false);
        setTint(tint);
    }

    void setCompact(bool compact) {
        m_layout->setDirection(compact ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
        m_layout->setContentsMargins(compact ? QMargins(6, 3, 6, 3) : QMargins(4, 6, 4, 6));
        m_layout->setSpacing(compact ? 4 : 2);
        m_title->setVisible(!compact);
        setToolTip(compact ? m_title->text() : QString());
        refreshAccessibleName();
        updateGeometry();
    }

    void refreshAccessibleName() { setAccessibleName(m_title->text() + QLatin1Char(' ') + m_value->text()); }

    void setTint(chat::Tint tint) {
        if (tint == m_tint && !m_iconLabel->pixmap().isNull())
            return;
        m_tint = tint;
        m_iconLabel->setPixmap(
            chat::tintedIcon(m_icon, 16, chat::tintColor(tint, palette()), devicePixelRatioF()));
        update();
    }

    chat::Tint m_tint = chat::Tint::secondary;
    QString m_icon;
    QBoxLayout* m_layout;
    QLabel* m_iconLabel;
    QLabel* m_value;
    QLabel* m_title;

protected:
    void changeEvent(QEvent* event) override {
        QWidget::changeEvent(event);
        if (event->type() == QEvent::PaletteChange) // the grey of Normal follows the palette
            m_iconLabel->setPixmap(
                chat::tintedIcon(m_icon, 16, chat::tintColor(m_tint, palette()), devicePixelRatioF()));
    }

    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()), 8, 8);
        painter.fillPath(path, chat::fillColor({m_tint, 0.10}, palette()));
    }
};

ModeCards::ModeCards(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("modeCards"));
    m_cards[Urgency] = new CardView(QStringLiteral("chat-gauge"), tr("Urgency"), chat::Tint::green);
    m_cards[Messianic] = new CardView(QStringLiteral("chat-star"), tr("Messianic"), chat::Tint::yellow);
    m_cards[Demon] = new CardView(QStringLiteral("chat-flame"), tr("Demon"), chat::Tint::red);
    m_cards[Normal] = new CardView(QStringLiteral("chat-person"), tr("Normal"), chat::Tint::secondary);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    for (CardView* card : m_cards)
        row->addWidget(card, 1);
}

void ModeCards::setValues(double urgency, const ModeProbabilities& probabilities) {
    m_cards[Urgency]->m_value->setText(chat::truncatedValue(urgency, false));
    m_cards[Urgency]->setTint(chat::urgencyTint(urgency));
    m_cards[Messianic]->m_value->setText(chat::truncatedValue(probabilities.messianic, true));
    m_cards[Demon]->m_value->setText(chat::truncatedValue(probabilities.demon, true));
    m_cards[Normal]->m_value->setText(chat::truncatedValue(probabilities.normal, true));
    for (CardView* card : m_cards)
        card->refreshAccessibleName();
}

void ModeCards::setCompact(bool compact) {
    if (compact == m_compact)
        return;
    m_compact = compact;
    layout()->setSpacing(compact ? 4 : 8);
    for (CardView* card : m_cards)
        card->setCompact(compact);
    // Before the first show, a layout learns of a child's new size only from
    // the child itself: the header would lay the cards out at their old height.
    updateGeometry();
}

QString ModeCards::title(Card card) const {
    return m_cards[card]->m_title->text();
}

QString ModeCards::value(Card card) const {
    return m_cards[card]->m_value->text();
}

chat::Tint ModeCards::tint(Card card) const {
    return m_cards[card]->m_tint;
}

} // namespace vorn
