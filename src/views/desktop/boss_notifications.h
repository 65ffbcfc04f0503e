#pragma once

#include "model/records.h"

#include <QObject>
#include <QPointer>
#include <QUuid>

#include <functional>
#include <optional>

class QWidget;

namespace vorn {

class DesktopNotifier;
class TaskStore;

// Boss messages reach the desktop while Vorn's window is not the active one:
// a notification with the mode in its heading (urgent in Demon mode) and, when
// the message is about an open task, "Mark Done" for it. Clicking the
// notification brings the window back.
class BossNotifications : public QObject {
    Q_OBJECT

public:
    BossNotifications(TaskStore& store, DesktopNotifier& notifier, QWidget& window,
                      std::function<bool()> enabled, QObject* parent = nullptr);

private:
    void notify(const ChatMessage& message, const std::optional<QUuid>& regardingTaskID);
    void markDone();
    void raiseWindow();

    TaskStore& m_store;
    DesktopNotifier& m_notifier;
    QPointer<QWidget> m_window;
    std::function<bool()> m_enabled;
    // The task of the notification shown last.
    std::optional<QUuid> m_taskID;
};

} // namespace vorn
