// Delivery of boss messages: mode, context, request, speech, then the chat.
#include "model/task_store.h"

namespace vorn {

QCoro::Task<> TaskStore::deliverBossChatMessage(QString triggerReason, bool intense,
                                                std::optional<BossAIMode> forcedMode,
                                                std::optional<QUuid> regardingTaskID) {
    // Empty until message delivery lands (issue #4, "The boss speaks").
    Q_UNUSED(triggerReason);
    Q_UNUSED(intense);
    Q_UNUSED(forcedMode);
    Q_UNUSED(regardingTaskID);
    co_return;
}

} // namespace vorn
