// "AI Estimate": the model's minutes for every task, applied to the list.
#include "store/task_store.h"

#include "model/plural.h"

#include <QPointer>

namespace vorn {

QCoro::Task<> TaskStore::estimateWithAI() {
    if (tasks().isEmpty()) {
        setErrorMessage(QStringLiteral("Import tasks first."));
        co_return;
    }
    setIsEstimating(true);
    setErrorMessage(std::nullopt);
    setStatusMessage(QStringLiteral("Estimating aggressive timeline…"));
    recordActivity();

    // The minutes come back in the order sent; they are applied to those tasks
    // by ID, so edits made meanwhile never move minutes onto another task.
    QStringList titles;
    QList<QUuid> sentIDs;
    titles.reserve(tasks().size());
    sentIDs.reserve(tasks().size());
    for (const TaskItem& t : tasks()) {
        titles.append(t.title);
        sentIDs.append(t.id);
    }

    const QPointer<TaskStore> self(this);
    const OpenAIService client = m_bossAI.openAI();
    const Result<QList<qint64>, OpenAIError> estimate =
        co_await client.estimateDurations(titles, m_scheduleStartTime, m_openAIModel, proxyConfig());
    if (!self)
        co_return;

    if (!estimate) {
        setErrorMessage(estimate.error().description());
        setStatusMessage(std::nullopt);
        setIsEstimating(false);
        co_return;
    }

    QHash<QUuid, qint64> minutesByID;
    const QList<qint64>& minutes = estimate.value();
    for (qsizetype i = 0; i < minutes.size() && i < sentIDs.size(); ++i)
        minutesByID.insert(sentIDs.at(i), minutes.at(i));
    QList<TaskItem> updated = tasks();
    for (TaskItem& t : updated) {
        if (const auto it = minutesByID.constFind(t.id); it != minutesByID.cend())
            t.durationMinutes = *it;
    }
    setTasks(std::move(updated));

    if (!tasks().isEmpty()) {
        ensureTasksInDisplayOrder();
        recalculateFinishTimes();
    }
    clearOverdueNotificationCooldowns(0);
    setStatusMessage(QStringLiteral("AI estimates applied."));
    postSystemMessage(QStringLiteral("AI timeline applied to %1.")
                          .arg(counted(tasks().size(), QStringLiteral("task"), QStringLiteral("tasks"))));
    persistWorkspace();
    setIsEstimating(false);
}

} // namespace vorn
