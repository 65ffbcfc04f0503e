#pragma once

#include "views/outline/row_selection.h"

#include <QPoint>
#include <QPointer>
#include <QTableView>
#include <QUuid>

class QLineEdit;

namespace vorn {

class OutlineDelegate;
class OutlineTableModel;
class TaskStore;

// The outline as a keyboard-first table: a row per outline row with the drag
// handle, completion toggle, title, minutes, finish time and (on folders) a
// trash button. It holds only view state: the row selection, the row a drag
// hovers and the press that may become a drag; every edit goes to the store.
class OutlineTable : public QTableView {
    Q_OBJECT

public:
    explicit OutlineTable(TaskStore* store, QWidget* parent = nullptr);

    OutlineTableModel* outlineModel() const { return m_model; }

    bool isRowSelected(int row) const;
    bool isDropTarget(int row) const { return row == m_dropTarget; }
    bool canDeleteRow(int row) const;
    const RowSelection& selection() const { return m_selection; }
    void setSelection(const RowSelection& selection);
    void clearRowSelection() { setSelection({}); }

    // Opens the title editor of the task's row (its whole text selected, or the
    // cursor at the end); false when the task has no row.
    bool focusTitle(const QUuid& taskID, bool selectAll);
    // The line editor open in the table, if any.
    QLineEdit* openEditor() const;
    // The export text of the selected rows (all rows when none is selected).
    QString copyText() const;
    // Ctrl+V on the list: false when nothing was taken (blank clipboard, or plain
    // text on a folder row), so the key goes on.
    bool pasteFromClipboard();
    // Alt+Up / Alt+Down: the current task one row up or down in the outline.
    void moveCurrentTask(int direction);

signals:
    // A pasted outline replaced the list.
    void listReplaced();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void onEnter(const QUuid& taskID, const QString& text);
    void onTab(const QUuid& taskID, const QString& text, bool shift);
    void onDeleteOnEmpty(const QUuid& taskID);
    void onOutlinePasted(const QString& rowID, const QString& text);
    void onStep(const QString& rowID, int direction, bool moveTask);
    // Opens the title editor of any row, the cursor at the end.
    void editTitleAt(int row);
    void queueFocus(const QUuid& taskID, bool selectAll);
    void schedulePendingFocus();
    void servePendingFocus(int attempt);
    void finishEditing();
    void tapRow(int row, int column, Qt::KeyboardModifiers modifiers);
    void setCurrentRow(int row);
    int rowAtY(int y) const;
    void startRowDrag(int row);

    QPointer<TaskStore> m_store;
    OutlineTableModel* m_model = nullptr;
    OutlineDelegate* m_delegate = nullptr;
    RowSelection m_selection;
    int m_dropTarget = -1;
    bool m_focusQueued = false;

    // The press that may turn into a drag selection (or, on the handle, a row drag).
    int m_pressRow = -1;
    int m_pressColumn = -1;
    QPoint m_pressPos;
    bool m_dragSelecting = false;
};

} // namespace vorn
