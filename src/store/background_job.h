#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>

namespace vorn {

class TaskStore;

// The boss watch's two repeating timers: an hourly inactivity check and a
// one-minute overdue check. It holds the store weakly; a firing after the
// store is gone does nothing.
class BossAIBackgroundJob : public QObject {
    Q_OBJECT

public:
    BossAIBackgroundJob(TaskStore* store, std::chrono::milliseconds hourly, std::chrono::milliseconds minute);

    void start();
    void stop();
    bool isRunning() const { return m_hourly.isActive() && m_minute.isActive(); }

private:
    QPointer<TaskStore> m_store;
    QTimer m_hourly;
    QTimer m_minute;
};

} // namespace vorn
