// "AI Estimate": the model's minutes for every task, applied to the list.
#include "store/task_store.h"

#include "store/store_texts.h"

#include <QPointer>

namespace vorn {

QCoro::Task<> TimelineEstimator::estimateWithAI() {
    if (m_store.outline().tasks().isEmpty()) {
        m_store.setErrorMessage(tr("Import tasks first."));
        co_return;
    }
    setIsEstimating(true);
    m_store.setErrorMessage(std::nullopt);
    m_store.setStatusMessage(tr("Estimating aggressive timeline…"));
    m_store.boss().recordActivity();

    // The minutes come back in the order sent; they are applied to those tasks
    // by ID, so edits made meanwhile never move minutes onto another task.
    QStringList titles;
    QList<QUuid> sentIDs;
    titles.reserve(m_store.outline().tasks().size());
    sentIDs.reserve(m_store.outline().tasks().size());
    for (const TaskItem& t : m_store.outline().tasks()) {
        titles.append(t.title);
        sentIDs.append(t.id);
    }

    const QPointer<TimelineEstimator> self(this);
    const OpenAIService client = m_store.m_bossAI.openAI();
    co_await m_store.chat().untilProxyReady();
    if (!self)
        co_return;
    const Result<QList<qint64>, OpenAIError> estimate =
        co_await client.estimateDurations(titles, m_store.outline().m_scheduleStartTime,
                                          m_store.settings().m_openAIModel, m_store.chat().proxyConfig());
    if (!self)
        co_return;

    if (!estimate) {
        m_store.setErrorMessage(estimate.error().description());
        m_store.setStatusMessage(std::nullopt);
        setIsEstimating(false);
        co_return;
    }

    QHash<QUuid, qint64> minutesByID;
    const QList<qint64>& minutes = estimate.value();
    for (qsizetype i = 0; i < minutes.size() && i < sentIDs.size(); ++i)
        minutesByID.insert(sentIDs.at(i), minutes.at(i));
    QList<TaskItem> updated = m_store.outline().tasks();
    for (TaskItem& t : updated) {
        if (const auto it = minutesByID.constFind(t.id); it != minutesByID.cend())
            t.durationMinutes = *it;
    }
    m_store.outline().setTasks(std::move(updated));

    if (!m_store.outline().tasks().isEmpty()) {
        m_store.outline().ensureTasksInDisplayOrder();
        m_store.outline().recalculateFinishTimes();
    }
    m_store.watch().clearOverdueNotificationCooldowns(0);
    m_store.setStatusMessage(tr("AI estimates applied."));
    m_store.chat().postSystemMessage(
        tr("AI timeline applied to %1.").arg(taskCountText(m_store.outline().tasks().size())));
    m_store.persistWorkspace();
    setIsEstimating(false);
}

} // namespace vorn
