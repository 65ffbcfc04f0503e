// The store's side of website blocking: what to block and when. The hosts
// blocker does the work in the background; its requests run in order.
#include "model/site_list.h"
#include "store/task_store.h"

namespace vorn {

void TaskStore::initializeWebsiteBlockState() {
    m_hostsBlocker.readBlockState();
    // Whether sudo really runs the helper is asked in the background; start-up
    // never waits on sudo.
    if (m_hostsBlocker.isHelperInstalled())
        m_hostsBlocker.probeHelper();
}

void TaskStore::liftWebsiteBlockAllowingPrompt() {
    m_hostsBlocker.disable(true);
}

void TaskStore::shutDownWebsiteBlocking() {
    m_hostsBlocker.shutDown();
}

QStringList TaskStore::blockedSites() const {
    return parseSiteList(m_blockedSitesText).hosts;
}

void TaskStore::reportRejectedSites(const QStringList& rejected) {
    if (rejected == m_reportedRejectedSites)
        return;
    m_reportedRejectedSites = rejected;
    if (!rejected.isEmpty())
        postSystemMessage(QStringLiteral("Website blocking skips entries that are not host names: ") +
                          rejected.join(QStringLiteral(", ")));
}

void TaskStore::updateDemonWebsiteBlocking(std::optional<BossAIMode> mode) {
    if (!m_demonWebsiteBlockingEnabled)
        return;
    if (mode == BossAIMode::demon) {
        SiteList sites = parseSiteList(m_blockedSitesText);
        reportRejectedSites(sites.rejected);
        m_hostsBlocker.enable(sites.hosts.isEmpty() ? HostsBlocker::defaultSites() : std::move(sites.hosts));
    } else if (m_hostsBlocker.willBeBlocking()) {
        // Also when an enable is still queued: it must not win over this mode.
        m_hostsBlocker.disable(true);
    }
}

} // namespace vorn
