#include "views/desktop/tray_icon.h"

#include "model/day_glance.h"
#include "store/task_store.h"
#include "views/desktop/mode_badge.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

namespace vorn {

TrayIcon::TrayIcon(TaskStore& store, QWidget& window, SpeechSwitch speech, QObject* parent)
    : QObject(parent), m_store(store), m_window(&window), m_speech(std::move(speech)),
      m_menu(std::make_unique<QMenu>()) {
    m_icon = new QSystemTrayIcon(this);
    m_icon->setContextMenu(m_menu.get());
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            toggleWindow();
    });
    connect(&m_store.outline(), &Outline::tasksChanged, this, &TrayIcon::refresh);
    connect(&m_store.boss(), &BossEngine::activeBossModeChanged, this, &TrayIcon::refresh);
    // The minutes left change with the clock, not with the store.
    m_minute.setInterval(60'000);
    connect(&m_minute, &QTimer::timeout, this, &TrayIcon::refresh);
    m_minute.start();
    // The menu's words are read when it opens, so Show/Hide and the speech
    // switch are always current.
    connect(m_menu.get(), &QMenu::aboutToShow, this, &TrayIcon::rebuildMenu);
    refresh();
}

TrayIcon::~TrayIcon() = default;

bool TrayIcon::isTrayAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::setVisible(bool visible) {
    m_icon->setVisible(visible);
}

void TrayIcon::showMessage(const QString& title, const QString& text) {
    m_icon->showMessage(title, text, m_icon->icon());
}

void TrayIcon::refresh() {
    const DayGlance day = glanceAtDay(m_store.outline().tasks(), m_store.now());
    m_texts = trayTexts(day, m_store.boss().activeBossMode());
    if (!m_mode || *m_mode != m_store.boss().activeBossMode().value_or(BossAIMode::normal)) {
        m_mode = m_store.boss().activeBossMode().value_or(BossAIMode::normal);
        m_icon->setIcon(modeBadgeIcon(m_mode));
    }
    m_icon->setToolTip(m_texts.tooltip);
    // An open menu is left alone; it is rebuilt when it opens next.
    if (!m_menu->isVisible())
        rebuildMenu();
}

void TrayIcon::rebuildMenu() {
    // clear() drops the actions but not the submenus of the tasks.
    for (QMenu* submenu : m_menu->findChildren<QMenu*>(Qt::FindDirectChildrenOnly))
        submenu->deleteLater();
    m_menu->clear();
    const auto markDone = [this](const QUuid& id) {
        // Only an open task: a stale menu never reopens a finished one.
        for (const TaskItem& task : m_store.outline().tasks()) {
            if (task.id == id && !task.isCompleted) {
                m_store.toggleCompletion(id);
                return;
            }
        }
    };
    if (m_texts.current) {
        QAction* now = m_menu->addAction(m_texts.current->text);
        now->setEnabled(false);
        const QUuid id = m_texts.current->taskID;
        m_menu->addAction(tr("Mark Done"), this, [markDone, id] { markDone(id); });
    } else {
        m_menu->addAction(m_texts.tooltip.section(QLatin1Char('\n'), 1))->setEnabled(false);
    }
    if (!m_texts.next.isEmpty()) {
        m_menu->addSection(tr("Next"));
        for (const TrayTexts::Entry& entry : m_texts.next) {
            QMenu* task = m_menu->addMenu(entry.text);
            const QUuid id = entry.taskID;
            task->addAction(tr("Mark Done"), this, [markDone, id] { markDone(id); });
        }
    }
    m_menu->addSeparator();
    const bool shown = m_window && m_window->isVisible();
    m_menu->addAction(shown ? tr("Hide Vorn") : tr("Show Vorn"), this, &TrayIcon::toggleWindow);
    QAction* speak = m_menu->addAction(tr("Speak Messages"));
    speak->setCheckable(true);
    speak->setChecked(m_speech.isOn && m_speech.isOn());
    connect(speak, &QAction::toggled, this, [this](bool on) {
        if (m_speech.set)
            m_speech.set(on);
    });
    m_menu->addSeparator();
    m_menu->addAction(tr("Quit"), this, &TrayIcon::quitRequested);
}

void TrayIcon::toggleWindow() {
    if (!m_window)
        return;
    if (m_window->isVisible() && !m_window->isMinimized()) {
        m_window->hide();
    } else {
        m_window->showNormal();
        m_window->raise();
        m_window->activateWindow();
    }
    rebuildMenu();
}

} // namespace vorn
