#pragma once

#include "model/records.h"
#include "services/hosts_blocker.h"
#include "store/store_part.h"

#include <QObject>
#include <QStringList>

#include <qcoro/qcorotask.h>

#include <optional>

namespace vorn {

// Website blocking in Demon mode: what to block and when. The hosts blocker
// does the work in the background; its requests run in order
// (store/website_blocking.cpp).
class WebsiteBlocking : public QObject {
    Q_OBJECT

public:
    WebsiteBlocking(TaskStore& store, const HostsBlockerConfig& config, Preferences* preferences);

    // blockedSitesText split into lines, each trimmed, blank ones dropped.
    QStringList blockedSites() const;
    // Blocks the sites in Demon mode and lifts the block in any other mode,
    // while the setting is on; the helper runs in the background. Entries of
    // the list that name no host are left out, and the chat says which.
    void updateDemonWebsiteBlocking(std::optional<BossAIMode> mode);
    // On the way out: ends the helper work and lifts the block without a
    // password prompt, within a few seconds. Nothing is blocked afterwards.
    void shutDownWebsiteBlocking();
    // Whether the helper looks installed, from the files alone: nothing runs.
    // When a block is believed in force but the hosts file holds none (it was
    // edited behind the blocker's back), the state is read from the file again
    // and, in Demon mode, the sites are blocked once more.
    bool probeHelper();
    // Installs the helper; the error's description when it failed.
    QCoro::Task<std::optional<QString>> installHelper();
    bool isBlocking() const { return m_hostsBlocker.isBlocking(); }
    int pendingRequests() const { return m_hostsBlocker.pendingRequests(); }

private:
    // The store and its other parts reach this part's internals.
    friend class TaskStore;
    friend class Outline;
    friend class OutlineEditor;
    friend class BossEngine;
    friend class BossWatch;
    friend class ChatLog;
    friend class TimelineEstimator;
    friend class StorePreferences;
    friend class WindowState;

    void initializeWebsiteBlockState();
    void liftWebsiteBlockAllowingPrompt();
    void reportRejectedSites(const QStringList& rejected);

    TaskStore& m_store;
    HostsBlocker m_hostsBlocker;
    QStringList m_reportedRejectedSites; // told once until the list changes
};

} // namespace vorn
