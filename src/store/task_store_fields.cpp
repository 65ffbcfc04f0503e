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

template <typename T, typename Signal> void assign(TaskStore* store, T& field, T value, Signal signal) {
    field = std::move(value);
    emit(store->*signal)();
}

constexpr double kMinChatFraction = 0.1;
constexpr double kMaxChatFraction = 0.9;

} // namespace

void TaskStore::setTasks(QList<TaskItem> tasks) {
    assign(this, m_workspace.tasks, std::move(tasks), &TaskStore::tasksChanged);
    noteOutlineChanged();
}

void TaskStore::setSections(QList<TaskSection> sections) {
    assign(this, m_workspace.sections, std::move(sections), &TaskStore::sectionsChanged);
    noteOutlineChanged();
}

void TaskStore::setGamification(const GamificationState& state) {
    assign(this, m_gamification, state, &TaskStore::gamificationChanged);
}

void TaskStore::setShowImportSheet(bool show) {
    assign(this, m_showImportSheet, show, &TaskStore::showImportSheetChanged);
}

void TaskStore::setPasteText(const QString& text) {
    assign(this, m_pasteText, text, &TaskStore::pasteTextChanged);
    if (m_started && !m_isLoadingWorkspace)
        persistSessionOnly();
}

void TaskStore::setScheduleStartTime(Instant start) {
    assign(this, m_scheduleStartTime, start, &TaskStore::scheduleStartTimeChanged);
}

void TaskStore::setIsEstimating(bool estimating) {
    assign(this, m_isEstimating, estimating, &TaskStore::isEstimatingChanged);
}

void TaskStore::setStatusMessage(const std::optional<QString>& message) {
    assign(this, m_statusMessage, message, &TaskStore::statusMessageChanged);
}

void TaskStore::setErrorMessage(const std::optional<QString>& message) {
    assign(this, m_errorMessage, message, &TaskStore::errorMessageChanged);
}

void TaskStore::setBossAIState(const BossAIState& state) {
    assign(this, m_bossAIState, state, &TaskStore::bossAIStateChanged);
}

void TaskStore::setDemonModeProbability(double probability) {
    assign(this, m_demonModeProbability, probability, &TaskStore::demonModeProbabilityChanged);
}

void TaskStore::setModeProbabilities(const ModeProbabilities& probabilities) {
    assign(this, m_modeProbabilities, probabilities, &TaskStore::modeProbabilitiesChanged);
}

void TaskStore::setChatMessages(QList<ChatMessage> messages) {
    assign(this, m_chatMessages, std::move(messages), &TaskStore::chatMessagesChanged);
}

void TaskStore::setChatInput(const QString& text) {
    assign(this, m_chatInput, text, &TaskStore::chatInputChanged);
}

void TaskStore::setIsChatLoading(bool loading) {
    assign(this, m_isChatLoading, loading, &TaskStore::isChatLoadingChanged);
}

void TaskStore::setIsBossAIActive(bool active) {
    assign(this, m_isBossAIActive, active, &TaskStore::isBossAIActiveChanged);
}

void TaskStore::setIsChatVisible(bool visible) {
    assign(this, m_isChatVisible, visible, &TaskStore::isChatVisibleChanged);
    if (m_started)
        m_env.preferences->setFlag(QStringLiteral("chat_visible"), visible);
}

void TaskStore::setChatPanelFraction(double fraction) {
    assign(this, m_chatPanelFraction, fraction, &TaskStore::chatPanelFractionChanged);
    if (!m_started)
        return;
    // NaN clamps to the lower bound rather than slipping through.
    const double clamped =
        std::isnan(fraction) ? kMinChatFraction : std::clamp(fraction, kMinChatFraction, kMaxChatFraction);
    if (clamped != fraction) {
        setChatPanelFraction(clamped);
        return;
    }
    m_env.preferences->setNumber(QStringLiteral("chat_panel_fraction"), fraction);
}

void TaskStore::setCollapsedSectionIDs(const QSet<QUuid>& ids) {
    assign(this, m_collapsedSectionIDs, ids, &TaskStore::collapsedSectionIDsChanged);
    if (m_started)
        saveCollapsedSections();
}

