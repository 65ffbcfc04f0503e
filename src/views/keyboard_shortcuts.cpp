#include "views/keyboard_shortcuts.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vorn {

namespace {

QString plain(QString label) {
    label.remove(QLatin1Char('&'));
    return label.endsWith(QStringLiteral("…")) ? label.chopped(1) : label;
}

} // namespace

QList<KeyHelp> outlineKeys() {
    const auto tr = [](const char* text) { return QDialog::tr(text); };
    return {
        {tr("Up / Down"), tr("Walk the rows")},
        {tr("Shift+Up / Shift+Down"), tr("Pick a range of rows")},
        {tr("Enter / F2"), tr("Edit the current row's title")},
        {tr("Enter (in a title)"), tr("New task below")},
        {tr("Tab / Shift+Tab (in a title)"), tr("Indent / outdent the task")},
        {tr("Tab / Shift+Tab"), tr("Next / previous of the list, the chat input and the list title")},
        {tr("Escape"), tr("End editing and keep the text; on the list, drop the picked rows")},
        {tr("Ctrl+Return"), tr("Complete or reopen the task")},
        {tr("Right (at the end of a title)"), tr("The task's minutes, selected")},
        {tr("Left (at the start of the minutes) / Escape"), tr("Back to the title")},
        {tr("Enter (in the minutes)"), tr("Keep the minutes and add a task below")},
        {tr("Backspace / Delete (in an empty title)"), tr("Remove the row")},
        {tr("Alt+Up / Alt+Down"), tr("Move the task up or down")},
        {tr("Ctrl+Delete (on a folder row)"), tr("Delete the folder")},
        {tr("Ctrl+A / Ctrl+C"), tr("Pick every row / copy the picked rows as a numbered list")},
        {tr("Ctrl+V"), tr("Paste a numbered list (on a folder row: into that folder)")},
        {tr("Enter / Shift+Enter (in the chat input)"), tr("Send / new line")},
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
