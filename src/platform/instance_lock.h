#pragma once

#include <QLockFile>
#include <QString>

namespace vorn {

// One Vorn per data folder. Two copies writing one database end with one
// copy's tasks and the other's outline order, so the second start must step
// aside. The lock is a file beside the database ("vorn.lock"); QLockFile
// records the holder's process, so the lock of a copy that crashed is stale
// and taken over by the next start.
class InstanceLock {
public:
    explicit InstanceLock(const QString& dataDirectory);
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // False only while another live process holds the lock. True when this
    // process holds it, or when the folder cannot hold a lock file at all.
    bool tryLock();
    bool isLocked() const { return lock_.isLocked(); }
    // The process that holds the lock, 0 when unknown.
    qint64 holderPid() const;
    QString lockFilePath() const { return path_; }

private:
    QString path_;
    QLockFile lock_;
};

// dataDirectory + "/vorn.lock".
QString instanceLockPath(const QString& dataDirectory);

} // namespace vorn
