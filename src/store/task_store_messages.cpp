// Bringing messages into the chat: unprompted boss messages, the user's chat
// turns, speaking a message before it is shown, and committing it.
#include "store/task_store.h"

#include "platform/preferences.h"
#include "services/boss_ai_prompts.h"
#include "services/fish_audio_service.h"
#include "services/notification_sound_service.h"
#include "services/speech_player.h"

#include <QPointer>

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
    setIsChatLoading(true);

    // The request outlives nothing of ours: the service is copied into this frame.
    const QPointer<TaskStore> self(this);
    const BossAIService service = m_bossAI;
    const Result<QString, OpenAIError> reply =
        co_await service.generateMessage(mode, context, m_openAIModel, intense, proxyConfig());
    if (!self)
        co_return;

    if (!reply) {
        setErrorMessage(reply.error().description());
        setIsChatLoading(false);
        m_isDeliveringBossMessage = false;
        co_return;
    }
    if (regardingTaskID && !taskStillActive(*regardingTaskID)) {
        // Done or removed while the request ran: the scolding is moot.
        setIsChatLoading(false);
        m_isDeliveringBossMessage = false;
        co_return;
    }

    co_await speakAndRevealBossMessage(reply.value(), mode, triggerReason, regardingTaskID);
    if (!self)
        co_return;
    setStatusMessage(QStringLiteral("Vorn (%1)").arg(bossAIModeText(mode)));
    setIsChatLoading(false);
    m_isDeliveringBossMessage = false;
}

QCoro::Task<> TaskStore::sendUserChatMessage(QString text) {
    appendChatMessage(ChatMessage::Role::user, text, std::nullopt);
    database().saveChatMessages(m_chatMessages);

    recordActivity();
    setIsChatLoading(true);

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
        setIsChatLoading(false);
        co_return;
    }
    co_await speakAndRevealBossMessage(reply.value(), mode, QStringLiteral("User chat"));
    if (!self)
        co_return;
    setIsChatLoading(false);
}

QCoro::Task<> TaskStore::speakAndRevealBossMessage(QString text, BossAIMode mode, QString triggerReason,
                                                   std::optional<QUuid> regardingTaskID) {
    const QPointer<TaskStore> self(this);
    const Result<QByteArray, FishAudioError> audio =
        co_await FishAudioService::synthesize(text, proxyConfig(), m_env.network);
    if (!self)
        co_return;

    if (!audio) {
        setErrorMessage(audio.error().description());
    } else {
        SpeechPlayer& player = m_env.speechPlayer ? *m_env.speechPlayer : SpeechPlayer::shared();
        const float rate = mode == BossAIMode::demon ? 1.5f : 1.0f;
        const auto started = player.play(audio.value(), rate);
        if (!started)
            setErrorMessage(started.error().description());
    }
    // A voice that fails never costs the message.
    commitBossMessage(text, mode, triggerReason, regardingTaskID);
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
