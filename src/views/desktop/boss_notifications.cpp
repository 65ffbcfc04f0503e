#include "views/desktop/boss_notifications.h"

#include "platform/desktop_notifier.h"
#include "store/task_store.h"
#include "views/desktop/tray_texts.h"

#include <QWidget>

#include <utility>

namespace vorn {

BossNotifications::BossNotifications(TaskStore& store, DesktopNotifier& notifier, QWidget& window,
                                     std::function<bool()> enabled, QObject* parent)
    : QObject(parent), m_store(store), m_notifier(notifier), m_window(&window),
      m_enabled(std::move(enabled)) {
    connect(&m_store.chat(), &ChatLog::bossMessageRevealed, this, &BossNotifications::notify);
    connect(&m_notifier, &DesktopNotifier::markDoneRequested, this, &BossNotifications::markDone);
    connect(&m_notifier, &DesktopNotifier::activated, this, &BossNotifications::raiseWindow);
}

void BossNotifications::notify(const ChatMessage& message, const std::optional<QUuid>& regardingTaskID) {
    if ((m_enabled && !m_enabled()) || (m_window && m_window->isActiveWindow()))
        return;
    m_taskID = regardingTaskID;
    DesktopNotifier::Notification notification;
    notification.summary = trayModeHeading(message.mode);
    notification.body = message.content;
    notification.critical = message.mode == BossAIMode::demon;
    notification.showLabel = tr("Show Vorn");
    if (regardingTaskID)
        notification.markDoneLabel = tr("Mark Done");
    m_notifier.show(notification);
}

void BossNotifications::markDone() {
    const std::optional<QUuid> id = std::exchange(m_taskID, std::nullopt);
    if (!id)
        return;
    for (const TaskItem& task : m_store.outline().tasks()) {
        if (task.id == *id && !task.isCompleted) {
            m_store.toggleCompletion(*id);
            return;
        }
    }
}

void BossNotifications::raiseWindow() {
    if (!m_window)
        return;
    m_window->showNormal();
    m_window->raise();
    m_window->activateWindow();
}

} // namespace vorn
