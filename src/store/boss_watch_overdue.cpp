// What the overdue watch remembers per task, in the form it is saved in.
#include "store/task_store.h"

namespace vorn {

QList<DatabaseService::OverdueSnapshot> BossWatch::buildOverdueSnapshots() const {
    QList<DatabaseService::OverdueSnapshot> out;
    out.reserve(m_store.outline().tasks().size());
    for (const TaskItem& task : m_store.outline().tasks()) {
        DatabaseService::OverdueSnapshot s;
        s.taskID = task.id;
        if (const auto it = m_lastOverdueNotificationAt.constFind(task.id);
            it != m_lastOverdueNotificationAt.cend())
            s.lastNotificationAt = *it;
        s.escalationChatSent = m_overdueEscalationChatSent.contains(task.id);
        s.intenseChatSent = m_overdueIntenseChatSent.contains(task.id);
        out.append(s);
    }
    return out;
}

} // namespace vorn
