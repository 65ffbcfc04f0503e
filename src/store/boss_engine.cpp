// Boss state on the store: metrics, mode choice, the Demon lock, activity and
// the motivational start phase, and the mood banner's values.
#include "store/task_store.h"

#include "platform/clock.h"
#include "platform/random_source.h"

namespace vorn {

void BossEngine::saveBossState() {
    m_store.database().saveBossAIState(m_bossAIState);
}

void BossEngine::refreshBossAIMetrics() {
    BossAIState state = m_bossAIState;
    state.recentCompletionsCount = static_cast<int>(m_store.database().recentCompletions(48).size());
    setBossAIState(state);

    if (m_store.outline().tasks().isEmpty() || m_inMotivationalStartPhase) {
        setModeProbabilities({100, 0, 0});
        setDemonModeProbability(0);
        return;
    }

    updateDemonLock();
    if (m_bossAIState.surgeModeUntil && m_store.now() >= *m_bossAIState.surgeModeUntil) {
        state = m_bossAIState;
        state.surgeModeUntil.reset();
        setBossAIState(state);
    }

    const double urgency = m_bossAIState.urgencyScore;
    const bool lock = m_bossAIState.demonLockActive;
    setDemonModeProbability(lock ? 100 : boss::demonProbability(urgency));
    setModeProbabilities(boss::modeProbabilities(urgency, m_bossAIState.recentCompletionsCount, lock));
}

BossAIMode BossEngine::selectBossMode(int recentCompletions) {
    boss::ModeInputs in;
    in.hasTasks = !m_store.outline().tasks().isEmpty();
    in.motivationalPhase = m_inMotivationalStartPhase;
    in.surgeActive = isSurgeActive();
    in.demonLock = m_bossAIState.demonLockActive;
    in.urgency = m_bossAIState.urgencyScore;
    in.recentCompletions = recentCompletions;
    return boss::selectMode(in, *m_store.m_env.random);
}

void BossEngine::updateDemonLock() {
    BossAIState state = m_bossAIState;
    const std::optional<TaskItem> active = currentActiveTask();
    if (!active) {
        state.demonLockActive = false;
    } else {
        const double elapsed = m_store.now() - m_store.outline().taskStartTime(active->id);
        state.demonLockActive = boss::demonLockHolds(elapsed, active->durationMinutes);
    }
    setBossAIState(state);
}

void BossEngine::releaseDemonLockAfterCompletion(bool wasOnTime) {
    if (!m_bossAIState.demonLockActive)
        return;
    BossAIState state = m_bossAIState;
    state.demonLockActive = false;
    const double drop = wasOnTime ? m_store.m_env.random->uniform(8, 15) : 20.0;
    state.urgencyScore = boss::clampUrgency(state.urgencyScore - drop);
    setBossAIState(state);
}

void BossEngine::recordActivity() {
    BossAIState state = m_bossAIState;
    state.lastActivityAt = m_store.now();
    state.inactivityBlockPenaltyApplied = false;
    setBossAIState(state);
    saveBossState();
    refreshBossAIMetrics();
}

void BossEngine::beginMotivationalSession() {
    m_inMotivationalStartPhase = true;
    BossAIState state = m_bossAIState;
    state.urgencyScore = 45;
    state.inactivityBlockPenaltyApplied = false;
    state.lastActivityAt = m_store.now();
    setBossAIState(state);
    saveBossState();
    refreshBossAIMetrics();
}

void BossEngine::resetBossAIState() {
    m_inMotivationalStartPhase = true;
    BossAIState fresh;
    fresh.urgencyScore = 0;
    fresh.lastActivityAt = m_store.now();
    fresh.lastInactivityCheckAt = m_store.now();
    setBossAIState(fresh);
    setModeProbabilities({100, 0, 0});
    setDemonModeProbability(0);
    setActiveBossMode(BossAIMode::messianic);

    saveBossState();
    refreshBossAIMetrics();
    m_store.persistSessionOnly();
    m_store.setStatusMessage(tr("Vorn mode reset — fresh start."));

    m_store.chat().deliverBossChatMessage(
        QStringLiteral("User reset Vorn to the beginning. Fresh start — deliver a short messianic "
                       "welcome motivating them for the tasks ahead."),
        false, BossAIMode::messianic, std::nullopt);
}

std::optional<TaskItem> BossEngine::currentActiveTask() const {
    for (const TaskItem& t : m_store.outline().tasks()) {
        if (!t.isCompleted)
            return t;
    }
    return std::nullopt;
}

bool BossEngine::isSurgeActive() const {
    return m_bossAIState.surgeModeUntil && *m_bossAIState.surgeModeUntil > m_store.now();
}

boss::Mood BossEngine::currentMood() const {
    const bool demonShown = m_bossAIState.demonLockActive || m_activeBossMode == BossAIMode::demon;
    return boss::mood(isSurgeActive(), demonShown, m_inMotivationalStartPhase, m_modeProbabilities,
                      m_demonModeProbability);
}

} // namespace vorn
