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

ProxyConfig TaskStore::proxyConfig() const {
    return m_env.proxy ? m_env.proxy() : ProxyConfig::resolve(*m_env.preferences);
}

QCoro::Task<> TaskStore::deliverBossChatMessage(QString triggerReason, bool intense,
                                                std::optional<BossAIMode> forcedMode,
                                                std::optional<QUuid> regardingTaskID) {
    if (m_env.commandLine)
        co_return; // a command ends before any answer could come
    if (m_isDeliveringBossMessage)
        co_return; // one boss message at a time; this one is dropped
    if (regardingTaskID && !taskStillActive(*regardingTaskID))
        co_return;
    m_isDeliveringBossMessage = true;

    const QList<CompletionEvent> recent = database().recentCompletions(kRecentHours);
    const BossAIMode mode = forcedMode ? *forcedMode : selectBossMode(static_cast<int>(recent.size()));
    const QString context =
        BossAIPrompts::buildContext(m_bossAIState.urgencyScore, m_modeProbabilities, tasks(),
                                    currentActiveTask(), recent, triggerReason, now());
    beginAwaitingReply();

    // The request outlives nothing of ours: the service is copied into this frame.
    const QPointer<TaskStore> self(this);
    const BossAIService service = m_bossAI;
    const Result<QString, OpenAIError> reply =
        co_await service.generateMessage(mode, context, m_openAIModel, intense, proxyConfig());
    if (!self)
        co_return;

    if (!reply) {
        setErrorMessage(reply.error().description());
        endAwaitingReply();
        m_isDeliveringBossMessage = false;
        co_return;
    }
    if (regardingTaskID && !taskStillActive(*regardingTaskID)) {
        // Done or removed while the request ran: the scolding is moot.
        endAwaitingReply();
        m_isDeliveringBossMessage = false;
        co_return;
    }

    co_await speakAndRevealBossMessage(reply.value(), mode, triggerReason, regardingTaskID);
    if (!self)
        co_return;
    setStatusMessage(QStringLiteral("Vorn (%1)").arg(bossAIModeText(mode)));
    endAwaitingReply();
    m_isDeliveringBossMessage = false;
}

QCoro::Task<> TaskStore::sendUserChatMessage(QString text) {
    appendChatMessage(ChatMessage::Role::user, text, std::nullopt);
    database().saveChatMessages(m_chatMessages);

    recordActivity();
    beginAwaitingReply();

    const QList<CompletionEvent> recent = database().recentCompletions(kRecentHours);
    const BossAIMode mode = selectBossMode(static_cast<int>(recent.size()));
    const QString context =
        BossAIPrompts::buildContext(m_bossAIState.urgencyScore, m_modeProbabilities, tasks(),
                                    currentActiveTask(), recent, QStringLiteral("User chat message"), now());

    const QPointer<TaskStore> self(this);
    const BossAIService service = m_bossAI;
    const Result<QString, OpenAIError> reply =
        co_await service.chat(mode, context, m_chatMessages, text, m_openAIModel, false, proxyConfig());
    if (!self)
        co_return;

    if (!reply) {
        setErrorMessage(reply.error().description());
        endAwaitingReply();
        co_return;
    }
    co_await speakAndRevealBossMessage(reply.value(), mode, QStringLiteral("User chat"));
    if (!self)
        co_return;
    endAwaitingReply();
}

QCoro::Task<> TaskStore::speakAndRevealBossMessage(QString text, BossAIMode mode, QString triggerReason,
                                                   std::optional<QUuid> regardingTaskID) {
    SpeechPlayer& player = m_env.speechPlayer ? *m_env.speechPlayer : SpeechPlayer::shared();
    if (!m_speakMessages) {
        commitBossMessage(text, mode, triggerReason, regardingTaskID);
        co_return;
    }
    if (!player.hasOutputDevice()) {
        // Nothing could play the voice: no request for it, and the chat says so once.
        notePlaybackFailure(FishAudioError::of(FishAudioError::Kind::noOutputDevice));
        commitBossMessage(text, mode, triggerReason, regardingTaskID);
        co_return;
    }

    const QPointer<TaskStore> self(this);
    const QPointer<SpeechPlayer> speech(&player);
    const Result<QByteArray, FishAudioError> audio =
        co_await FishAudioService::synthesize(text, proxyConfig(), m_env.network);
    if (!self)
        co_return;

    if (!audio) {
        setErrorMessage(audio.error().description());
    } else if (speech) {
        const float rate = mode == BossAIMode::demon ? 1.5f : 1.0f;
        const auto started = speech->play(audio.value(), rate);
        if (!started)
            notePlaybackFailure(started.error());
    }
    // A voice that fails never costs the message.
    commitBossMessage(text, mode, triggerReason, regardingTaskID);
}

void TaskStore::notePlaybackFailure(const FishAudioError& error) {
    // A line in the chat, never the error alert: a dialog per message would
    // hold up the user's clicks for a voice they may not even miss.
    if (const std::optional<QString> notice = m_playbackNotices.noticeFor(error, now()))
        postSystemMessage(*notice);
}

void TaskStore::beginAwaitingReply() {
    ++m_awaitedReplies;
    setIsChatLoading(true);
}

void TaskStore::endAwaitingReply() {
    m_awaitedReplies = std::max(0, m_awaitedReplies - 1);
    setIsChatLoading(m_awaitedReplies > 0);
}

void TaskStore::commitBossMessage(const QString& text, BossAIMode mode, const QString& triggerReason,
                                  const std::optional<QUuid>& regardingTaskID) {
    appendChatMessage(ChatMessage::Role::boss, text, mode);
    const ChatMessage revealed = m_chatMessages.constLast();
    database().logMessage(mode, text, triggerReason);
    NotificationSoundService::play(mode, m_env.audioOutput);
    setActiveBossMode(mode);
    updateDemonWebsiteBlocking(mode);
    database().saveChatMessages(m_chatMessages);
    const bool stillOpen = regardingTaskID && taskStillActive(*regardingTaskID);
    emit bossMessageRevealed(revealed, stillOpen ? regardingTaskID : std::nullopt);
}

} // namespace vorn
