#include "platform/desktop_notifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace vorn {

namespace {

// The freedesktop notification urgencies.
constexpr uchar kUrgencyNormal = 1;
constexpr uchar kUrgencyCritical = 2;

} // namespace

DesktopNotifier::DesktopNotifier(QDBusConnection bus, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)) {
    if (!m_bus.isConnected())
        return;
    const QString service = QLatin1String(kService);
    const QString path = QLatin1String(kPath);
    const QString interface = QLatin1String(kInterface);
    // QtDBus subscribes to signals by slot signature only.
    m_bus.connect(service, path, interface, QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(uint, QString)));
    m_bus.connect(service, path, interface, QStringLiteral("NotificationClosed"), this,
                  SLOT(onClosed(uint, uint)));
}

void DesktopNotifier::show(const Notification& notification) {
    if (!m_bus.isConnected())
        return;
    QStringList actions{QLatin1String(kDefaultAction), notification.showLabel};
    if (!notification.markDoneLabel.isEmpty())
        actions << QLatin1String(kMarkDoneAction) << notification.markDoneLabel;
    const QVariantMap hints{
        {QStringLiteral("urgency"),
         QVariant::fromValue(notification.critical ? kUrgencyCritical : kUrgencyNormal)},
        {QStringLiteral("desktop-entry"), QStringLiteral("io.github.vorn.vorn")},
    };
    QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(kService), QLatin1String(kPath),
                                                       QLatin1String(kInterface), QStringLiteral("Notify"));
    // No server is no error: never start one just for this.
    call.setAutoStartService(false);
    call << QStringLiteral("Vorn") << m_currentID << QStringLiteral("io.github.vorn.vorn")
         << notification.summary << notification.body << actions << hints << -1;
    const quint64 generation = ++m_generation;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation](QDBusPendingCallWatcher* w) {
                const QDBusPendingReply<uint> reply = *w;
                if (!reply.isError() && generation == m_generation)
                    m_currentID = reply.value();
                w->deleteLater();
            });
}

void DesktopNotifier::onActionInvoked(uint id, const QString& action) {
    if (id == 0 || id != m_currentID)
        return;
    if (action == QLatin1String(kMarkDoneAction))
        emit markDoneRequested();
    else if (action == QLatin1String(kDefaultAction))
        emit activated();
}

void DesktopNotifier::onClosed(uint id, uint) {
    if (id == m_currentID)
        m_currentID = 0;
}

} // namespace vorn
