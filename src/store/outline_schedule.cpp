// "Restart from Now": the day's schedule starts again at the present moment.
#include "store/task_store.h"

namespace vorn {

void Outline::resetStartToNow() {
    const OutlineChange change(*this);
    setScheduleStartTime(m_store.now());
    if (!tasks().isEmpty()) {
        ensureTasksInDisplayOrder();
        recalculateFinishTimes();
    }
    m_store.watch().clearOverdueNotificationCooldowns(0);
    m_store.boss().beginMotivationalSession();
    m_store.setStatusMessage(tr("Timeline restarted from now."));
    m_store.chat().postSystemMessage(tr("Timeline reset. Motivational mode — fresh start."));
    m_store.persistWorkspace();
    m_store.chat().deliverBossChatMessage(QStringLiteral("Timeline restarted. User is beginning again."),
                                          false, std::nullopt, std::nullopt);
}

} // namespace vorn
