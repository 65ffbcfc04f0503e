#pragma once

#include "platform/desktop_notifier.h"
#include "views/desktop/boss_notifications.h"
#include "views/desktop/tray_icon.h"

#include <QObject>
#include <QPointer>

#include <memory>

namespace vorn {

class TaskStore;

// Vorn beyond its window: the tray icon (where the desktop has a tray) and
// boss messages as desktop notifications. With a tray, closing the window
// hides it there, and the first time that happens a notification says so.
class DesktopPresence : public QObject {
    Q_OBJECT

public:
    DesktopPresence(TaskStore& store, QWidget& window, bool trayAvailable,
                    QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);
    ~DesktopPresence() override;

    bool hasTray() const { return m_tray != nullptr; }
    TrayIcon* tray() const { return m_tray.get(); }
    // The window's close button: true when the window went to the tray
    // instead (Vorn keeps running), false when closing should quit.
    bool hideToTray();

private:
    QPointer<QWidget> m_window;
    DesktopNotifier m_notifier;
    std::unique_ptr<BossNotifications> m_notifications;
    std::unique_ptr<TrayIcon> m_tray;
    bool m_toldAboutTray = false;
};

} // namespace vorn
