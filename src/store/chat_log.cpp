// Bringing messages into the chat: unprompted boss messages, the user's chat
// turns, speaking a message before it is shown, and committing it.
#include "store/task_store.h"

#include "platform/preferences.h"
#include "services/boss_ai_prompts.h"
#include "services/fish_audio_service.h"
#include "services/notification_sound_service.h"
#include "services/speech_player.h"

#include <QPointer>

#include <algorithm>

namespace vorn {

namespace {
constexpr double kRecentHours = 48;
}

QCoro::Task<> ChatLog::untilProxyReady() const {
    // The hook's task refers to nothing of ours, so this frame may outlive the log.
    if (std::function<QCoro::Task<>()> ready = m_store.m_env.proxyReady)
        co_await ready();
}

ProxyConfig ChatLog::proxyConfig() const {
    return m_store.m_env.proxy ? m_store.m_env.proxy() : ProxyConfig::resolve(*m_store.m_env.preferences);
}

QCoro::Task<> ChatLog::deliverBossChatMessage(QString triggerReason, bool intense,
                                              std::optional<BossAIMode> forcedMode,
                                              std::optional<QUuid> regardingTaskID) {
    if (m_store.m_env.commandLine)
        co_return; // a command ends before any answer could come
    if (m_isDeliveringBossMessage)
        co_return; // one boss message at a time; this one is dropped
    if (regardingTaskID && !m_store.watch().taskStillActive(*regardingTaskID))
        co_return;
    m_isDeliveringBossMessage = true;

    const QList<CompletionEvent> recent = m_store.database().recentCompletions(kRecentHours);
    const BossAIMode mode =
        forcedMode ? *forcedMode : m_store.boss().selectBossMode(static_cast<int>(recent.size()));
    const QString context = BossAIPrompts::buildContext(
        m_store.boss().m_bossAIState.urgencyScore, m_store.boss().m_modeProbabilities,
        m_store.outline().tasks(), m_store.boss().currentActiveTask(), recent, triggerReason, m_store.now());
    beginAwaitingReply();

    // The request outlives nothing of ours: the service is copied into this frame.
    const QPointer<ChatLog> self(this);
    const BossAIService service = m_store.m_bossAI;
    co_await untilProxyReady();
    if (!self)
        co_return;
    const Result<QString, OpenAIError> reply = co_await service.generateMessage(
        mode, context, m_store.settings().m_openAIModel, intense, proxyConfig());
    if (!self)
        co_return;

    if (!reply) {
        m_store.setErrorMessage(reply.error().description());
        endAwaitingReply();
        m_isDeliveringBossMessage = false;
        co_return;
    }
    if (regardingTaskID && !m_store.watch().taskStillActive(*regardingTaskID)) {
        // Done or removed while the request ran: the scolding is moot.
        endAwaitingReply();
        m_isDeliveringBossMessage = false;
        co_return;
    }

    co_await speakAndRevealBossMessage(reply.value(), mode, triggerReason, regardingTaskID);
    if (!self)
        co_return;
    m_store.setStatusMessage(tr("Vorn (%1)").arg(bossAIModeText(mode)));
    endAwaitingReply();
    m_isDeliveringBossMessage = false;
}

QCoro::Task<> ChatLog::sendUserChatMessage(QString text) {
    appendChatMessage(ChatMessage::Role::user, text, std::nullopt);
    m_store.database().saveChatMessages(m_chatMessages);

    m_store.boss().recordActivity();
    beginAwaitingReply();

    const QList<CompletionEvent> recent = m_store.database().recentCompletions(kRecentHours);
    const BossAIMode mode = m_store.boss().selectBossMode(static_cast<int>(recent.size()));
    const QString context = BossAIPrompts::buildContext(
        m_store.boss().m_bossAIState.urgencyScore, m_store.boss().m_modeProbabilities,
        m_store.outline().tasks(), m_store.boss().currentActiveTask(), recent,
        QStringLiteral("User chat message"), m_store.now());

    const QPointer<ChatLog> self(this);
    const BossAIService service = m_store.m_bossAI;
    co_await untilProxyReady();
    if (!self)
        co_return;
    const Result<QString, OpenAIError> reply = co_await service.chat(
        mode, context, m_chatMessages, text, m_store.settings().m_openAIModel, false, proxyConfig());
    if (!self)
        co_return;

    if (!reply) {
        m_store.setErrorMessage(reply.error().description());
        endAwaitingReply();
        co_return;
    }
    co_await speakAndRevealBossMessage(reply.value(), mode, QStringLiteral("User chat"));
    if (!self)
        co_return;
    endAwaitingReply();
}

QCoro::Task<> ChatLog::speakAndRevealBossMessage(QString text, BossAIMode mode, QString triggerReason,
                                                 std::optional<QUuid> regardingTaskID) {
    SpeechPlayer& player = m_store.m_env.speechPlayer ? *m_store.m_env.speechPlayer : SpeechPlayer::shared();
    if (!m_store.settings().m_speakMessages) {
        commitBossMessage(text, mode, triggerReason, regardingTaskID);
        co_return;
    }
    if (!player.hasOutputDevice()) {
        // Nothing could play the voice: no request for it, and the chat says so once.
        notePlaybackFailure(FishAudioError::of(FishAudioError::Kind::noOutputDevice));
        commitBossMessage(text, mode, triggerReason, regardingTaskID);
        co_return;
    }

    const QPointer<ChatLog> self(this);
    const QPointer<SpeechPlayer> speech(&player);
    const Result<QByteArray, FishAudioError> audio =
        co_await FishAudioService::synthesize(text, proxyConfig(), m_store.m_env.network);
    if (!self)
        co_return;

    if (!audio) {
        m_store.setErrorMessage(audio.error().description());
    } else if (speech) {
        const float rate = mode == BossAIMode::demon ? 1.5f : 1.0f;
        const auto started = speech->play(audio.value(), rate);
        if (!started)
            notePlaybackFailure(started.error());
    }
    // A voice that fails never costs the message.
    commitBossMessage(text, mode, triggerReason, regardingTaskID);
}

void ChatLog::notePlaybackFailure(const FishAudioError& error) {
    // A line in the chat, never the error alert: a dialog per message would
    // hold up the user's clicks for a voice they may not even miss.
    if (const std::optional<QString> notice = m_playbackNotices.noticeFor(error, m_store.now()))
        postSystemMessage(*notice);
}

void ChatLog::beginAwaitingReply() {
    ++m_awaitedReplies;
    setIsChatLoading(true);
}

void ChatLog::endAwaitingReply() {
    m_awaitedReplies = std::max(0, m_awaitedReplies - 1);
    setIsChatLoading(m_awaitedReplies > 0);
}

void ChatLog::commitBossMessage(const QString& text, BossAIMode mode, const QString& triggerReason,
                                const std::optional<QUuid>& regardingTaskID) {
    appendChatMessage(ChatMessage::Role::boss, text, mode);
    const ChatMessage revealed = m_chatMessages.constLast();
    m_store.database().logMessage(mode, text, triggerReason);
    NotificationSoundService::play(mode, m_store.m_env.audioOutput);
    m_store.boss().setActiveBossMode(mode);
    m_store.blocking().updateDemonWebsiteBlocking(mode);
    m_store.database().saveChatMessages(m_chatMessages);
    const bool stillOpen = regardingTaskID && m_store.watch().taskStillActive(*regardingTaskID);
    emit bossMessageRevealed(revealed, stillOpen ? regardingTaskID : std::nullopt);
}

} // namespace vorn
