#pragma once

#include "model/records.h"

#include <QAbstractListModel>
#include <QList>
#include <QPointer>

namespace vorn {

class TaskStore;

// The store's chat as a list: one row per message, in order, and while a reply
// is awaited one more row at the end for the typing indicator. Appended
// messages arrive as row insertions; only a chat replaced wholesale (a new day,
// clearing all tasks) resets the model. Owns nothing; reads the store.
class ChatMessagesModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Roles {
        RoleRole = Qt::UserRole + 1, // ChatMessage::Role as int
        ModeRole,                    // BossAIMode as int; invalid without a mode
        TimestampRole,               // Instant
        IdRole,                      // QUuid
        TypingRole,                  // true on the typing indicator's row
    };

    explicit ChatMessagesModel(TaskStore& store, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The message of `row`; nullptr for the typing row or out of range.
    const ChatMessage* messageAt(int row) const;
    int messageCount() const { return static_cast<int>(m_messages.size()); }
    bool showsTyping() const { return m_typing; }

private:
    void syncMessages();
    void syncTyping();

    TaskStore& m_store;
    QList<ChatMessage> m_messages; // what the rows show; shares the store's list
    bool m_typing = false;
};

} // namespace vorn
