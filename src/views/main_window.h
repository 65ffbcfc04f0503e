#pragma once

#include <QMainWindow>
#include <QPointer>

class QLabel;
class QListWidget;
class QTableView;

namespace vorn {

class OutlineRowsModel;
class TaskStore;

// The first main window: the list title, the outline rows and the chat lines,
// read-only, following the store.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(TaskStore* store, QWidget* parent = nullptr);

    QString listTitle() const;
    QTableView* outlineView() const { return m_table; }
    QListWidget* chatView() const { return m_chat; }

private:
    void refreshTitle();
    void refreshChat();
    void refreshStatus();

    QPointer<TaskStore> m_store;
    QLabel* m_title = nullptr;
    QTableView* m_table = nullptr;
    QListWidget* m_chat = nullptr;
    OutlineRowsModel* m_model = nullptr;
};

} // namespace vorn
