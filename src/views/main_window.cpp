#include "views/main_window.h"

#include "store/task_store.h"
#include "views/analytics/analytics_sheet.h"
#include "views/app_notifications.h"
#include "views/chat/chat_input.h"
#include "views/chat/chat_panel.h"
#include "views/focus_ring.h"
#include "views/icons.h"
#include "views/import_tasks_sheet.h"
#include "views/main_layout.h"
#include "views/outline/outline_header_bar.h"
#include "views/outline/outline_table.h"
#include "views/outline/outline_view.h"
#include "views/panel_splitter.h"
#include "views/settings/settings_window.h"
#include "views/surge_countdown.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace vorn {

namespace {
constexpr int kShowChatButtonMargin = 6; // from the window's edge
} // namespace

MainWindow::MainWindow(TaskStore& store, ConnectionAccess& connection, QWidget* parent)
    : QMainWindow(parent), m_store(store), m_connection(connection) {
    setWindowTitle(QStringLiteral("Vorn"));

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    m_splitter = new PanelSplitter;
    // The outline on the left and the chat on the right.
    m_listPane = new OutlineView(store);
    m_chatPane = new ChatPanel(store);
    // Each pane keeps what its layout needs (the list at least its 240)
    // however wide the other is asked to be; the widths themselves come from
    // the stored fraction.
    m_splitter->addWidget(m_listPane);
    m_splitter->addWidget(m_chatPane);
    m_splitter->setStretchFactor(0, 1);
    m_splitter->setStretchFactor(1, 0);
    layout->addWidget(m_splitter);
    setCentralWidget(central);
    central->installEventFilter(this);
    m_splitter->installEventFilter(this);
    // A press anywhere in the chat (whatever widgets it makes later) drops
    // the outline's row selection.
    qApp->installEventFilter(this);

    m_showChatButton = new QToolButton(central);
    m_showChatButton->setObjectName(QStringLiteral("showVornButton"));
    m_showChatButton->setText(QStringLiteral("V"));
    m_showChatButton->setToolTip(tr("Show Vorn"));
    QFont vFont = m_showChatButton->font();
    vFont.setPointSize(17);
    vFont.setBold(true);
    m_showChatButton->setFont(vFont);
    m_showChatButton->setFixedWidth(28);
    m_showChatButton->setStyleSheet(
        QStringLiteral("#showVornButton { color: palette(highlighted-text); background: palette(highlight);"
                       " border: none; border-radius: 8px; padding: 14px 0px; }"));
    m_showChatButton->adjustSize();
    connect(m_showChatButton, &QToolButton::clicked, this,
            [this] { m_store.window().setIsChatVisible(true); });

    m_surge = new SurgeCountdown(store, central);
    buildToolbar();
    buildMenus();
    statusBar();
    applyMinimumSizes();
    resize(1100, 700);

    // The keyboard starts on the table (its first open task current) and goes
    // round the table, the chat input and the list title; a ring marks where it is.
    m_chatPane->input()->setAccessibleName(tr("Message to Vorn"));
    m_showChatButton->setAccessibleName(tr("Show Vorn"));
    new FocusRing(this);
    m_listPane->table()->showFirstOpenTask();
    m_listPane->table()->setFocus(Qt::OtherFocusReason);
    // Escape in the chat input goes back to the list, the draft kept.
    connect(m_chatPane->input(), &ChatInput::leaveRequested, this,
            [this] { m_listPane->table()->setFocus(Qt::OtherFocusReason); });

    // A list loaded from elsewhere (a second start's --import) ends an import in progress here.
    connect(&store, &TaskStore::listReplaced, this, [this] {
        if (m_importSheet && m_importSheet->isVisible())
            m_importSheet->close();
    });
    connect(&store, &TaskStore::errorMessageChanged, this, &MainWindow::followErrorMessage);
    connect(&store.window(), &WindowState::isChatVisibleChanged, this, &MainWindow::followChatVisibility);
    connect(&store.window(), &WindowState::chatPanelFractionChanged, this, &MainWindow::applyPanelWidths);
    connect(&store.estimate(), &TimelineEstimator::isEstimatingChanged, this, &MainWindow::followEstimating);
    connect(&store.outline(), &Outline::tasksChanged, this, &MainWindow::followEstimating);
    connect(&store.editor(), &OutlineEditor::undoStateChanged, this, &MainWindow::followUndoState);
    connect(&store, &TaskStore::statusMessageChanged, this,
            [this] { statusBar()->showMessage(m_store.statusMessage().value_or(QString())); });
    connect(m_splitter, &QSplitter::splitterMoved, this, &MainWindow::rememberDividerPosition);
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) { setSceneActive(state == Qt::ApplicationActive); });
    connect(qApp, &QCoreApplication::aboutToQuit, this, &MainWindow::prepareForQuit);

    followChatVisibility();
    followEstimating();
    followUndoState();
    statusBar()->showMessage(store.statusMessage().value_or(QString()));
    if (store.errorMessage())
        followErrorMessage();
}

