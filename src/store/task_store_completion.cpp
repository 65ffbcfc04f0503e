// Ticking a task off and reopening it: the stamp, the on-time judgement, the
// completion log, analytics, streaks, urgency and the boss's comment.
#include "store/task_store.h"

#include "model/completion.h"

#include <QTimer>

#include <cmath>

namespace vorn {

namespace {
// The boss has just scolded the user about the task: no second message.
constexpr double kScoldingGraceSeconds = 180;
} // namespace

void TaskStore::toggleCompletion(const QUuid& taskID) {
    const Outline::OutlineChange change(outline());
    const auto it = std::find_if(outline().tasks().cbegin(), outline().tasks().cend(),
                                 [&](const TaskItem& t) { return t.id == taskID; });
    if (it == outline().tasks().cend())
        return;
    const qsizetype i = it - outline().tasks().cbegin();
    editor().recordUndoSnapshot();

    QList<TaskItem> updated = outline().tasks();
    const bool wasCompleted = updated.at(i).isCompleted;
    updated[i].isCompleted = !wasCompleted;
    outline().setTasks(std::move(updated));

    if (wasCompleted) {
        handleTaskReopened(i);
        if (!outline().tasks().isEmpty()) {
            outline().ensureTasksInDisplayOrder();
            outline().recalculateFinishTimes();
        }
    } else {
        const bool skip = shouldSkipCompletionBossMessage(taskID);
        watch().clearOverdueEscalationState(taskID);
        handleTaskCompleted(i, skip);
    }
    boss().recordActivity();
    persistWorkspace();
}

bool TaskStore::shouldSkipCompletionBossMessage(const QUuid& taskID) const {
    if (watch().m_overdueEscalationChatSent.contains(taskID))
        return true;
    const auto last = watch().m_lastOverdueNotificationAt.constFind(taskID);
    if (last != watch().m_lastOverdueNotificationAt.cend())
        return now() - *last < kScoldingGraceSeconds;
    return false;
}

void TaskStore::handleTaskCompleted(qsizetype index, bool skipBossMessage) {
    const TaskItem t = outline().tasks().at(index);
    const Instant stamp = now();
    QList<TaskItem> updated = outline().tasks();
    updated[index].completedAt = stamp;
    outline().setTasks(std::move(updated));

    const bool wasOnTime = completion::isOnTime(t.finishTime, stamp);
    const Instant start = t.startedAt ? *t.startedAt : outline().taskStartTime(t.id);

    recordCompletionOf(t, start, stamp, wasOnTime);

    const double urgencyBefore = boss().m_bossAIState.urgencyScore;
    if (boss().m_bossAIState.demonLockActive) {
        boss().releaseDemonLockAfterCompletion(wasOnTime);
    } else {
        BossAIState state = boss().m_bossAIState;
        state.urgencyScore = completion::urgencyAfter(state.urgencyScore, wasOnTime, *m_env.random);
        boss().setBossAIState(state);
    }

    // The next open task becomes the active one: later open tasks take their
    // start from the schedule again, and the next one starts with a clean slate.
    updated = outline().tasks();
    bool nextCleared = false;
    for (qsizetype j = index + 1; j < updated.size(); ++j) {
        if (updated.at(j).isCompleted)
            continue;
        updated[j].startedAt.reset();
        if (!nextCleared) {
            watch().clearOverdueEscalationState(updated.at(j).id);
            nextCleared = true;
        }
    }
    outline().setTasks(std::move(updated));

    if (!outline().tasks().isEmpty()) {
        outline().ensureTasksInDisplayOrder();
        outline().recalculateFinishTimes();
    }
    boss().maybeTriggerSurgeMode(t.sectionID);

    const double urgency = boss().m_bossAIState.urgencyScore;
    if (wasOnTime) {
        setStatusMessage(tr("Task done on time. %1 on-time streak.").arg(boss().m_gamification.onTimeStreak));
    } else {
        // The arrow says what really happened: the Demon-lock path lowers the score.
        const QString arrow = urgency < urgencyBefore ? QStringLiteral("↓") : QStringLiteral("↑");
        setStatusMessage(tr("Task finished late. Urgency %1 to %2.")
                             .arg(arrow)
                             .arg(static_cast<qint64>(std::trunc(urgency))));
    }

    if (!skipBossMessage) {
        // Runs once the whole completion is applied, so the pending count is final.
        const QString title = t.title;
        QTimer::singleShot(0, this, [this, title, wasOnTime] {
            // One pass over the pattern: a "%1" inside the title stays text.
            const QString reason = QStringLiteral("%1%2. %3 still pending.")
                                       .arg(wasOnTime ? QStringLiteral("Task completed on time: ")
                                                      : QStringLiteral("Task completed late: "),
                                            title, QString::number(outline().pendingTasks().size()));
            chat().deliverBossChatMessage(reason, false, std::nullopt, std::nullopt);
        });
    }

    boss().saveBossState();
    boss().refreshBossAIMetrics();
    if (boss().m_inMotivationalStartPhase) {
        boss().m_inMotivationalStartPhase = false;
        boss().refreshBossAIMetrics();
    }
}

void TaskStore::recordCompletionOf(const TaskItem& t, Instant start, Instant stamp, bool wasOnTime) {
    database().recordCompletion({newUuid(), t.title, stamp, wasOnTime});
    TaskAnalyticsRecord record;
    record.id = newUuid();
    record.taskID = t.id;
    record.taskTitle = t.title;
    record.sectionTitle = outline().sectionTitle(t.sectionID);
    record.estimatedMinutes = t.durationMinutes;
    record.actualMinutes = completion::actualMinutes(start, stamp);
    record.completedAt = stamp;
    record.wasOnTime = wasOnTime;
    database().recordTaskAnalytics(record);
    m_taskAnalytics.reset(); // read again when next asked for

    boss().setGamification(completion::counted(boss().m_gamification, wasOnTime));
    database().saveGamificationState(boss().m_gamification);
}

void TaskStore::withdrawCompletionOf(const TaskItem& t) {
    if (!t.completedAt)
        return;
    const std::optional<bool> wasOnTime = database().withdrawCompletion(t.id, t.title, *t.completedAt);
    if (!wasOnTime)
        return; // nothing was recorded for it, so nothing was counted either
    m_withdrawnJudgements.insert(t.id, *wasOnTime);
    m_taskAnalytics.reset();
    boss().setGamification(completion::withdrawn(boss().m_gamification, *wasOnTime));
    database().saveGamificationState(boss().m_gamification);
}

const QList<TaskAnalyticsRecord>& TaskStore::taskAnalytics() {
    if (!m_taskAnalytics)
        m_taskAnalytics = database().loadTaskAnalytics();
    return *m_taskAnalytics;
}

void TaskStore::reconcileCompletionRecords(const QList<TaskItem>& before, const QList<TaskItem>& after) {
    QHash<QUuid, const TaskItem*> was;
    for (const TaskItem& t : before)
        was.insert(t.id, &t);
    for (const TaskItem& t : after) {
        const TaskItem* old = was.value(t.id);
        if (!old || old->completedAt == t.completedAt)
            continue;
        withdrawCompletionOf(*old);
        if (t.isCompleted && t.completedAt) {
            // Redone: the judgement is the one the completion had.
            const bool wasOnTime = m_withdrawnJudgements.value(t.id, true);
            recordCompletionOf(t, t.startedAt.value_or(*t.completedAt), *t.completedAt, wasOnTime);
        }
    }
}

void TaskStore::handleTaskReopened(qsizetype index) {
    const TaskItem t = outline().tasks().at(index);
    // An open task has no completion on record: the log, analytics and counters agree.
    withdrawCompletionOf(t);
    QList<TaskItem> updated = outline().tasks();
    updated[index].completedAt.reset();
    outline().setTasks(std::move(updated));

    watch().clearOverdueNotificationCooldowns(index);
    setStatusMessage(tr("Task reopened: %1").arg(t.title));

    const QString title = t.title;
    QTimer::singleShot(0, this, [this, title] { commentOnReopenedTask(title); });
}

QCoro::Task<> TaskStore::commentOnReopenedTask(QString title) {
    const QPointer<TaskStore> self(this);
    co_await chat().deliverBossChatMessage(QStringLiteral("Task marked incomplete again: %1").arg(title),
                                           false, std::nullopt, std::nullopt);
    if (self)
        co_await watch().checkLateAndNotify();
}

} // namespace vorn
