#include "platform/data_paths.h"

#include <QDir>
#include <QStandardPaths>

namespace vorn::paths {

QString dataDirectory() {
    const QString overridden = qEnvironmentVariable("VORN_DATA_DIR");
    if (!overridden.isEmpty())
        return QDir::cleanPath(overridden);
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/Vorn");
}

QString databasePath() {
    return dataDirectory() + QStringLiteral("/vorn.sqlite");
}

bool ensureDirectory(const QString& dir) {
    return QDir().mkpath(dir);
}

} // namespace vorn::paths
