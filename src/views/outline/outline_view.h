#pragma once

#include <QWidget>

namespace vorn {

class OutlineHeaderBar;
class OutlineTable;
class TaskStore;

// The list side of the main window: the header bar over the outline table.
class OutlineView : public QWidget {
    Q_OBJECT

public:
    explicit OutlineView(TaskStore& store, QWidget* parent = nullptr);

    OutlineHeaderBar* headerBar() const { return m_header; }
    OutlineTable* table() const { return m_table; }

private:
    OutlineHeaderBar* m_header = nullptr;
    OutlineTable* m_table = nullptr;
};

} // namespace vorn
