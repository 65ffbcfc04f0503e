#include "platform/autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace vorn::autostart {

QString filePath(const EnvironmentLookup& lookup) {
    QString config;
    if (const auto xdg = lookup(QStringLiteral("XDG_CONFIG_HOME")); xdg && QDir::isAbsolutePath(*xdg))
        config = *xdg;
    else if (const auto home = lookup(QStringLiteral("HOME")); home && !home->isEmpty())
        config = *home + QStringLiteral("/.config");
    if (config.isEmpty())
        return {};
    return config + QStringLiteral("/autostart/") + QLatin1String(kFileName);
}

QString filePath() {
    return filePath([](const QString& name) -> std::optional<QString> {
        const QByteArray value = qgetenv(name.toLocal8Bit().constData());
        if (value.isNull())
            return std::nullopt;
        return QString::fromLocal8Bit(value);
    });
}

QString entryText() {
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Vorn\n"
                          "Comment=Plan one working day, with a boss that pushes you through it\n"
                          "Exec=%1\n"
                          "Icon=io.github.vorn.vorn\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(QLatin1String(kCommand));
}

namespace {

QString oldEntryBeside(const QString& path) {
    return QFileInfo(path).dir().filePath(QLatin1String(kOldFileName));
}

bool startsVorn(const QString& path) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return false;
    bool execsVorn = false;
    bool hidden = false;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith("Exec="))
            execsVorn = line.mid(5).trimmed().startsWith("vorn");
        else if (line.startsWith("Hidden="))
            hidden = line.mid(7).trimmed() == "true";
    }
    return execsVorn && !hidden;
}

} // namespace

bool isEnabled(const QString& path) {
    return startsVorn(path) || (!path.isEmpty() && startsVorn(oldEntryBeside(path)));
}

std::optional<QString> setEnabled(const QString& path, bool enabled) {
    if (path.isEmpty())
        return QStringLiteral("No configuration folder: neither XDG_CONFIG_HOME nor HOME is set.");
    const QString old = oldEntryBeside(path);
    if (QFileInfo::exists(old) && !QFile::remove(old))
        return QStringLiteral("Could not remove %1.").arg(old);
    if (!enabled) {
        if (QFileInfo::exists(path) && !QFile::remove(path))
            return QStringLiteral("Could not remove %1.").arg(path);
        return std::nullopt;
    }
    if (!QDir().mkpath(QFileInfo(path).path()))
        return QStringLiteral("Could not create the folder %1.").arg(QFileInfo(path).path());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(entryText().toUtf8()) < 0 || !file.commit())
        return QStringLiteral("Could not write %1: %2").arg(path, file.errorString());
    return std::nullopt;
}

} // namespace vorn::autostart