void TaskStore::setPendingTitleFocusID(const std::optional<QUuid>& id) {
    assign(this, m_pendingTitleFocusID, id, &TaskStore::pendingTitleFocusIDChanged);
}

void TaskStore::setPendingTitleSelectAll(bool selectAll) {
    assign(this, m_pendingTitleSelectAll, selectAll, &TaskStore::pendingTitleSelectAllChanged);
}

void TaskStore::setRootOutlineOrder(QList<OutlineEntry> order) {
    assign(this, m_workspace.rootOutlineOrder, std::move(order), &TaskStore::rootOutlineOrderChanged);
    noteOutlineChanged();
}

// A change of tasks, sections or the outline order inside an operation is told
// once, when the outermost operation ends; one outside any operation at once.
void TaskStore::noteOutlineChanged() {
    m_outlineChangePending = true;
    if (m_outlineChangeDepth == 0) {
        m_outlineChangePending = false;
        emit outlineChanged();
    }
}

TaskStore::OutlineChange::OutlineChange(TaskStore& store) : m_store(store) {
    ++m_store.m_outlineChangeDepth;
}

TaskStore::OutlineChange::~OutlineChange() {
    if (--m_store.m_outlineChangeDepth > 0 || !m_store.m_outlineChangePending)
        return;
    m_store.m_outlineChangePending = false;
    emit m_store.outlineChanged();
}

void TaskStore::setOpenAIModel(const QString& model) {
    assign(this, m_openAIModel, model, &TaskStore::openAIModelChanged);
    if (m_started)
        m_env.preferences->setText(QStringLiteral("openai_model"), model);
}

void TaskStore::setLateThresholdMultiplier(double multiplier) {
    multiplier = numberInRange(multiplier, kMinLateMultiplier, kMaxLateMultiplier, 1.1);
    assign(this, m_lateThresholdMultiplier, multiplier, &TaskStore::lateThresholdMultiplierChanged);
    if (m_started)
        m_env.preferences->setNumber(QStringLiteral("late_multiplier"), multiplier);
}

void TaskStore::setDemonWebsiteBlockingEnabled(bool enabled) {
    assign(this, m_demonWebsiteBlockingEnabled, enabled, &TaskStore::demonWebsiteBlockingEnabledChanged);
    if (!m_started)
        return;
    m_env.preferences->setFlag(QStringLiteral("demon_website_blocking"), enabled);
    if (!enabled)
        liftWebsiteBlockAllowingPrompt();
}

void TaskStore::setBlockedSitesText(const QString& text) {
    assign(this, m_blockedSitesText, text, &TaskStore::blockedSitesTextChanged);
    if (m_started)
        m_env.preferences->setText(QStringLiteral("blocked_sites"), text);
}

void TaskStore::setSpeakMessages(bool speak) {
    assign(this, m_speakMessages, speak, &TaskStore::speakMessagesChanged);
    if (!m_started)
        return;
    m_env.preferences->setFlag(QStringLiteral("speak_messages"), speak);
    if (!speak) // quiet at once, not after the sentence
        (m_env.speechPlayer ? *m_env.speechPlayer : SpeechPlayer::shared()).stop();
}

void TaskStore::setShowNotifications(bool show) {
    assign(this, m_showNotifications, show, &TaskStore::showNotificationsChanged);
    if (m_started)
        m_env.preferences->setFlag(QStringLiteral("show_notifications"), show);
}

void TaskStore::setActiveBossMode(const std::optional<BossAIMode>& mode) {
    assign(this, m_activeBossMode, mode, &TaskStore::activeBossModeChanged);
}

void TaskStore::saveCollapsedSections() {
    QStringList ids;
    ids.reserve(m_collapsedSectionIDs.size());
    for (const QUuid& id : m_collapsedSectionIDs)
        ids.append(uuidText(id));
    m_env.preferences->setTextList(QStringLiteral("collapsed_section_ids"), ids);
}

} // namespace vorn
