#include "views/desktop/desktop_presence.h"

#include "store/task_store.h"

#include <QCoreApplication>
#include <QWidget>

namespace vorn {

DesktopPresence::DesktopPresence(TaskStore& store, QWidget& window, bool trayAvailable, QDBusConnection bus,
                                 QObject* parent)
    : QObject(parent), m_window(&window), m_notifier(std::move(bus)) {
    m_notifications = std::make_unique<BossNotifications>(
        store, m_notifier, window, [&store] { return store.settings().showNotifications(); });
    if (!trayAvailable)
        return;
    TrayIcon::SpeechSwitch speech{[&store] { return store.settings().speakMessages(); },
                                  [&store](bool on) { store.settings().setSpeakMessages(on); }};
    m_tray = std::make_unique<TrayIcon>(store, window, std::move(speech));
    connect(m_tray.get(), &TrayIcon::quitRequested, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    m_tray->setVisible(true);
}

DesktopPresence::~DesktopPresence() = default;

bool DesktopPresence::hideToTray() {
    if (!m_tray || !m_window)
        return false;
    m_window->hide();
    m_tray->refresh();
    if (!m_toldAboutTray) {
        m_toldAboutTray = true;
        DesktopNotifier::Notification note;
        note.summary = tr("Vorn is still running");
        note.body =
            tr("Vorn keeps watching your day from the panel. Quit it from the tray menu or with Ctrl+Q.");
        note.showLabel = tr("Show Vorn");
        m_notifier.show(note);
    }
    return true;
}

} // namespace vorn
