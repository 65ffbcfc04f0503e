// Boss-engine metrics: recent completions, the Demon lock, surge expiry and the
// mode probabilities.
#include "model/task_store.h"

namespace vorn {

void TaskStore::refreshBossAIMetrics()
{
    // Empty until the boss engine lands (issue #3, "Boss engine core"). Until
    // then the probabilities keep their start values (messianic 100).
}

} // namespace vorn
