#pragma once

#include <QMainWindow>
#include <QPointer>

class QAction;
class QMessageBox;
class QToolButton;

namespace vorn {

class AnalyticsSheet;
class ChatPanel;
class ImportTasksSheet;
class OutlineView;
class PanelSplitter;
class SettingsWindow;
class SurgeCountdown;
class TaskStore;

// The main window: the outline on the left, the chat with Vorn on the right,
// the toolbar, the Edit menu, the import sheet, the error alert and the surge
// countdown. It starts the boss watch while the application is in front and
// stops it when it goes to the back.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(TaskStore* store, QWidget* parent = nullptr);
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

    // The application came to the front (true) or went to the back (false);
    // only a change starts or stops the boss watch.
    void setSceneActive(bool active);

    // Saves the workspace and lifts a website block without asking for a password.
    void prepareForQuit();

signals:
    void settingsRequested();
    void analyticsRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildToolbar();
    void buildMenus();
    void openSettings();
    void openAnalytics();
    void followImportSheet();
    void followErrorMessage();
    void followChatVisibility();
    void followEstimating();
    void followUndoState();
    void applyPanelWidths();
    void rememberDividerPosition();
    void placeFloatingControls();
    void applyMinimumSizes();

    QPointer<TaskStore> m_store;
    PanelSplitter* m_splitter = nullptr;
    OutlineView* m_listPane = nullptr;
    ChatPanel* m_chatPane = nullptr;
    QPointer<SettingsWindow> m_settings;
    QPointer<AnalyticsSheet> m_analytics;
    QToolButton* m_showChatButton = nullptr;
    SurgeCountdown* m_surge = nullptr;
    ImportTasksSheet* m_importSheet = nullptr;
    QMessageBox* m_errorAlert = nullptr;
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
    bool m_sceneActive = false;
    bool m_applyingWidths = false;
};

} // namespace vorn
