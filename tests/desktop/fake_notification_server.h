#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

namespace vorn::test {

// A notification server on its own connection to the session bus, as a
// desktop would run it: it records every Notify call and can send the
// signals of a user's click.
class FakeNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Call {
        QString appName;
        uint replacesID = 0;
        QString appIcon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
    };

    FakeNotificationServer();
    ~FakeNotificationServer() override;
    bool isRegistered() const { return m_registered; }
    const QList<Call>& calls() const { return m_calls; }
    void invokeAction(uint id, const QString& action);

public slots:
    uint Notify(const QString& appName, uint replacesID, const QString& appIcon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout);

private:
    QDBusConnection m_bus;
    bool m_registered = false;
    QList<Call> m_calls;
    uint m_nextID = 41;
};

} // namespace vorn::test
