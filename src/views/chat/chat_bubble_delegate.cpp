#include "views/chat/chat_bubble_delegate.h"

#include "model/time_format.h"
#include "views/chat/chat_messages_model.h"
#include "views/chat/chat_style.h"
#include "views/readable_colors.h"

#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

#include <cmath>

namespace vorn {

namespace {

constexpr int kSideMargin = 12; // around the list
constexpr int kRowGap = 14;     // between two messages
constexpr int kAvatarSide = 32; // the round picture
constexpr int kPartGap = 10;    // avatar to column
constexpr int kFreeSpace = 24;  // kept free on the far side of a bubble
constexpr int kColumnGap = 4;   // speaker, bubble and time
constexpr int kTextPadX = 12;   // inside the bubble
constexpr int kTextPadY = 10;
constexpr int kBubbleRadius = 12;

QFont scaled(const QFont& base, double factor, bool bold) {
    QFont font = base;
    if (base.pointSizeF() > 0)
        font.setPointSizeF(base.pointSizeF() * factor);
    else
        font.setPixelSize(qMax(8, qRound(base.pixelSize() * factor)));
    font.setBold(bold);
    return font;
}

QString wrappableText(const QString& content) {
    QString text = content;
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    return text;
}

// Lays `text` out in lines no wider than `width`; returns the laid-out size.
QSizeF wrapText(QTextLayout& layout, qreal width) {
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal height = 0;
    qreal widest = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        height += line.height();
        widest = qMax(widest, line.naturalTextWidth());
    }
    layout.endLayout();
    return {widest, height};
}

void paintAvatar(QPainter* painter, const QRect& rect, const chat::Avatar& avatar, const QPalette& palette) {
    painter->setPen(Qt::NoPen);
    painter->setBrush(chat::fillColor(avatar.fill, palette));
    painter->drawEllipse(rect);
    const int side = rect.width() / 2;
    const QPixmap icon = chat::tintedIcon(avatar.icon, side, chat::tintColor(avatar.tint, palette),
                                          painter->device()->devicePixelRatioF());
    painter->drawPixmap(rect.center().x() - side / 2 + 1, rect.center().y() - side / 2 + 1, icon);
}

void paintRounded(QPainter* painter, const QRect& rect, const QColor& fill) {
    QPainterPath path;
    path.addRoundedRect(QRectF(rect), kBubbleRadius, kBubbleRadius);
    painter->fillPath(path, fill);
}

} // namespace

BubbleFonts::BubbleFonts(const QFont& base)
    : body(base), speaker(scaled(base, 0.85, true)), caption(scaled(base, 0.9, false)),
      time(scaled(base, 0.8, false)) {}

BubbleGeometry layoutBubble(const ChatMessage& message, int width, const BubbleFonts& fonts) {
    const bool mine = message.role == ChatMessage::Role::user;
    const int inner = qMax(80, width - 2 * kSideMargin);
    const int columnWidth = mine ? inner - kFreeSpace : inner - kFreeSpace - kAvatarSide - kPartGap;
    const int textWidth = qMax(20, columnWidth - 2 * kTextPadX);

    QTextLayout layout(wrappableText(message.content), fonts.body);
    const QSizeF textSize = wrapText(layout, textWidth);
    const int bubbleWidth = qMin(columnWidth, static_cast<int>(std::ceil(textSize.width())) + 2 * kTextPadX);
    const int bubbleHeight = static_cast<int>(std::ceil(textSize.height())) + 2 * kTextPadY;

    const QFontMetrics speakerMetrics(fonts.speaker);
    const QFontMetrics timeMetrics(fonts.time);
    const int rowTop = kRowGap / 2;
    const int rightEdge = kSideMargin + inner;

    BubbleGeometry g;
    int columnLeft = kSideMargin + kAvatarSide + kPartGap;
    if (!mine)
        g.avatar = QRect(kSideMargin, rowTop, kAvatarSide, kAvatarSide);
    const auto placed = [&](int w, int top, int h) {
        return mine ? QRect(rightEdge - w, top, w, h) : QRect(columnLeft, top, w, h);
    };
    const int fullColumn = columnWidth;
    g.speaker = placed(fullColumn, rowTop, speakerMetrics.height());
    g.bubble = placed(bubbleWidth, g.speaker.bottom() + 1 + kColumnGap, bubbleHeight);
    g.text = g.bubble.adjusted(kTextPadX, kTextPadY, -kTextPadX, -kTextPadY);
    g.time = placed(fullColumn, g.bubble.bottom() + 1 + kColumnGap, timeMetrics.height());
    g.height = qMax(g.time.bottom() + 1, g.avatar.bottom() + 1) + kRowGap / 2;
    return g;
}

BubbleGeometry layoutTyping(int /*width*/, const BubbleFonts& fonts) {
    const QFontMetrics metrics(fonts.caption);
    const int rowTop = kRowGap / 2;
    BubbleGeometry g;
    g.avatar = QRect(kSideMargin, rowTop, kAvatarSide, kAvatarSide);
    const QString text = ChatBubbleDelegate::tr("Vorn is typing…");
    const int boxHeight = metrics.height() + 16;
    g.bubble = QRect(g.avatar.right() + 1 + 8, rowTop + (kAvatarSide - boxHeight) / 2,
                     metrics.horizontalAdvance(text) + 24, boxHeight);
    g.text = g.bubble.adjusted(12, 8, -12, -8);
    g.height = qMax(g.avatar.bottom(), g.bubble.bottom()) + 1 + kRowGap / 2;
    return g;
}

ChatBubbleDelegate::ChatBubbleDelegate(QListView* view) : QStyledItemDelegate(view), m_view(view) {}

