#pragma once

#include "views/outline/row_selection.h"

#include <QPoint>
#include <QPointer>
#include <QTableView>
#include <QUuid>

#include <optional>

class QLineEdit;

namespace vorn {

class OutlineDelegate;
class OutlineTableModel;
class TaskStore;

// The outline as a keyboard-first table: a row per outline row with the drag
// handle, completion toggle, title, minutes, finish time and (on folders) a
// trash button. Picked rows live in the view's selection model (whole rows);
// the current row is always among them, so it is drawn with the highlight.
// Besides that the table holds only the Shift anchor, the row a drag hovers
// and the press that may become a drag; every edit goes to the store.
class OutlineTable : public QTableView {
    Q_OBJECT

public:
    explicit OutlineTable(TaskStore& store, QWidget* parent = nullptr);

    OutlineTableModel* outlineModel() const { return m_model; }

    bool isRowSelected(int row) const;
    bool isDropTarget(int row) const { return row == m_dropTarget; }
    RowSelection selection() const;
    void setSelection(const RowSelection& selection);
    // No row picked, no current row, no editor (a tap on the only picked row, Escape).
    void clearRowSelection();

    // Opens the title editor of the task's row (its whole text selected, or the
    // cursor at the end); false when the task has no row.
    bool focusTitle(const QUuid& taskID, bool selectAll);
    // Opens the task's "Min" cell with its text selected; false when the task has no row.
    bool focusMinutes(const QUuid& taskID);
    // The line editor open in the table, if any.
    QLineEdit* openEditor() const;
    // The first open task as the current row (the first row when every task is done).
    void showFirstOpenTask();
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
    void focusInEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

public:
    // The added task whose title opens once its row is shown.
    const std::optional<QUuid>& pendingTitleFocus() const { return m_pendingTitleFocus; }

private:
    // showFirstOpenTask() when no row is current or picked (the keyboard has
    // just arrived, or every row was replaced under it).
    void showFirstOpenTaskIfNone();
    void onEnter(const QUuid& taskID, const QString& text);
    void onTab(const QUuid& taskID, const QString& text, bool shift);
    void onDeleteOnEmpty(const QUuid& taskID);
    void onOutlinePasted(const QString& rowID, const QString& text);
    void onStep(const QString& rowID, int direction, bool moveTask);
    void onToggle(const QUuid& taskID, bool fromTitle);
    // Opens the title of `row`: with its text selected, so that typing
    // replaces it (Enter and F2 on the table), or with the cursor at its end.
    void editTitleAt(int row, bool selectAll = false);
    bool editCell(int row, int column);
    void servePendingFocus();
    void finishEditing();
    void toggleCurrentTask();
    void deleteCurrentFolder();
    void extendSelection(int step);
    void tapRow(int row, int column, Qt::KeyboardModifiers modifiers);
    // The row becomes the current one and the only one picked.
    void setCurrentRow(int row);
    void setCurrentCell(const QModelIndex& index);
    int currentRow() const;
    int rowAtY(int y) const;
    void startRowDrag(int row);

    TaskStore& m_store;
    std::optional<QUuid> m_pendingTitleFocus;
    OutlineTableModel* m_model = nullptr;
    OutlineDelegate* m_delegate = nullptr;
    std::optional<QString> m_anchor; // row identity where a Shift range starts
    int m_dropTarget = -1;

    // The press that may turn into a drag selection (or, on the handle, a row drag).
    int m_pressRow = -1;
    int m_pressColumn = -1;
    QPoint m_pressPos;
    bool m_dragSelecting = false;
    bool m_pressIsDoubleClick = false;
};

} // namespace vorn
