// The main window's toolbar and the commands behind it.
#include "store/task_store.h"
#include "views/analytics/analytics_sheet.h"
#include "views/icons.h"
#include "views/import_tasks_sheet.h"
#include "views/main_window.h"
#include "views/settings/settings_window.h"

#include <QAction>
#include <QProgressBar>
#include <QToolBar>
#include <QToolButton>

namespace vorn {

void MainWindow::buildToolbar() {
    QToolBar* bar = addToolBar(QStringLiteral("Toolbar"));
    bar->setObjectName(QStringLiteral("mainToolbar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    bar->toggleViewAction()->setEnabled(false);
    // The button that shows the commands a narrow window has no room for.
    if (auto* more = bar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button")))
        more->setAccessibleName(QStringLiteral("More commands"));

    m_importAction =
        bar->addAction(themedIcon(QStringLiteral("document-import"), QStringLiteral("app-import")),
                       QStringLiteral("Import"));
    m_importAction->setToolTip(QStringLiteral("Import tasks from pasted text"));
    connect(m_importAction, &QAction::triggered, this, [this] {
        ImportTasksSheet* sheet = importSheet();
        if (!sheet->isVisible())
            sheet->open();
    });

    m_analyticsAction =
        bar->addAction(themedIcon(QStringLiteral("office-chart-bar"), QStringLiteral("app-analytics")),
                       QStringLiteral("Analytics"));
    m_analyticsAction->setToolTip(QStringLiteral("View completion analytics"));
    connect(m_analyticsAction, &QAction::triggered, this, &MainWindow::openAnalytics);

    m_chatToggleAction = bar->addAction(QStringLiteral("Hide Vorn"));
    connect(m_chatToggleAction, &QAction::triggered, this,
            [this] { m_store.window().setIsChatVisible(!m_store.window().isChatVisible()); });

    m_restartAction =
        bar->addAction(themedIcon(QStringLiteral("chronometer-reset"), QStringLiteral("app-restart")),
                       QStringLiteral("Restart from Now"));
    connect(m_restartAction, &QAction::triggered, this, [this] { m_store.outline().resetStartToNow(); });

    m_estimateAction =
        bar->addAction(themedIcon(QStringLiteral("tools-wizard"), QStringLiteral("app-estimate")),
                       QStringLiteral("AI Estimate"));
    connect(m_estimateAction, &QAction::triggered, this, [this] {
        if (!m_store.estimate().isEstimating())
            m_store.estimate().estimateWithAI(); // runs on; the store reports its outcome
    });
    auto* busy = new QProgressBar;
    busy->setRange(0, 0);
    busy->setTextVisible(false);
    busy->setFixedSize(64, 10);
    busy->setAccessibleName(QStringLiteral("Estimating"));
    m_estimateBusyAction = bar->addWidget(busy);

    m_settingsAction =
        bar->addAction(themedIcon(QStringLiteral("preferences-system"), QStringLiteral("app-settings")),
                       QStringLiteral("Settings"));
    m_settingsAction->setMenuRole(QAction::PreferencesRole);
    connect(m_settingsAction, &QAction::triggered, this, &MainWindow::openSettings);
}

void MainWindow::followEstimating() {
    const bool estimating = m_store.estimate().isEstimating();
    m_estimateAction->setVisible(!estimating);
    m_estimateBusyAction->setVisible(estimating);
    m_estimateAction->setEnabled(!estimating && !m_store.outline().tasks().isEmpty());
}

void MainWindow::followUndoState() {
    m_undoAction->setEnabled(m_store.editor().canUndo());
    m_redoAction->setEnabled(m_store.editor().canRedo());
}

// The settings window and the analytics sheet open from here.
SettingsWindow* MainWindow::settingsWindow() const {
    return m_settings.data();
}

AnalyticsSheet* MainWindow::analyticsSheet() const {
    return m_analytics.data();
}

// One settings window, raised when it is already open.
void MainWindow::openSettings() {
    if (!m_settings) {
        m_settings = new SettingsWindow(m_store, m_connection);
        m_settings->setAttribute(Qt::WA_DeleteOnClose);
        // It closes with the main window: quitting ends Vorn.
        connect(this, &QObject::destroyed, m_settings, &QWidget::close);
    }
    m_settings->show();
    m_settings->raise();
    m_settings->activateWindow();
    emit settingsRequested();
}

// The analytics sheet reads the records once, when it opens.
void MainWindow::openAnalytics() {
    if (m_analytics)
        m_analytics->close();
    m_analytics = new AnalyticsSheet(m_store, this);
    m_analytics->setAttribute(Qt::WA_DeleteOnClose);
    m_analytics->open();
    emit analyticsRequested();
}

} // namespace vorn
