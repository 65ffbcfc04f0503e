#pragma once

#include <QMainWindow>
#include <QPointer>

class QListWidget;

namespace vorn {

class OutlineView;
class TaskStore;

// The first main window: the outline (title, rows) beside the chat lines.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(TaskStore* store, QWidget* parent = nullptr);

    QString listTitle() const;
    OutlineView* outlineView() const { return m_outline; }
    QListWidget* chatView() const { return m_chat; }

private:
    void refreshChat();
    void refreshStatus();

    QPointer<TaskStore> m_store;
    OutlineView* m_outline = nullptr;
    QListWidget* m_chat = nullptr;
};

} // namespace vorn
