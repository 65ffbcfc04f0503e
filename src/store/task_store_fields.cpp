// Assignment of the published fields. Each setter stores the value and emits the
// field's signal, also when the value is unchanged; preference-backed fields
// then write the preference (after start-up only).
#include "store/task_store.h"

#include "platform/preferences.h"
#include "services/speech_player.h"

#include <algorithm>
#include <cmath>

namespace vorn {

namespace {

template <typename Part, typename T, typename Signal>
void assign(Part* part, T& field, T value, Signal signal) {
    field = std::move(value);
    emit(part->*signal)();
}

constexpr double kMinChatFraction = 0.1;
constexpr double kMaxChatFraction = 0.9;

} // namespace

void Outline::setTasks(QList<TaskItem> tasks) {
    assign(this, m_workspace.tasks, std::move(tasks), &Outline::tasksChanged);
    noteOutlineChanged();
}

void Outline::setSections(QList<TaskSection> sections) {
    assign(this, m_workspace.sections, std::move(sections), &Outline::sectionsChanged);
    noteOutlineChanged();
}

void BossEngine::setGamification(const GamificationState& state) {
    assign(this, m_gamification, state, &BossEngine::gamificationChanged);
}

void WindowState::setPasteText(const QString& text) {
    assign(this, m_pasteText, text, &WindowState::pasteTextChanged);
    if (m_store.m_started && !m_store.m_isLoadingWorkspace)
        m_store.persistSessionOnly();
}

void Outline::setScheduleStartTime(Instant start) {
    assign(this, m_scheduleStartTime, start, &Outline::scheduleStartTimeChanged);
}

void TimelineEstimator::setIsEstimating(bool estimating) {
    assign(this, m_isEstimating, estimating, &TimelineEstimator::isEstimatingChanged);
}

void TaskStore::setStatusMessage(const std::optional<QString>& message) {
    assign(this, m_statusMessage, message, &TaskStore::statusMessageChanged);
}

void TaskStore::setErrorMessage(const std::optional<QString>& message) {
    assign(this, m_errorMessage, message, &TaskStore::errorMessageChanged);
}

void BossEngine::setBossAIState(const BossAIState& state) {
    assign(this, m_bossAIState, state, &BossEngine::bossAIStateChanged);
}

void BossEngine::setDemonModeProbability(double probability) {
    assign(this, m_demonModeProbability, probability, &BossEngine::demonModeProbabilityChanged);
}

void BossEngine::setModeProbabilities(const ModeProbabilities& probabilities) {
    assign(this, m_modeProbabilities, probabilities, &BossEngine::modeProbabilitiesChanged);
}

void ChatLog::setChatMessages(QList<ChatMessage> messages) {
    assign(this, m_chatMessages, std::move(messages), &ChatLog::chatMessagesChanged);
}

void ChatLog::setChatInput(const QString& text) {
    assign(this, m_chatInput, text, &ChatLog::chatInputChanged);
}

void ChatLog::setIsChatLoading(bool loading) {
    assign(this, m_isChatLoading, loading, &ChatLog::isChatLoadingChanged);
}

void BossWatch::setIsBossAIActive(bool active) {
    assign(this, m_isBossAIActive, active, &BossWatch::isBossAIActiveChanged);
}

void WindowState::setIsChatVisible(bool visible) {
    assign(this, m_isChatVisible, visible, &WindowState::isChatVisibleChanged);
    if (m_store.m_started)
        m_store.m_env.preferences->setFlag(QStringLiteral("chat_visible"), visible);
}

void WindowState::setChatPanelFraction(double fraction) {
    assign(this, m_chatPanelFraction, fraction, &WindowState::chatPanelFractionChanged);
    if (!m_store.m_started)
        return;
    // NaN clamps to the lower bound rather than slipping through.
    const double clamped =
        std::isnan(fraction) ? kMinChatFraction : std::clamp(fraction, kMinChatFraction, kMaxChatFraction);
    if (clamped != fraction) {
        setChatPanelFraction(clamped);
        return;
    }
    m_store.m_env.preferences->setNumber(QStringLiteral("chat_panel_fraction"), fraction);
}

void Outline::setCollapsedSectionIDs(const QSet<QUuid>& ids) {
    assign(this, m_collapsedSectionIDs, ids, &Outline::collapsedSectionIDsChanged);
    if (m_store.m_started)
        saveCollapsedSections();
}

void Outline::setRootOutlineOrder(QList<OutlineEntry> order) {
    assign(this, m_workspace.rootOutlineOrder, std::move(order), &Outline::rootOutlineOrderChanged);
    noteOutlineChanged();
}

// A change of tasks, sections or the outline order inside an operation is told
// once, when the outermost operation ends; one outside any operation at once.
void Outline::noteOutlineChanged() {
    m_outlineChangePending = true;
    if (m_outlineChangeDepth == 0) {
        m_outlineChangePending = false;
        emit outlineChanged();
    }
}

Outline::OutlineChange::OutlineChange(Outline& outline) : m_outline(outline) {
    ++m_outline.m_outlineChangeDepth;
}

Outline::OutlineChange::~OutlineChange() {
    if (--m_outline.m_outlineChangeDepth > 0 || !m_outline.m_outlineChangePending)
        return;
    m_outline.m_outlineChangePending = false;
    emit m_outline.outlineChanged();
}

void StorePreferences::setOpenAIModel(const QString& model) {
    assign(this, m_openAIModel, model, &StorePreferences::openAIModelChanged);
    if (m_store.m_started)
        m_store.m_env.preferences->setText(QStringLiteral("openai_model"), model);
}

void StorePreferences::setLateThresholdMultiplier(double multiplier) {
    multiplier = numberInRange(multiplier, kMinLateMultiplier, kMaxLateMultiplier, 1.1);
    assign(this, m_lateThresholdMultiplier, multiplier, &StorePreferences::lateThresholdMultiplierChanged);
    if (m_store.m_started)
        m_store.m_env.preferences->setNumber(QStringLiteral("late_multiplier"), multiplier);
}

void StorePreferences::setDemonWebsiteBlockingEnabled(bool enabled) {
    assign(this, m_demonWebsiteBlockingEnabled, enabled,
           &StorePreferences::demonWebsiteBlockingEnabledChanged);
    if (!m_store.m_started)
        return;
    m_store.m_env.preferences->setFlag(QStringLiteral("demon_website_blocking"), enabled);
    if (!enabled)
        m_store.blocking().liftWebsiteBlockAllowingPrompt();
}

void StorePreferences::setBlockedSitesText(const QString& text) {
    assign(this, m_blockedSitesText, text, &StorePreferences::blockedSitesTextChanged);
    if (m_store.m_started)
        m_store.m_env.preferences->setText(QStringLiteral("blocked_sites"), text);
}

void StorePreferences::setSpeakMessages(bool speak) {
    assign(this, m_speakMessages, speak, &StorePreferences::speakMessagesChanged);
    if (!m_store.m_started)
        return;
    m_store.m_env.preferences->setFlag(QStringLiteral("speak_messages"), speak);
    if (!speak) // quiet at once, not after the sentence
        (m_store.m_env.speechPlayer ? *m_store.m_env.speechPlayer : SpeechPlayer::shared()).stop();
}

void StorePreferences::setShowNotifications(bool show) {
    assign(this, m_showNotifications, show, &StorePreferences::showNotificationsChanged);
    if (m_store.m_started)
        m_store.m_env.preferences->setFlag(QStringLiteral("show_notifications"), show);
}

void BossEngine::setActiveBossMode(const std::optional<BossAIMode>& mode) {
    assign(this, m_activeBossMode, mode, &BossEngine::activeBossModeChanged);
}

void Outline::saveCollapsedSections() {
    QStringList ids;
    ids.reserve(m_collapsedSectionIDs.size());
    for (const QUuid& id : m_collapsedSectionIDs)
        ids.append(uuidText(id));
    m_store.m_env.preferences->setTextList(QStringLiteral("collapsed_section_ids"), ids);
}

} // namespace vorn
