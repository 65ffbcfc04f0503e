// The store's side of website blocking: what to block and when. The hosts
// blocker does the work in the background; its requests run in order.
#include "model/task_store.h"

#include "platform/preferences.h"

namespace vorn {

void TaskStore::initializeWebsiteBlockState() {
    m_hostsBlocker.readBlockState();
    if (m_hostsBlocker.isHelperInstalled())
        m_env.preferences->setFlag(QString::fromLatin1(kHostsHelperInstalledKey), true);
}

void TaskStore::liftWebsiteBlockAllowingPrompt() {
    m_hostsBlocker.disable(true);
}

QStringList TaskStore::blockedSites() const {
    QStringList sites;
    for (const QString& line : m_blockedSitesText.split(QLatin1Char('\n'))) {
        const QString site = line.trimmed();
        if (!site.isEmpty())
            sites.append(site);
    }
    return sites;
}

void TaskStore::updateDemonWebsiteBlocking(std::optional<BossAIMode> mode) {
    if (!m_demonWebsiteBlockingEnabled)
        return;
    if (mode == BossAIMode::demon) {
        QStringList sites = blockedSites();
        m_hostsBlocker.enable(sites.isEmpty() ? HostsBlocker::defaultSites() : std::move(sites));
    } else if (m_hostsBlocker.willBeBlocking()) {
        // Also when an enable is still queued: it must not win over this mode.
        m_hostsBlocker.disable(true);
    }
}

} // namespace vorn
