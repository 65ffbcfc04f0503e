#include "views/chat/chat_messages_model.h"

#include "store/task_store.h"

namespace vorn {

namespace {

// Whether `next` is `shown` with messages added at its end.
bool extends(const QList<ChatMessage>& shown, const QList<ChatMessage>& next) {
    if (next.size() <= shown.size())
        return false;
    if (shown.isEmpty())
        return true;
    // Appending keeps every earlier message; comparing the ends catches a
    // replaced chat without walking the whole list.
    return next.first().id == shown.first().id && next.at(shown.size() - 1) == shown.last();
}

} // namespace

ChatMessagesModel::ChatMessagesModel(TaskStore& store, QObject* parent)
    : QAbstractListModel(parent), m_store(store), m_messages(store.chat().chatMessages()),
      m_typing(store.chat().isChatLoading()) {
    connect(&store.chat(), &ChatLog::chatMessagesChanged, this, &ChatMessagesModel::syncMessages);
    connect(&store.chat(), &ChatLog::isChatLoadingChanged, this, &ChatMessagesModel::syncTyping);
}

int ChatMessagesModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return messageCount() + (m_typing ? 1 : 0);
}

const ChatMessage* ChatMessagesModel::messageAt(int row) const {
    if (row < 0 || row >= messageCount())
        return nullptr;
    return &m_messages.at(row);
}

QVariant ChatMessagesModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ChatMessage* message = messageAt(index.row());
    if (role == TypingRole)
        return message == nullptr;
    if (!message)
        return role == Qt::DisplayRole ? QVariant(QStringLiteral("Vorn is typing…")) : QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return message->content;
    case RoleRole:
        return static_cast<int>(message->role);
    case ModeRole:
        return message->mode ? QVariant(static_cast<int>(*message->mode)) : QVariant();
    case TimestampRole:
        return message->timestamp;
    case IdRole:
        return message->id;
    default:
        return {};
    }
}

Qt::ItemFlags ChatMessagesModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (!messageAt(index.row()))
        return Qt::ItemIsEnabled;
    // Editable only so that the view can lay a selectable copy of the text over the bubble.
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemNeverHasChildren;
}

void ChatMessagesModel::syncMessages() {
    const QList<ChatMessage>& next = m_store.chat().chatMessages();
    if (extends(m_messages, next)) {
        const int first = messageCount();
        beginInsertRows({}, first, static_cast<int>(next.size()) - 1);
        m_messages = next;
        endInsertRows();
        return;
    }
    // Messages are never edited: the same chat assigned again changes nothing,
    // anything else (a clear, a new day) is a new chat.
    if (next == m_messages)
        return;
    beginResetModel();
    m_messages = next;
    endResetModel();
}

void ChatMessagesModel::syncTyping() {
    if (m_store.chat().isChatLoading() == m_typing)
        return;
    const int row = messageCount();
    if (m_store.chat().isChatLoading()) {
        beginInsertRows({}, row, row);
        m_typing = true;
        endInsertRows();
    } else {
        beginRemoveRows({}, row, row);
        m_typing = false;
        endRemoveRows();
    }
}

} // namespace vorn
