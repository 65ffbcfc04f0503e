#pragma once

#include "platform/instant.h"

#include <QKeySequence>
#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <optional>

class QAction;
class QMessageBox;
class QToolButton;

namespace vorn {

class AnalyticsSheet;
class ChatPanel;
class ConnectionAccess;
class KeyboardShortcutsDialog;
class ImportTasksSheet;
class OutlineView;
class PanelSplitter;
class SettingsWindow;
class SurgeCountdown;
class TaskStore;

// The main window: the outline on the left, the chat with Vorn on the right,
// the toolbar, the menus, the import sheet, the error alert and the surge
// countdown. It starts the boss watch while the application is in front and
// stops it when it goes to the back. The keyboard starts on the outline table;
// Tab and Shift+Tab go round the table, the chat input and the list title.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // `connection` keeps the proxy settings; it must outlive the window.
    MainWindow(TaskStore& store, ConnectionAccess& connection, QWidget* parent = nullptr);
    ~MainWindow() override;

    OutlineView* listPane() const { return m_listPane; }
    ChatPanel* chatPane() const { return m_chatPane; }
    // The settings window and the analytics sheet while they are open.
    SettingsWindow* settingsWindow() const;
    AnalyticsSheet* analyticsSheet() const;
    QToolButton* showChatButton() const { return m_showChatButton; }
    SurgeCountdown* surgeCountdown() const { return m_surge; }
    ImportTasksSheet* importSheet();
    QMessageBox* errorAlert() const { return m_errorAlert; }
    PanelSplitter* splitter() const { return m_splitter; }
    // Toolbar and menu commands by their labels' meaning.
    QAction* importAction() const { return m_importAction; }
    QAction* analyticsAction() const { return m_analyticsAction; }
    QAction* chatToggleAction() const { return m_chatToggleAction; }
    QAction* restartAction() const { return m_restartAction; }
    QAction* estimateAction() const { return m_estimateAction; }
    QAction* estimateBusyAction() const { return m_estimateBusyAction; }
    QAction* settingsAction() const { return m_settingsAction; }
    QAction* undoAction() const { return m_undoAction; }
    QAction* redoAction() const { return m_redoAction; }
    QAction* quitAction() const { return m_quitAction; }
    QAction* copyAction() const { return m_copyAction; }
    QAction* pasteAction() const { return m_pasteAction; }
    QAction* selectAllAction() const { return m_selectAllAction; }
    QAction* shortcutsAction() const { return m_shortcutsAction; }
    QAction* aboutAction() const { return m_aboutAction; }
    // Help › Keyboard Shortcuts while it is open.
    KeyboardShortcutsDialog* shortcutsDialog() const;

    // The application came to the front (true) or went to the back (false);
    // only a change starts or stops the boss watch.
    void setSceneActive(bool active);
    // With Vorn in the tray, the boss keeps watching while the window is in
    // the background or hidden: its messages reach the desktop there.
    void keepWatchingInBackground();

    // Saves the workspace and lifts a website block without asking for a password.
    void prepareForQuit();
    // Asked when the window is closed: true when it went somewhere else (the
    // tray) and Vorn keeps running; without one, closing quits.
    void setCloseHandler(std::function<bool()> handler) { m_closeHandler = std::move(handler); }

signals:
    void settingsRequested();
    void analyticsRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void buildToolbar();
    void buildMenus();
    // Hands an edit command from the menu to the focused widget as its key.
    void relayKey(QKeySequence::StandardKey standard);
    void showKeyboardShortcuts();
    void showAbout();
    void openSettings();
    void openAnalytics();
    void followErrorMessage();
    // Whether the user is typing, in any of Vorn's windows: a key a moment
    // ago, or a text field with the keyboard.
    bool isTyping() const;
    void followChatVisibility();
    void followEstimating();
    void followUndoState();
    void applyPanelWidths();
    void rememberDividerPosition();
    void placeFloatingControls();
    void applyMinimumSizes();

    TaskStore& m_store;
    ConnectionAccess& m_connection;
    PanelSplitter* m_splitter = nullptr;
    OutlineView* m_listPane = nullptr;
    ChatPanel* m_chatPane = nullptr;
    QPointer<SettingsWindow> m_settings;
    QPointer<AnalyticsSheet> m_analytics;
    QToolButton* m_showChatButton = nullptr;
    SurgeCountdown* m_surge = nullptr;
    ImportTasksSheet* m_importSheet = nullptr;
    QMessageBox* m_errorAlert = nullptr;
    std::optional<Instant> m_lastKeyAt; // the last key pressed in Vorn (not in the alert), for the alert
    QAction* m_importAction = nullptr;
    QAction* m_analyticsAction = nullptr;
    QAction* m_chatToggleAction = nullptr;
    QAction* m_restartAction = nullptr;
    QAction* m_estimateAction = nullptr;
    QAction* m_estimateBusyAction = nullptr;
    QAction* m_settingsAction = nullptr;
    QAction* m_undoAction = nullptr;
    QAction* m_redoAction = nullptr;
    QAction* m_quitAction = nullptr;
    std::function<bool()> m_closeHandler;
    bool m_watchInBackground = false;
    bool m_quitting = false;
    QAction* m_copyAction = nullptr;
    QAction* m_pasteAction = nullptr;
    QAction* m_selectAllAction = nullptr;
    QAction* m_shortcutsAction = nullptr;
    QAction* m_aboutAction = nullptr;
    QPointer<KeyboardShortcutsDialog> m_shortcuts;
    bool m_sceneActive = false;
    bool m_applyingWidths = false;
};

} // namespace vorn
