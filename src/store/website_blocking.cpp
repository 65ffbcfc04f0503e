// The store's side of website blocking: what to block and when. The hosts
// blocker does the work in the background; its requests run in order.
#include "model/site_list.h"
#include "store/task_store.h"

namespace vorn {

void WebsiteBlocking::initializeWebsiteBlockState() {
    m_hostsBlocker.readBlockState();
    // Whether sudo really runs the helper is asked in the background; start-up
    // never waits on sudo.
    if (m_hostsBlocker.isHelperInstalled())
        m_hostsBlocker.probeHelper();
}

void WebsiteBlocking::liftWebsiteBlockAllowingPrompt() {
    m_hostsBlocker.disable(true);
}

void WebsiteBlocking::shutDownWebsiteBlocking() {
    m_hostsBlocker.shutDown();
}

QStringList WebsiteBlocking::blockedSites() const {
    return parseSiteList(m_store.settings().m_blockedSitesText).hosts;
}

bool WebsiteBlocking::probeHelper() {
    const bool installed = m_hostsBlocker.isHelperInstalled();
    if (installed && m_hostsBlocker.pendingRequests() == 0 && m_hostsBlocker.isBlocking() &&
        !m_hostsBlocker.hostsFileContainsBlock()) {
        m_hostsBlocker.readBlockState();
        updateDemonWebsiteBlocking(m_store.boss().activeBossMode());
    }
    return installed;
}

QCoro::Task<std::optional<QString>> WebsiteBlocking::installHelper() {
    HostsBlocker blocker = m_hostsBlocker; // copies share the blocker's queue
    const HostsBlocker::Outcome outcome = co_await blocker.installHelper();
    if (outcome)
        co_return std::nullopt;
    co_return outcome.error().description();
}

void WebsiteBlocking::reportRejectedSites(const QStringList& rejected) {
    if (rejected == m_reportedRejectedSites)
        return;
    m_reportedRejectedSites = rejected;
    if (!rejected.isEmpty())
        m_store.chat().postSystemMessage(tr("Website blocking skips entries that are not host names: %1")
                                             .arg(rejected.join(QStringLiteral(", "))));
}

void WebsiteBlocking::updateDemonWebsiteBlocking(std::optional<BossAIMode> mode) {
    if (!m_store.settings().m_demonWebsiteBlockingEnabled)
        return;
    if (mode == BossAIMode::demon) {
        SiteList sites = parseSiteList(m_store.settings().m_blockedSitesText);
        reportRejectedSites(sites.rejected);
        m_hostsBlocker.enable(sites.hosts.isEmpty() ? HostsBlocker::defaultSites() : std::move(sites.hosts));
    } else if (m_hostsBlocker.willBeBlocking()) {
        // Also when an enable is still queued: it must not win over this mode.
        m_hostsBlocker.disable(true);
    }
}

} // namespace vorn
