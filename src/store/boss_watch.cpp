// The boss watch: starting and stopping it, the hourly inactivity check and
// the minute-by-minute overdue check, and the per-task overdue bookkeeping.
#include "platform/random_source.h"
#include "store/background_job.h"
#include "store/task_store.h"

#include <QPointer>

#include <cmath>

namespace vorn {

namespace {
constexpr double kEscalationRatio = 1.5;
}

void BossWatch::startBossAI() {
    if (m_isBossAIActive)
        return;
    if (m_backgroundJob)
        m_backgroundJob->stop();
    m_backgroundJob = std::make_unique<BossAIBackgroundJob>(&m_store, m_store.m_env.hourlyInterval,
                                                            m_store.m_env.minuteInterval);
    m_backgroundJob->start();
    setIsBossAIActive(true);
    m_store.setStatusMessage(tr("Vorn monitoring active."));
    checkLateAndNotify();
}

void BossWatch::stopBossAI() {
    if (m_backgroundJob)
        m_backgroundJob->stop();
    m_backgroundJob.reset();
    setIsBossAIActive(false);
    m_store.persistWorkspace();
}

QCoro::Task<> BossWatch::runHourlyBossAICheck() {
    if (m_store.outline().tasks().isEmpty() || m_store.boss().m_inMotivationalStartPhase)
        co_return;

    const double hours = (m_store.now() - m_store.boss().m_bossAIState.lastActivityAt) / 3600.0;
    BossAIState state = m_store.boss().m_bossAIState;
    if (hours >= 1)
        state.urgencyScore = boss::clampUrgency(state.urgencyScore + m_store.m_env.random->uniform(2, 4));
    if (hours >= 4 && !state.inactivityBlockPenaltyApplied) {
        state.urgencyScore = boss::clampUrgency(state.urgencyScore + m_store.m_env.random->uniform(12, 20));
        state.inactivityBlockPenaltyApplied = true;
    }
    state.lastInactivityCheckAt = m_store.now();
    m_store.boss().setBossAIState(state);
    m_store.boss().saveBossState();
    m_store.boss().refreshBossAIMetrics();

    if (hours >= 4) {
        const QString reason = QStringLiteral("Inactivity: %1h since last update. %2 tasks still pending.")
                                   .arg(static_cast<qint64>(std::trunc(hours)))
                                   .arg(m_store.outline().pendingTasks().size());
        co_await m_store.chat().deliverBossChatMessage(reason, false, std::nullopt, std::nullopt);
    }
}

QCoro::Task<> BossWatch::checkLateAndNotify() {
    if (m_store.outline().tasks().isEmpty())
        co_return;
    const std::optional<TaskItem> active = m_store.boss().currentActiveTask();
    if (!active)
        co_return;

    // The active task's start is frozen the first time the watch sees it.
    if (!m_store.chat().m_isChatLoading) {
        const auto it = std::find_if(m_store.outline().tasks().cbegin(), m_store.outline().tasks().cend(),
                                     [&](const TaskItem& t) { return t.id == active->id; });
        if (it != m_store.outline().tasks().cend() && !it->startedAt) {
            QList<TaskItem> updated = m_store.outline().tasks();
            updated[it - m_store.outline().tasks().cbegin()].startedAt =
                m_store.outline().taskStartTime(active->id);
            m_store.outline().setTasks(std::move(updated));
            m_store.persistWorkspace();
        }
    }

    m_store.boss().updateDemonLock();
    m_store.boss().saveBossState();
    m_store.boss().refreshBossAIMetrics();

    if (m_store.boss().isSurgeActive())
        co_return;

    const double ratio = overrunRatio(*active);
    if (ratio < m_store.settings().m_lateThresholdMultiplier)
        co_return;
    if (m_store.boss().m_inMotivationalStartPhase) {
        m_store.boss().m_inMotivationalStartPhase = false;
        m_store.boss().refreshBossAIMetrics();
    }
    if (m_overdueEscalationChatSent.contains(active->id))
        co_return;

    if (ratio >= kEscalationRatio) {
        if (!taskStillActive(active->id))
            co_return;
        m_overdueEscalationChatSent.insert(active->id);
    } else {
        if (!shouldSendInitialOverdueChat(*active, ratio) || !taskStillActive(active->id))
            co_return;
        m_lastOverdueNotificationAt.insert(active->id, m_store.now());
    }

    BossAIState state = m_store.boss().m_bossAIState;
    state.urgencyScore = boss::clampUrgency(state.urgencyScore + m_store.m_env.random->uniform(20, 35));
    m_store.boss().setBossAIState(state);
    m_store.boss().saveBossState();
    m_store.boss().refreshBossAIMetrics();
    m_store.database().saveOverdueStates(buildOverdueSnapshots());

    if (ratio >= kEscalationRatio) {
        co_await m_store.chat().deliverBossChatMessage(
            QStringLiteral("1.5× overdue on: %1. Still not done.").arg(active->title), false,
            BossAIMode::demon, active->id);
    } else {
        co_await m_store.chat().deliverBossChatMessage(
            QStringLiteral("Missed deadline on: %1. Still not done.").arg(active->title), false, std::nullopt,
            active->id);
    }
}

double BossWatch::overrunRatio(const TaskItem& task) const {
    if (task.isCompleted)
        return 0;
    const double allowed = static_cast<double>(std::max<qint64>(task.durationMinutes, 1)) * 60.0;
    return (m_store.now() - m_store.outline().taskStartTime(task.id)) / allowed;
}

bool BossWatch::shouldSendInitialOverdueChat(const TaskItem& task, double ratio) const {
    if (ratio >= kEscalationRatio || ratio < m_store.settings().m_lateThresholdMultiplier)
        return false;
    if (m_overdueEscalationChatSent.contains(task.id))
        return false;
    const auto last = m_lastOverdueNotificationAt.constFind(task.id);
    if (last == m_lastOverdueNotificationAt.cend())
        return true;
    const double cooldown = static_cast<double>(std::max<qint64>(task.durationMinutes, 5)) * 60.0;
    return m_store.now() - *last >= cooldown;
}

bool BossWatch::taskStillActive(const QUuid& id) const {
    return std::any_of(m_store.outline().tasks().cbegin(), m_store.outline().tasks().cend(),
                       [&](const TaskItem& t) { return t.id == id && !t.isCompleted; });
}

void BossWatch::clearOverdueNotificationCooldowns(qsizetype fromIndex) {
    for (qsizetype i = std::max<qsizetype>(fromIndex, 0); i < m_store.outline().tasks().size(); ++i)
        clearOverdueEscalationState(m_store.outline().tasks().at(i).id);
}

void BossWatch::clearOverdueEscalationState(const QUuid& id) {
    m_lastOverdueNotificationAt.remove(id);
    m_overdueEscalationChatSent.remove(id);
    m_overdueIntenseChatSent.remove(id);
}

} // namespace vorn
