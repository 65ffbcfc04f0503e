#include "platform/instance_lock.h"

#include <QDir>

namespace vorn {

QString instanceLockPath(const QString& dataDirectory) {
    return QDir(dataDirectory).filePath(QStringLiteral("vorn.lock"));
}

InstanceLock::InstanceLock(const QString& dataDirectory)
    : path_(instanceLockPath(dataDirectory)), lock_(path_) {
    // Never treat a live holder's lock as stale because of its age: Vorn runs all day.
    lock_.setStaleLockTime(0);
}

bool InstanceLock::tryLock() {
    if (lock_.isLocked())
        return true;
    if (lock_.tryLock(0))
        return true;
    // A folder where no lock file can be made (read-only) holds no writer to
    // guard against: go on, the database opens read-only there.
    return lock_.error() != QLockFile::LockFailedError;
}

qint64 InstanceLock::holderPid() const {
    qint64 pid = 0;
    QString host;
    QString app;
    if (!lock_.getLockInfo(&pid, &host, &app))
        return 0;
    return pid;
}

} // namespace vorn
