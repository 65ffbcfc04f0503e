#include "store/background_job.h"

#include "store/task_store.h"

namespace vorn {

namespace {

QCoro::Task<> runHourly(QPointer<TaskStore> store) {
    if (store)
        co_await store->watch().runHourlyBossAICheck();
}

QCoro::Task<> runMinutely(QPointer<TaskStore> store) {
    if (store)
        co_await store->watch().checkLateAndNotify();
}

QCoro::Task<> runBoth(QPointer<TaskStore> store) {
    if (store)
        co_await store->watch().checkLateAndNotify();
    if (store)
        co_await store->watch().runHourlyBossAICheck();
}

} // namespace

BossAIBackgroundJob::BossAIBackgroundJob(TaskStore* store, std::chrono::milliseconds hourly,
                                         std::chrono::milliseconds minute)
    : m_store(store) {
    m_hourly.setInterval(hourly);
    m_minute.setInterval(minute);
    connect(&m_hourly, &QTimer::timeout, this, [this] { runHourly(m_store); });
    connect(&m_minute, &QTimer::timeout, this, [this] { runMinutely(m_store); });
}

void BossAIBackgroundJob::start() {
    stop();
    m_hourly.start();
    m_minute.start();
    runBoth(m_store);
}

void BossAIBackgroundJob::stop() {
    m_hourly.stop();
    m_minute.stop();
}

} // namespace vorn
