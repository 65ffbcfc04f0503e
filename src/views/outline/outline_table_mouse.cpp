// The pointer side of the outline table: taps, drag selection, row drags and
// drops, and moving a task with Alt+Up / Alt+Down.
#include "store/task_store.h"
#include "views/outline/outline_metrics.h"
#include "views/outline/outline_table.h"
#include "views/outline/outline_table_model.h"

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>

#include <cmath>

namespace vorn {

using M = OutlineTableModel;

int OutlineTable::rowAtY(int y) const {
    const int row = rowAt(y);
    if (row >= 0 || m_model->rowCount() == 0)
        return row;
    return y < 0 ? 0 : m_model->rowCount() - 1;
}

void OutlineTable::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QTableView::mousePressEvent(event);
    finishEditing();
    setFocus(Qt::MouseFocusReason);
    m_pressPos = event->position().toPoint();
    m_pressRow = rowAt(m_pressPos.y());
    m_pressColumn = columnAt(m_pressPos.x());
    m_dragSelecting = false;
    m_pressIsDoubleClick = false;
}

// The second press of a double-click: its press and release were one click
// already, so it may start a drag but never taps (a toggle flips once).
void OutlineTable::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
    m_pressIsDoubleClick = event->button() == Qt::LeftButton;
}

void OutlineTable::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton) || m_pressRow < 0)
        return QTableView::mouseMoveEvent(event);
    const QPoint pos = event->position().toPoint();
    const QPoint moved = pos - m_pressPos;
    if (m_pressColumn == M::HandleColumn && !m_dragSelecting) {
        if (moved.manhattanLength() >= QApplication::startDragDistance()) {
            const int row = m_pressRow;
            m_pressRow = -1;
            startRowDrag(row);
        }
        return;
    }
    if (!m_dragSelecting && std::hypot(moved.x(), moved.y()) < outline_metrics::kDragSelectThreshold)
        return;
    m_dragSelecting = true;
    const int under = rowAtY(pos.y());
    setSelection(row_selection::range(m_model->rowIds(), m_pressRow, under));
    setCurrentCell(m_model->index(under, M::TitleColumn));
}

void OutlineTable::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QTableView::mouseReleaseEvent(event);
    const int row = m_pressRow;
    const bool wasDragSelecting = m_dragSelecting;
    const bool wasDoubleClick = m_pressIsDoubleClick;
    m_pressRow = -1;
    m_dragSelecting = false;
    m_pressIsDoubleClick = false;
    if (row < 0 || wasDragSelecting || wasDoubleClick || rowAt(event->position().toPoint().y()) != row)
        return;
    tapRow(row, m_pressColumn, event->modifiers());
}

void OutlineTable::tapRow(int row, int column, Qt::KeyboardModifiers modifiers) {
    const OutlineRow target = m_model->row(row);
    if (column == M::ToggleColumn && target.isTask()) {
        m_store.toggleCompletion(target.task().id);
        return;
    }
    if (column == M::TrashColumn && m_model->index(row, column).data(M::CanDeleteRole).toBool()) {
        m_store.editor().deleteSection(target.section().id);
        return;
    }
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    // A title or a "Min" cell opens for typing, on its row alone.
    if (!shift && (m_model->flags(m_model->index(row, column)) & Qt::ItemIsEditable)) {
        editCell(row, column);
        return;
    }
    const RowSelection picked = row_selection::tap(selection(), m_model->rowIds(), row, shift);
    if (picked.ids.isEmpty()) {
        clearRowSelection();
        return;
    }
    setSelection(picked);
    setCurrentCell(m_model->index(row, M::TitleColumn));
}

void OutlineTable::startRowDrag(int row) {
    QMimeData* data = m_model->mimeData({m_model->index(row, 0)});
    if (!data)
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    // The drop moves the rows through the store; nothing is removed here afterwards.
    drag->exec(Qt::MoveAction);
}

void OutlineTable::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasFormat(QString::fromLatin1(M::kRowMimeType)))
        event->acceptProposedAction();
    else
        event->ignore();
}

void OutlineTable::dragMoveEvent(QDragMoveEvent* event) {
    QTableView::dragMoveEvent(event); // scrolls near the edges
    const int row = rowAt(event->position().toPoint().y());
    const bool ok = row >= 0 && m_model->canDropMimeData(event->mimeData(), Qt::MoveAction, -1, -1,
                                                         m_model->index(row, 0));
    const int target = ok ? row : -1;
    if (target != m_dropTarget) {
        m_dropTarget = target;
        viewport()->update();
    }
    if (ok) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void OutlineTable::dragLeaveEvent(QDragLeaveEvent* event) {
    m_dropTarget = -1;
    viewport()->update();
    QTableView::dragLeaveEvent(event);
}

void OutlineTable::dropEvent(QDropEvent* event) {
    m_dropTarget = -1;
    stopAutoScroll();
    setState(NoState);
    viewport()->update();
    const int row = rowAt(event->position().toPoint().y());
    if (row >= 0 &&
        m_model->dropMimeData(event->mimeData(), Qt::MoveAction, -1, -1, m_model->index(row, 0))) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void OutlineTable::moveCurrentTask(int direction) {
    if (!currentIndex().isValid())
        return;
    finishEditing();
    const int row = currentIndex().row();
    if (row >= m_model->rowCount() || !m_model->row(row).isTask())
        return;
    const TaskItem task = m_model->row(row).task();
    if (direction < 0) {
        // Before the task shown above, or above the folder it opens.
        for (int r = row - 1; r >= 0; --r) {
            if (m_model->row(r).isTask()) {
                m_store.editor().moveOutlineTask(task.id, m_model->row(r).task().id);
                break;
            }
        }
    } else {
        const int below = m_model->subtreeEnd(row) + 1;
        if (below >= m_model->rowCount())
            return;
        const OutlineRow next = m_model->row(below);
        if (next.isSection()) {
            // Into the folder below, at its top.
            std::optional<QUuid> first;
            for (int r = below + 1; r < m_model->rowCount() && !first; ++r)
                if (m_model->row(r).isTask() && m_model->row(r).task().sectionID == next.section().id)
                    first = m_model->row(r).task().id;
            m_store.editor().moveTask(task.id, next.section().id, first);
        } else if (next.task().sectionID == task.sectionID) {
            m_store.editor().moveOutlineTask(next.task().id, task.id); // the neighbour goes above
        } else {
            m_store.editor().moveOutlineTask(task.id, next.task().id); // out of the folder, below it
        }
    }
    setCurrentRow(m_model->rowOfTask(task.id));
}

} // namespace vorn
