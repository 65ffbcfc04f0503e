// The main window's menus: every toolbar command again with its shortcut, the
// edit commands of whatever has the focus, and the keyboard help.
#include "store/task_store.h"
#include "views/keyboard_shortcuts.h"
#include "views/main_window.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QToolButton>

namespace vorn {

namespace {

// The platform's keys for a standard command, or `fallback` where it has none.
void setKeys(QAction* action, QKeySequence::StandardKey standard, const QKeySequence& fallback = {}) {
    QList<QKeySequence> keys = QKeySequence::keyBindings(standard);
    if (keys.isEmpty() && !fallback.isEmpty())
        keys = {fallback};
    action->setShortcuts(keys);
}

} // namespace

void MainWindow::buildMenus() {
    // The button that shows the menus a narrow window has no room for.
    if (auto* more = menuBar()->findChild<QToolButton*>(QStringLiteral("qt_menubar_ext_button")))
        more->setAccessibleName(tr("More menus"));
    QMenu* file = menuBar()->addMenu(tr("&File"));
    m_importAction->setIconText(tr("Import"));
    m_importAction->setText(tr("Import…"));
    m_importAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    file->addAction(m_importAction);
    m_settingsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    file->addAction(m_settingsAction);
    file->addSeparator();
    m_quitAction = file->addAction(tr("Quit"));
    setKeys(m_quitAction, QKeySequence::Quit, QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_quitAction->setMenuRole(QAction::QuitRole);
    // Quit ends Vorn even where closing the window only hides it in the tray.
    connect(m_quitAction, &QAction::triggered, this, [this] {
        m_quitting = true;
        close();
    });

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    m_undoAction = edit->addAction(tr("Undo"));
    setKeys(m_undoAction, QKeySequence::Undo);
    connect(m_undoAction, &QAction::triggered, this, [this] { m_store.editor().undo(); });
    m_redoAction = edit->addAction(tr("Redo"));
    // Ctrl+Shift+Z first (the menu shows it) on every platform, then the platform's others.
    const QKeySequence redo(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    redoKeys.removeAll(redo);
    redoKeys.prepend(redo);
    m_redoAction->setShortcuts(redoKeys);
    connect(m_redoAction, &QAction::triggered, this, [this] { m_store.editor().redo(); });
    edit->addSeparator();
    // Copy, paste and select-all are the focused widget's own keys (the table,
    // a title, the chat): the menu shows them and hands its click to that
    // widget as the key, so each reads it as it always does.
    const auto relayed = [this, edit](const QString& label, QKeySequence::StandardKey standard) {
        QAction* action = edit->addAction(label);
        setKeys(action, standard);
        action->setShortcutContext(Qt::WidgetShortcut);
        connect(action, &QAction::triggered, this, [this, standard] { relayKey(standard); });
        return action;
    };
    m_copyAction = relayed(tr("Copy"), QKeySequence::Copy);
    m_pasteAction = relayed(tr("Paste"), QKeySequence::Paste);
    m_selectAllAction = relayed(tr("Select All"), QKeySequence::SelectAll);

    QMenu* view = menuBar()->addMenu(tr("&View"));
    m_chatToggleAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H));
    view->addAction(m_chatToggleAction);
    m_analyticsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Y));
    view->addAction(m_analyticsAction);

    QMenu* day = menuBar()->addMenu(tr("&Day"));
    m_restartAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
    day->addAction(m_restartAction);
    m_estimateAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    day->addAction(m_estimateAction);

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    m_shortcutsAction = help->addAction(tr("Keyboard Shortcuts"));
    setKeys(m_shortcutsAction, QKeySequence::HelpContents, QKeySequence(Qt::Key_F1));
    connect(m_shortcutsAction, &QAction::triggered, this, &MainWindow::showKeyboardShortcuts);
    m_aboutAction = help->addAction(tr("About Vorn"));
    m_aboutAction->setMenuRole(QAction::AboutRole);
    connect(m_aboutAction, &QAction::triggered, this, &MainWindow::showAbout);
}

void MainWindow::relayKey(QKeySequence::StandardKey standard) {
    QWidget* target = QApplication::focusWidget();
    const QList<QKeySequence> keys = QKeySequence::keyBindings(standard);
    if (!target || target->window() != this || keys.isEmpty())
        return;
    const QKeyCombination combination = keys.first()[0];
    QKeyEvent press(QEvent::KeyPress, combination.key(), combination.keyboardModifiers());
    QApplication::sendEvent(target, &press);
}

KeyboardShortcutsDialog* MainWindow::shortcutsDialog() const {
    return m_shortcuts.data();
}

void MainWindow::showKeyboardShortcuts() {
    if (!m_shortcuts) {
        m_shortcuts = new KeyboardShortcutsDialog(menuKeys(menuBar()) + outlineKeys(), this);
        m_shortcuts->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_shortcuts->show();
    m_shortcuts->raise();
    m_shortcuts->activateWindow();
}

void MainWindow::showAbout() {
    auto* about = new QMessageBox(QMessageBox::NoIcon, tr("About Vorn"),
                                  tr("Vorn %1\nA planner for one working day, with a boss that pushes you "
                                     "through it.")
                                      .arg(QCoreApplication::applicationVersion()),
                                  QMessageBox::Ok, this);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->open();
}

} // namespace vorn
