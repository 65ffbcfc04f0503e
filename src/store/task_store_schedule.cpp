// "Restart from Now": the day's schedule starts again at the present moment.
#include "store/task_store.h"

namespace vorn {

void TaskStore::resetStartToNow() {
    const OutlineChange change(*this);
    setScheduleStartTime(now());
    if (!tasks().isEmpty()) {
        ensureTasksInDisplayOrder();
        recalculateFinishTimes();
    }
    clearOverdueNotificationCooldowns(0);
    beginMotivationalSession();
    setStatusMessage(QStringLiteral("Timeline restarted from now."));
    postSystemMessage(QStringLiteral("Timeline reset. Motivational mode — fresh start."));
    persistWorkspace();
    deliverBossChatMessage(QStringLiteral("Timeline restarted. User is beginning again."), false,
                           std::nullopt, std::nullopt);
}

} // namespace vorn
