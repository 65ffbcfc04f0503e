#include "fake_notification_server.h"

#include <QDBusMessage>

namespace vorn::test {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
} // namespace

FakeNotificationServer::FakeNotificationServer()
    : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                          QStringLiteral("fake-notification-server"))) {
    m_registered = m_bus.isConnected() && m_bus.registerService(kService) &&
                   m_bus.registerObject(kPath, this, QDBusConnection::ExportAllSlots);
}

FakeNotificationServer::~FakeNotificationServer() {
    m_bus.unregisterObject(kPath);
    m_bus.unregisterService(kService);
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-notification-server"));
}

uint FakeNotificationServer::Notify(const QString& appName, uint replacesID, const QString& appIcon,
                                    const QString& summary, const QString& body, const QStringList& actions,
                                    const QVariantMap& hints, int) {
    m_calls.append({appName, replacesID, appIcon, summary, body, actions, hints});
    return replacesID != 0 ? replacesID : m_nextID++;
}

void FakeNotificationServer::invokeAction(uint id, const QString& action) {
    QDBusMessage signal = QDBusMessage::createSignal(kPath, kService, QStringLiteral("ActionInvoked"));
    signal << id << action;
    m_bus.send(signal);
}

} // namespace vorn::test
