#pragma once

#include "model/records.h"
#include "services/proxy_config.h"
#include "store/playback_notices.h"
#include "store/store_part.h"

#include <QObject>

#include <qcoro/qcorotask.h>

#include <optional>

namespace vorn {

struct FishAudioError;

// The chat: its lines, the input, and the delivery of the boss's messages
// and replies, spoken when speech is on (store/chat_log.cpp).
class ChatLog : public QObject {
    Q_OBJECT

public:
    explicit ChatLog(TaskStore& store);

    const QList<ChatMessage>& chatMessages() const { return m_chatMessages; }
    void setChatMessages(QList<ChatMessage> messages);
    const QString& chatInput() const { return m_chatInput; }
    void setChatInput(const QString& text);
    bool isChatLoading() const { return m_isChatLoading; }
    void setIsChatLoading(bool loading);
    bool isDeliveringBossMessage() const { return m_isDeliveringBossMessage; }
    // A line of the system's own; saved with the chat.
    void postSystemMessage(const QString& text);
    QCoro::Task<> deliverBossChatMessage(QString triggerReason, bool intense,
                                         std::optional<BossAIMode> forcedMode,
                                         std::optional<QUuid> regardingTaskID);
    QCoro::Task<> sendUserChatMessage(QString text);
    ProxyConfig proxyConfig() const;
    // Returns once the proxy can take a request (see StoreEnvironment::proxyReady).
    QCoro::Task<> untilProxyReady() const;

signals:
    void chatMessagesChanged();
    // A boss message has just joined the chat; `regardingTaskID` is the open
    // task it is about, when it is about one.
    void bossMessageRevealed(const ChatMessage& message, const std::optional<QUuid>& regardingTaskID);
    void chatInputChanged();
    void isChatLoadingChanged();

private:
    // Who reaches this part's internals: the store and the parts it works with.
    friend class TaskStore;
    friend class BossWatch;

    QCoro::Task<> speakAndRevealBossMessage(QString text, BossAIMode mode, QString triggerReason,
                                            std::optional<QUuid> regardingTaskID = std::nullopt);
    void notePlaybackFailure(const FishAudioError& error);
    // isChatLoading stays set while any chat request is awaited.
    void beginAwaitingReply();
    void endAwaitingReply();
    void commitBossMessage(const QString& text, BossAIMode mode, const QString& triggerReason,
                           const std::optional<QUuid>& regardingTaskID);
    // Appends a new line (fresh ID, now) to the chat; the caller saves the chat.
    void appendChatMessage(ChatMessage::Role role, const QString& content, std::optional<BossAIMode> mode);

    TaskStore& m_store;
    QList<ChatMessage> m_chatMessages;
    QString m_chatInput;
    bool m_isChatLoading = false;
    bool m_isDeliveringBossMessage = false;
    PlaybackNotices m_playbackNotices;
    int m_awaitedReplies = 0;
};

} // namespace vorn