int ChatBubbleDelegate::listWidth() const {
    return m_view->viewport()->width();
}

const BubbleFonts& ChatBubbleDelegate::fonts() const {
    if (!m_fonts || m_fontsOf != m_view->font()) {
        m_fontsOf = m_view->font();
        m_fonts.emplace(m_fontsOf);
        m_heights.clear();
    }
    return *m_fonts;
}

const ChatMessage* ChatBubbleDelegate::messageOf(const QModelIndex& index) const {
    const auto* model = qobject_cast<const ChatMessagesModel*>(index.model());
    return model ? model->messageAt(index.row()) : nullptr;
}

QSize ChatBubbleDelegate::sizeHint(const QStyleOptionViewItem& /*option*/, const QModelIndex& index) const {
    const int width = listWidth();
    const BubbleFonts& fonts = this->fonts();
    const ChatMessage* message = messageOf(index);
    if (!message)
        return {width, layoutTyping(width, fonts).height};
    if (width != m_heightsWidth) {
        m_heights.clear();
        m_heightsWidth = width;
    }
    auto cached = m_heights.constFind(message->id);
    if (cached == m_heights.constEnd())
        cached = m_heights.insert(message->id, layoutBubble(*message, width, fonts).height);
    return {width, *cached};
}

void ChatBubbleDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (const ChatMessage* message = messageOf(index))
        paintMessage(painter, option.rect, *message, option.state & QStyle::State_Selected);
    else
        paintTyping(painter, option.rect);
    painter->restore();
}

void ChatBubbleDelegate::paintMessage(QPainter* painter, const QRect& row, const ChatMessage& message,
                                      bool selected) const {
    const QPalette& palette = m_view->palette();
    const BubbleFonts& fonts = this->fonts();
    BubbleGeometry g = layoutBubble(message, row.width(), fonts);
    const QPoint origin = row.topLeft();
    const bool mine = message.role == ChatMessage::Role::user;
    const Qt::Alignment side = mine ? Qt::AlignRight : Qt::AlignLeft;

    if (!mine)
        paintAvatar(painter, g.avatar.translated(origin), chat::avatar(message.role, message.mode), palette);

    const chat::Speaker who = chat::speaker(message.role, message.mode);
    const QColor listBackground = chat::listBackground(palette);
    painter->setFont(fonts.speaker);
    painter->setPen(chat::textColor(who.tint, palette, listBackground));
    painter->drawText(g.speaker.translated(origin), side | Qt::AlignVCenter, who.name);

    const chat::Fill fill = chat::bubbleFill(message.role, message.mode);
    paintRounded(painter, g.bubble.translated(origin), chat::fillColor(fill, palette));
    if (selected) {
        // The chosen message (for Copy) wears an outline in the accent colour.
        painter->setPen(QPen(chat::tintColor(chat::Tint::accent, palette), 1.5));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(QRectF(g.bubble.translated(origin)).adjusted(0.75, 0.75, -0.75, -0.75),
                                 kBubbleRadius, kBubbleRadius);
    }
    QTextLayout layout(wrappableText(message.content), fonts.body);
    wrapText(layout, g.text.width());
    painter->setPen(readable::on(palette.color(QPalette::Text), chat::bubbleBackground(fill, palette)));
    layout.draw(painter, g.text.translated(origin).topLeft());

    painter->setFont(fonts.time);
    painter->setPen(chat::textColor(chat::Tint::secondary, palette, listBackground));
    painter->drawText(g.time.translated(origin), side | Qt::AlignVCenter, formatClockTime(message.timestamp));
}

void ChatBubbleDelegate::paintTyping(QPainter* painter, const QRect& row) const {
    const QPalette& palette = m_view->palette();
    const BubbleFonts& fonts = this->fonts();
    const BubbleGeometry g = layoutTyping(row.width(), fonts);
    const QPoint origin = row.topLeft();
    paintAvatar(painter, g.avatar.translated(origin), chat::avatar(ChatMessage::Role::boss, std::nullopt),
                palette);
    paintRounded(painter, g.bubble.translated(origin), chat::tintColor(chat::Tint::control, palette));
    painter->setFont(fonts.caption);
    painter->setPen(chat::textColor(chat::Tint::secondary, palette, chat::typingBackground(palette)));
    painter->drawText(g.text.translated(origin), Qt::AlignLeft | Qt::AlignVCenter, tr("Vorn is typing…"));
}

QWidget* ChatBubbleDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& /*option*/,
                                          const QModelIndex& index) const {
    if (!messageOf(index))
        return nullptr;
    auto* label = new QLabel(parent);
    label->setObjectName(QStringLiteral("chatSelectableText"));
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    label->setAutoFillBackground(false);
    label->setFont(fonts().body);
    label->setFocusPolicy(Qt::StrongFocus);
    return label;
}

void ChatBubbleDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    if (auto* label = qobject_cast<QLabel*>(editor); label && messageOf(index))
        label->setText(messageOf(index)->content);
}

void ChatBubbleDelegate::setModelData(QWidget* /*editor*/, QAbstractItemModel* /*model*/,
                                      const QModelIndex& /*index*/) const {
    // The chat is read-only; the label is there for selecting text.
}

void ChatBubbleDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                              const QModelIndex& index) const {
    const ChatMessage* message = messageOf(index);
    if (!message)
        return;
    const BubbleGeometry g = layoutBubble(*message, option.rect.width(), fonts());
    // A little wider than the painted text, so the label wraps at the same places or later.
    editor->setGeometry(g.text.translated(option.rect.topLeft()).adjusted(0, 0, 4, 0));
}

} // namespace vorn
