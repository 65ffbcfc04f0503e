#pragma once

#include "model/records.h"
#include "persistence/database_service.h"
#include "store/store_part.h"

#include <QHash>
#include <QObject>
#include <QSet>

#include <qcoro/qcorotask.h>

#include <memory>

namespace vorn {

class BossAIBackgroundJob;

// The boss's watch over the day: the hourly check, the overdue escalation and
// its cooldowns (store/boss_watch.cpp, boss_watch_overdue.cpp).
class BossWatch : public QObject {
    Q_OBJECT

public:
    explicit BossWatch(TaskStore& store);
    ~BossWatch() override;

    bool isBossAIActive() const { return m_isBossAIActive; }
    void setIsBossAIActive(bool active);
    void startBossAI();
    void stopBossAI();
    QCoro::Task<> runHourlyBossAICheck();
    QCoro::Task<> checkLateAndNotify();
    bool shouldSendInitialOverdueChat(const TaskItem& task, double ratio) const;
    void clearOverdueNotificationCooldowns(qsizetype fromIndex);
    const BossAIBackgroundJob* backgroundJob() const { return m_backgroundJob.get(); }
    const QHash<QUuid, Instant>& lastOverdueNotificationAt() const { return m_lastOverdueNotificationAt; }
    const QSet<QUuid>& overdueEscalationChatSent() const { return m_overdueEscalationChatSent; }
    const QSet<QUuid>& overdueIntenseChatSent() const { return m_overdueIntenseChatSent; }
    QList<DatabaseService::OverdueSnapshot> buildOverdueSnapshots() const;

signals:
    void isBossAIActiveChanged();

private:
    // The store and its other parts reach this part's internals.
    friend class TaskStore;
    friend class Outline;
    friend class OutlineEditor;
    friend class BossEngine;
    friend class ChatLog;
    friend class WebsiteBlocking;
    friend class TimelineEstimator;
    friend class StorePreferences;
    friend class WindowState;

    bool taskStillActive(const QUuid& id) const;
    void clearOverdueEscalationState(const QUuid& id);
    double overrunRatio(const TaskItem& task) const;

    TaskStore& m_store;
    bool m_isBossAIActive = false;
    QHash<QUuid, Instant> m_lastOverdueNotificationAt;
    QSet<QUuid> m_overdueEscalationChatSent;
    QSet<QUuid> m_overdueIntenseChatSent;
    std::unique_ptr<BossAIBackgroundJob> m_backgroundJob;
};

} // namespace vorn