MainWindow::~MainWindow() {
    // The settings window is a window of its own; it goes with the main window.
    delete m_settings.data();
}

void MainWindow::applyMinimumSizes() {
    m_listPane->setMinimumWidth(std::max(qRound(kMinimumListWidth), m_listPane->minimumSizeHint().width()));
    m_chatPane->setMinimumWidth(m_chatPane->minimumSizeHint().width());
    // The window: the menus, the toolbar, both panes side by side and the
    // status line, and never less than 640 x 420.
    const QSize needed = minimumSizeHint();
    setMinimumSize(std::max(640, needed.width()), std::max(420, needed.height()));
}

void MainWindow::keepWatchingInBackground() {
    m_watchInBackground = true;
    setSceneActive(true);
}

void MainWindow::setSceneActive(bool active) {
    if (m_watchInBackground)
        active = true;
    if (active == m_sceneActive)
        return;
    m_sceneActive = active;
    if (active)
        m_store.watch().startBossAI();
    else
        m_store.watch().stopBossAI();
}

void MainWindow::prepareForQuit() {
    m_store.persistWorkspace();
    // Never leave the sites blocked behind us; no password prompt on the way out.
    m_store.blocking().shutDownWebsiteBlocking();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!m_quitting && m_closeHandler && m_closeHandler()) {
        event->ignore();
        return;
    }
    // Closing the main window ends Vorn, even with the settings window open.
    event->accept();
    QCoreApplication::quit();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::Resize && (watched == centralWidget() || watched == m_splitter)) {
        if (watched == m_splitter)
            applyPanelWidths();
        else
            placeFloatingControls();
    } else if (type == QEvent::KeyPress && watched->isWidgetType() &&
               static_cast<QWidget*>(watched)->window() != m_errorAlert) {
        m_lastKeyAt = m_store.now();
    } else if (type == QEvent::MouseButtonPress && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget == m_chatPane || m_chatPane->isAncestorOf(widget))
            AppNotifications::instance().postClearTaskRowSelection();
    }
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::focusNextPrevChild(bool next) {
    QWidget* focused = QApplication::focusWidget();
    QList<QWidget*> stops{m_listPane->table()};
    if (m_chatPane->isVisible())
        stops.append(m_chatPane->input());
    stops.append(m_listPane->headerBar()->titleField());
    const auto at = std::find_if(stops.cbegin(), stops.cend(), [focused](QWidget* stop) {
        return focused && (stop == focused || stop->isAncestorOf(focused));
    });
    if (at == stops.cend())
        return QMainWindow::focusNextPrevChild(next);
    const qsizetype count = stops.size();
    const qsizetype i = ((at - stops.cbegin()) + (next ? 1 : count - 1)) % count;
    stops.at(i)->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

ImportTasksSheet* MainWindow::importSheet() {
    // Made on first use: most runs never open it, and the window shows sooner.
    if (!m_importSheet)
        m_importSheet = new ImportTasksSheet(m_store, this);
    return m_importSheet;
}

bool MainWindow::isTyping() const {
    constexpr double kTypingPauseSeconds = 3.0;
    if (m_lastKeyAt && m_store.now() - *m_lastKeyAt < kTypingPauseSeconds)
        return true;
    const QWidget* focused = QApplication::focusWidget();
    return qobject_cast<const QLineEdit*>(focused) || qobject_cast<const QPlainTextEdit*>(focused);
}

void MainWindow::followErrorMessage() {
    const std::optional<QString>& message = m_store.errorMessage();
    if (!message) {
        if (m_errorAlert && m_errorAlert->isVisible())
            m_errorAlert->done(QMessageBox::Ok);
        return;
    }
    // A closed alert is made anew: whether it takes the keyboard is settled
    // as its window is made, and differs from one failure to the next.
    if (m_errorAlert && !m_errorAlert->isVisible()) {
        m_errorAlert->deleteLater();
        m_errorAlert = nullptr;
    }
    if (!m_errorAlert) {
        m_errorAlert = new QMessageBox(QMessageBox::Warning, tr("Error"), QString(), QMessageBox::Ok, this);
        // Not modal: the message may say what to change elsewhere, and work goes on meanwhile.
        m_errorAlert->setWindowModality(Qt::NonModal);
        connect(m_errorAlert, &QMessageBox::finished, this, [this] {
            if (m_store.errorMessage())
                m_store.setErrorMessage(std::nullopt);
        });
    }
    m_errorAlert->setText(*message);
    if (!m_errorAlert->isVisible()) {
        // Most failures come from the boss's requests, seconds after whatever
        // caused them. While the user types (a field has the keyboard, or a key
        // went down a moment ago, in any of Vorn's windows) the alert opens in
        // front without taking the keyboard: the rest of a title would go to
        // it, its OK taking the next Enter. Otherwise it takes the keyboard,
        // and Enter or Escape close it.
        m_errorAlert->setAttribute(Qt::WA_ShowWithoutActivating, isTyping());
        m_errorAlert->show();
    }
}

void MainWindow::followChatVisibility() {
    const bool visible = m_store.window().isChatVisible();
    // The keyboard does not go with the chat when it hides.
    if (!visible && m_chatPane->isAncestorOf(QApplication::focusWidget()))
        m_listPane->table()->showFirstOpenTask();
    m_listPane->table()->setFocus(Qt::OtherFocusReason);
    m_chatPane->setVisible(visible);
    m_showChatButton->setVisible(!visible);
    // The floating "V" gets a gutter of its own, so it never covers a row.
    centralWidget()->layout()->setContentsMargins(
        0, 0, visible ? 0 : m_showChatButton->width() + 2 * kShowChatButtonMargin, 0);
    m_chatToggleAction->setText(visible ? tr("Hide Vorn") : tr("Show Vorn"));
    m_chatToggleAction->setIcon(
        visible ? themedIcon(QStringLiteral("view-right-close"), QStringLiteral("app-hide-chat"))
                : themedIcon(QStringLiteral("view-right-new"), QStringLiteral("app-show-chat")));
    applyPanelWidths();
    placeFloatingControls();
}

void MainWindow::applyPanelWidths() {
    if (!m_store.window().isChatVisible())
        return;
    const int total = m_splitter->width();
    if (total <= 0)
        return;
    const MainLayoutWidths widths = mainLayoutWidths(total, m_store.window().chatPanelFraction());
    // The list keeps its minimum in a narrow window; the chat gets what is
    // left (the splitter would otherwise shrink both in proportion).
    const int list = qRound(widths.list);
    const int chat = std::max(0, total - m_splitter->handleWidth() - list);
    m_applyingWidths = true;
    m_splitter->setSizes({list, chat});
    m_applyingWidths = false;
}

void MainWindow::rememberDividerPosition() {
    if (m_applyingWidths)
        return;
    const QList<int> sizes = m_splitter->sizes();
    if (sizes.size() < 2)
        return;
    if (const auto fraction = chatFractionForWidth(sizes.at(1), m_splitter->width()))
        m_store.window().setChatPanelFraction(*fraction);
}

void MainWindow::placeFloatingControls() {
    QWidget* area = centralWidget();
    m_showChatButton->move(area->width() - m_showChatButton->width() - kShowChatButtonMargin,
                           (area->height() - m_showChatButton->height()) / 2);
    m_showChatButton->raise();
    m_surge->move(area->width() - m_surge->width() - 12, 12);
    m_surge->raise();
}

} // namespace vorn
