#pragma once

#include "model/records.h"

#include <QFont>
#include <QHash>
#include <QRect>
#include <QStyledItemDelegate>
#include <QUuid>

#include <optional>

class QListView;

namespace vorn {

// Where the parts of one chat row go, relative to the row's top-left corner.
struct BubbleGeometry {
    QRect avatar; // empty for the user's messages
    QRect speaker;
    QRect bubble;
    QRect text;
    QRect time;
    int height = 0;
};

// The fonts of a chat row, derived from the list's font.
struct BubbleFonts {
    explicit BubbleFonts(const QFont& base);
    QFont body;    // the message text
    QFont speaker; // small bold caption
    QFont caption; // the typing indicator
    QFont time;    // small caption
};

// Lays out one message in a list `width` pixels wide.
BubbleGeometry layoutBubble(const ChatMessage& message, int width, const BubbleFonts& fonts);
// The typing indicator's row: the avatar, then the text in its rounded box.
BubbleGeometry layoutTyping(int width, const BubbleFonts& fonts);

// Paints the chat's rows: avatar, speaker, the text in its tinted bubble and
// the time of day; the last row while a reply is awaited is the typing
// indicator. Row heights are remembered per message and list width, so
// appending a message measures only that message. "Editing" a row lays a
// read-only, selectable label over its text for copying parts of it.
class ChatBubbleDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit ChatBubbleDelegate(QListView* view);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

    // Rows measured since the list's width last changed (for tests of the cache).
    qsizetype cachedRows() const { return m_heights.size(); }

private:
    int listWidth() const;
    const BubbleFonts& fonts() const;
    const ChatMessage* messageOf(const QModelIndex& index) const;
    void paintMessage(QPainter* painter, const QRect& row, const ChatMessage& message, bool selected) const;
    void paintTyping(QPainter* painter, const QRect& row) const;

    QListView* m_view;
    mutable QHash<QUuid, int> m_heights;
    mutable int m_heightsWidth = -1;
    mutable std::optional<BubbleFonts> m_fonts; // for m_fontsOf, the list's font
    mutable QFont m_fontsOf;
};

} // namespace vorn
