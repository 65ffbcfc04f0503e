// The store's side of website blocking.
#include "model/task_store.h"

namespace vorn {

void TaskStore::initializeWebsiteBlockState() {
    // Empty until the hosts blocker lands (issue #4, "The boss speaks"): it reads
    // whether the hosts file holds the block and records an installed helper.
}

void TaskStore::liftWebsiteBlockAllowingPrompt() {
    // Empty until the hosts blocker lands (issue #4, "The boss speaks"): turning
    // the preference off removes a block in place, prompting if it must.
}

} // namespace vorn
