#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QListWidget;
class QTableView;

namespace vorn {

class OutlineRowsModel;
class TaskStore;

// The read-only outline (list title and rows) that stands where the editable
// outline table goes.
class ReadOnlyOutlinePane : public QWidget {
    Q_OBJECT

public:
    explicit ReadOnlyOutlinePane(TaskStore* store, QWidget* parent = nullptr);
    QString listTitle() const;
    QTableView* table() const { return m_table; }

private:
    void refreshTitle();

    QPointer<TaskStore> m_store;
    QLabel* m_title = nullptr;
    QTableView* m_table = nullptr;
    OutlineRowsModel* m_model = nullptr;
};

// The chat lines as plain text, where the chat panel goes.
class ReadOnlyChatPane : public QWidget {
    Q_OBJECT

public:
    explicit ReadOnlyChatPane(TaskStore* store, QWidget* parent = nullptr);
    QListWidget* list() const { return m_list; }

private:
    void refresh();

    QPointer<TaskStore> m_store;
    QListWidget* m_list = nullptr;
};

} // namespace vorn
