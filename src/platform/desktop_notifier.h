#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace vorn {

// A desktop notification through the freedesktop notification service
// (org.freedesktop.Notifications on the session bus). Each one replaces the
// one before it. Without a notification server nothing is shown and nothing
// is reported: the notification is a courtesy, the chat has the message.
class DesktopNotifier : public QObject {
    Q_OBJECT

public:
    static constexpr const char* kService = "org.freedesktop.Notifications";
    static constexpr const char* kPath = "/org/freedesktop/Notifications";
    static constexpr const char* kInterface = "org.freedesktop.Notifications";
    static constexpr const char* kMarkDoneAction = "mark-done";
    static constexpr const char* kDefaultAction = "default";

    struct Notification {
        QString summary;
        QString body;
        bool critical = false;
        // The words of the default action (a click on the notification).
        QString showLabel;
        // Non-empty: the "Mark Done" action is offered, with these words.
        QString markDoneLabel;
    };

    explicit DesktopNotifier(QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);

    void show(const Notification& notification);
    // The server's ID of the notification shown last (0: none yet).
    uint currentID() const { return m_currentID; }

signals:
    // The user chose "Mark Done" on the notification shown last.
    void markDoneRequested();
    // The user clicked the notification itself.
    void activated();

private slots:
    void onActionInvoked(uint id, const QString& action);
    void onClosed(uint id, uint reason);

private:
    QDBusConnection m_bus;
    uint m_currentID = 0;
    // Bumped by every show(), so that a late reply of an older call does not
    // take the place of a newer notification.
    quint64 m_generation = 0;
};

} // namespace vorn
