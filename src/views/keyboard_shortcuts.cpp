#include "views/keyboard_shortcuts.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vorn {

namespace {

// The keys of the list and the chat, under one translation context.
struct KeyWords {
    Q_DECLARE_TR_FUNCTIONS(KeyboardShortcuts)
};

QString plain(QString label) {
    label.remove(QLatin1Char('&'));
    return label.endsWith(QStringLiteral("…")) ? label.chopped(1) : label;
}

} // namespace

QList<KeyHelp> outlineKeys() {
    return {
        {KeyWords::tr("Up / Down"), KeyWords::tr("Walk the rows")},
        {KeyWords::tr("Shift+Up / Shift+Down"), KeyWords::tr("Pick a range of rows")},
        {KeyWords::tr("Enter / F2"), KeyWords::tr("Edit the current row's title")},
        {KeyWords::tr("Typing on a row"), KeyWords::tr("Its title, the typed text in place of the old")},
        {KeyWords::tr("Enter (in a title)"), KeyWords::tr("New task below")},
        {KeyWords::tr("Tab / Shift+Tab (in a title)"), KeyWords::tr("Indent / outdent the task")},
        {KeyWords::tr("Tab / Shift+Tab"),
         KeyWords::tr("Next / previous of the list, the chat input and the list title")},
        {KeyWords::tr("Escape"),
         KeyWords::tr("End editing and keep the text; on the list, drop the picked rows")},
        {KeyWords::tr("Ctrl+Return"), KeyWords::tr("Complete or reopen the task")},
        {KeyWords::tr("Right (at the end of a title)"), KeyWords::tr("The task's minutes, selected")},
        {KeyWords::tr("Left (at the start of the minutes) / Escape"), KeyWords::tr("Back to the title")},
        {KeyWords::tr("Enter (in the minutes)"), KeyWords::tr("Keep the minutes and add a task below")},
        {KeyWords::tr("Backspace / Delete (in an empty title)"), KeyWords::tr("Remove the row")},
        {KeyWords::tr("Alt+Up / Alt+Down"), KeyWords::tr("Move the task up or down")},
        {KeyWords::tr("Ctrl+Delete (on a folder row)"), KeyWords::tr("Delete the folder")},
        {KeyWords::tr("Ctrl+A / Ctrl+C"),
         KeyWords::tr("Pick every row / copy the picked rows as a numbered list")},
        {KeyWords::tr("Ctrl+V"), KeyWords::tr("Paste a numbered list (on a folder row: into that folder)")},
        {KeyWords::tr("Enter / Escape (in the list title)"),
         KeyWords::tr("Keep the title, back to the list")},
        {KeyWords::tr("Enter / Shift+Enter / Escape (in the chat input)"),
         KeyWords::tr("Send / new line / back to the list, the text kept")},
        {KeyWords::tr("Escape / Ctrl+W (in Settings)"), KeyWords::tr("Close Settings")},
    };
}

QList<KeyHelp> menuKeys(const QMenuBar* menus) {
    QList<KeyHelp> keys;
    for (const QAction* top : menus->actions()) {
        const QMenu* menu = top->menu();
        if (!menu)
            continue;
        for (const QAction* action : menu->actions()) {
            if (action->isSeparator() || action->shortcut().isEmpty())
                continue;
            keys.append({action->shortcut().toString(QKeySequence::NativeText),
                         plain(menu->title()) + QStringLiteral(" › ") + plain(action->text())});
        }
    }
    return keys;
}

KeyboardShortcutsDialog::KeyboardShortcutsDialog(const QList<KeyHelp>& keys, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("Keyboard Shortcuts"));
    m_table = new QTableWidget(int(keys.size()), 2);
    m_table->setAccessibleName(tr("Keyboard shortcuts"));
    m_table->setHorizontalHeaderLabels({tr("Keys"), tr("Does")});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setWordWrap(false);
    for (int row = 0; row < keys.size(); ++row) {
        m_table->setItem(row, 0, new QTableWidgetItem(keys.at(row).keys));
        m_table->setItem(row, 1, new QTableWidgetItem(keys.at(row).does));
    }
    m_table->resizeColumnToContents(0);
    m_table->horizontalHeader()->setStretchLastSection(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addWidget(buttons);
    resize(640, 520);
}

} // namespace vorn
