// Surge mode: after a completion, with a small chance, the remaining tasks of
// the list are halved and Demon mode holds for half an hour.
#include "platform/random_source.h"
#include "store/task_store.h"

#include <QTimer>

namespace vorn {

namespace {
constexpr double kSurgeChance = 0.03;
constexpr double kSurgeSeconds = 1800;
} // namespace

void BossEngine::maybeTriggerSurgeMode(const QUuid& sectionID) {
    if (!m_store.watch().m_isBossAIActive || isSurgeActive() || m_store.outline().tasks().isEmpty())
        return;
    if (m_store.m_env.random->uniform(0, 1) < kSurgeChance)
        activateSurgeMode(sectionID);
}

void BossEngine::activateSurgeMode(const QUuid& sectionID) {
    BossAIState state = m_bossAIState;
    state.surgeModeUntil = m_store.now() + kSurgeSeconds;
    setBossAIState(state);
    const QString title = m_store.outline().sectionTitle(sectionID);

    // Only the open tasks standing directly in the list; no undo step.
    QList<TaskItem> updated = m_store.outline().tasks();
    bool changed = false;
    for (TaskItem& t : updated) {
        if (t.sectionID != sectionID || t.isCompleted)
            continue;
        t.durationMinutes = std::max<qint64>(t.durationMinutes / 2, 1);
        changed = true;
    }
    if (changed) {
        m_store.outline().setTasks(std::move(updated));
        m_store.outline().ensureTasksInDisplayOrder();
        m_store.outline().recalculateFinishTimes();
    }

    saveBossState();
    refreshBossAIMetrics();
    m_store.persistWorkspace();
    m_store.chat().postSystemMessage(
        tr("⚡ SURGE MODE — Vorn halved remaining times in %1 for 30 minutes.").arg(title));
    // Spoken once the completion that triggered the surge is fully applied, so
    // the boss sees the state after it (and the completion finishes undisturbed).
    const QString reason =
        QStringLiteral("Surge mode activated in ") + title +
        QStringLiteral(". All remaining tasks in this list halved — user must move faster.");
    QTimer::singleShot(0, this, [this, reason] {
        m_store.chat().deliverBossChatMessage(reason, false, BossAIMode::demon, std::nullopt);
    });
}

void BossEngine::expireSurgeIfNeeded() {
    if (!m_bossAIState.surgeModeUntil || m_store.now() < *m_bossAIState.surgeModeUntil)
        return;
    BossAIState state = m_bossAIState;
    state.surgeModeUntil.reset();
    setBossAIState(state);
    saveBossState();
    refreshBossAIMetrics();
}

} // namespace vorn
