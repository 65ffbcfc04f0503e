#pragma once

#include <QDialog>
#include <QList>
#include <QString>

class QMenuBar;
class QTableWidget;

namespace vorn {

// One line of the keyboard help: the keys and what they do.
struct KeyHelp {
    QString keys;
    QString does;

    bool operator==(const KeyHelp&) const = default;
};

// The keys of the outline table and the chat input, which no menu shows.
QList<KeyHelp> outlineKeys();
// Every command of the menu bar that has a shortcut, as "Menu › Command".
QList<KeyHelp> menuKeys(const QMenuBar* menus);

// Help › Keyboard Shortcuts: every key in one read-only table.
class KeyboardShortcutsDialog : public QDialog {
    Q_OBJECT

public:
    KeyboardShortcutsDialog(const QList<KeyHelp>& keys, QWidget* parent = nullptr);

    QTableWidget* table() const { return m_table; }

private:
    QTableWidget* m_table = nullptr;
};

} // namespace vorn
