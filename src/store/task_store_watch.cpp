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

void TaskStore::startBossAI() {
    if (m_isBossAIActive)
        return;
    if (m_backgroundJob)
        m_backgroundJob->stop();
    m_backgroundJob = std::make_unique<BossAIBackgroundJob>(this, m_env.hourlyInterval, m_env.minuteInterval);
    m_backgroundJob->start();
    setIsBossAIActive(true);
    setStatusMessage(QStringLiteral("Vorn monitoring active."));
    checkLateAndNotify();
}

void TaskStore::stopBossAI() {
    if (m_backgroundJob)
        m_backgroundJob->stop();
    m_backgroundJob.reset();
    setIsBossAIActive(false);
    persistWorkspace();
}

QCoro::Task<> TaskStore::runHourlyBossAICheck() {
    if (tasks().isEmpty() || m_inMotivationalStartPhase)
        co_return;

    const double hours = (now() - m_bossAIState.lastActivityAt) / 3600.0;
    BossAIState state = m_bossAIState;
    if (hours >= 1)
        state.urgencyScore = boss::clampUrgency(state.urgencyScore + m_env.random->uniform(2, 4));
    if (hours >= 4 && !state.inactivityBlockPenaltyApplied) {
        state.urgencyScore = boss::clampUrgency(state.urgencyScore + m_env.random->uniform(12, 20));
        state.inactivityBlockPenaltyApplied = true;
    }
    state.lastInactivityCheckAt = now();
    setBossAIState(state);
    saveBossState();
    refreshBossAIMetrics();

    if (hours >= 4) {
        const QString reason = QStringLiteral("Inactivity: %1h since last update. %2 tasks still pending.")
                                   .arg(static_cast<qint64>(std::trunc(hours)))
                                   .arg(pendingTasks().size());
        co_await deliverBossChatMessage(reason, false, std::nullopt, std::nullopt);
    }
}

QCoro::Task<> TaskStore::checkLateAndNotify() {
    if (tasks().isEmpty())
        co_return;
    const std::optional<TaskItem> active = currentActiveTask();
    if (!active)
        co_return;

    // The active task's start is frozen the first time the watch sees it.
    if (!m_isChatLoading) {
        const auto it = std::find_if(tasks().cbegin(), tasks().cend(),
                                     [&](const TaskItem& t) { return t.id == active->id; });
        if (it != tasks().cend() && !it->startedAt) {
            QList<TaskItem> updated = tasks();
            updated[it - tasks().cbegin()].startedAt = taskStartTime(active->id);
            setTasks(std::move(updated));
            persistWorkspace();
        }
    }

    updateDemonLock();
    saveBossState();
    refreshBossAIMetrics();

    if (isSurgeActive())
        co_return;

    const double ratio = overrunRatio(*active);
    if (ratio < m_lateThresholdMultiplier)
        co_return;
    if (m_inMotivationalStartPhase) {
        m_inMotivationalStartPhase = false;
        refreshBossAIMetrics();
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
        m_lastOverdueNotificationAt.insert(active->id, now());
    }

    BossAIState state = m_bossAIState;
    state.urgencyScore = boss::clampUrgency(state.urgencyScore + m_env.random->uniform(20, 35));
    setBossAIState(state);
    saveBossState();
    refreshBossAIMetrics();
    database().saveOverdueStates(buildOverdueSnapshots());

    if (ratio >= kEscalationRatio) {
        co_await deliverBossChatMessage(
            QStringLiteral("1.5× overdue on: %1. Still not done.").arg(active->title), false,
            BossAIMode::demon, active->id);
    } else {
        co_await deliverBossChatMessage(
            QStringLiteral("Missed deadline on: %1. Still not done.").arg(active->title), false, std::nullopt,
            active->id);
    }
}

double TaskStore::overrunRatio(const TaskItem& task) const {
    if (task.isCompleted)
        return 0;
    const double allowed = static_cast<double>(std::max<qint64>(task.durationMinutes, 1)) * 60.0;
    return (now() - taskStartTime(task.id)) / allowed;
}

bool TaskStore::shouldSendInitialOverdueChat(const TaskItem& task, double ratio) const {
    if (ratio >= kEscalationRatio || ratio < m_lateThresholdMultiplier)
        return false;
    if (m_overdueEscalationChatSent.contains(task.id))
        return false;
    const auto last = m_lastOverdueNotificationAt.constFind(task.id);
    if (last == m_lastOverdueNotificationAt.cend())
        return true;
    const double cooldown = static_cast<double>(std::max<qint64>(task.durationMinutes, 5)) * 60.0;
    return now() - *last >= cooldown;
}

bool TaskStore::taskStillActive(const QUuid& id) const {
    return std::any_of(tasks().cbegin(), tasks().cend(),
                       [&](const TaskItem& t) { return t.id == id && !t.isCompleted; });
}

void TaskStore::clearOverdueNotificationCooldowns(qsizetype fromIndex) {
    for (qsizetype i = std::max<qsizetype>(fromIndex, 0); i < tasks().size(); ++i)
        clearOverdueEscalationState(tasks().at(i).id);
}

void TaskStore::clearOverdueEscalationState(const QUuid& id) {
    m_lastOverdueNotificationAt.remove(id);
    m_overdueEscalationChatSent.remove(id);
    m_overdueIntenseChatSent.remove(id);
}

} // namespace vorn
