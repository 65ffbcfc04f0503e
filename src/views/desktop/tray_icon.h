#pragma once

#include "views/desktop/tray_texts.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace vorn {

class TaskStore;

// Vorn in the panel: the mode's icon, the task at hand with its finish time
// and minutes left in the tooltip, and a menu to mark tasks done, show or hide
// the window, switch speech and quit. Follows the schedule minute by minute.
class TrayIcon : public QObject {
    Q_OBJECT

public:
    struct SpeechSwitch {
        std::function<bool()> isOn;
        std::function<void(bool)> set;
    };

    TrayIcon(TaskStore& store, QWidget& window, SpeechSwitch speech, QObject* parent = nullptr);
    ~TrayIcon() override;

    // Whether the desktop has a panel that shows tray icons.
    static bool isTrayAvailable();
    void setVisible(bool visible);
    // Shows a one-off message from the icon (where the panel supports it).
    void showMessage(const QString& title, const QString& text);

    // What the tray shows now; also used by tests, which need no panel.
    const TrayTexts& texts() const { return m_texts; }
    QMenu* menu() const { return m_menu.get(); }
    void refresh();

signals:
    void quitRequested();

private:
    void rebuildMenu();
    void toggleWindow();

    TaskStore& m_store;
    QPointer<QWidget> m_window;
    SpeechSwitch m_speech;
    std::unique_ptr<QMenu> m_menu;
    QSystemTrayIcon* m_icon = nullptr;
    QTimer m_minute;
    TrayTexts m_texts;
    std::optional<BossAIMode> m_mode;
};

} // namespace vorn
