#include "views/outline/outline_table.h"

#include "outline_io/hierarchical_task_exporter.h"
#include "outline_io/outline_paste_detector.h"
#include "store/task_store.h"
#include "views/app_notifications.h"
#include "views/outline/outline_delegate.h"
#include "views/outline/outline_metrics.h"
#include "views/outline/outline_table_model.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>

#include <algorithm>

namespace vorn {

namespace om = outline_metrics;
using M = OutlineTableModel;

namespace {

// A key that writes a character (Shift and AltGr allowed), not a command; a
// space stays the table's.
bool startsTyping(const QKeyEvent& event) {
    const auto mods = event.modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier | Qt::GroupSwitchModifier);
    const QString text = event.text();
    return mods == Qt::NoModifier && !text.isEmpty() && text.at(0).isPrint() && !text.at(0).isSpace();
}

} // namespace

OutlineTable::OutlineTable(TaskStore& store, QWidget* parent) : QTableView(parent), m_store(store) {
    m_model = new OutlineTableModel(store, this);
    m_delegate = new OutlineDelegate(this);
    setModel(m_model);
    setItemDelegate(m_delegate);
    setAccessibleName(tr("Tasks"));

    setEditTriggers(NoEditTriggers); // editors open from clicks and keys handled here
    setSelectionMode(ExtendedSelection);
    setSelectionBehavior(SelectRows);
    setShowGrid(false);
    setWordWrap(false);
    setDragEnabled(false); // drags start from the handle, by hand
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(DropOnly);
    setVerticalScrollMode(ScrollPerPixel);
    setTabKeyNavigation(false);
    setCornerButtonEnabled(false); // no row header, nothing for it to pick
    setAttribute(Qt::WA_MacShowFocusRect, false);

    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(om::kRowHeight);
    QHeaderView* columns = horizontalHeader();
    columns->setHighlightSections(false);
    columns->setMinimumSectionSize(om::kHandleWidth);
    columns->setSectionResizeMode(QHeaderView::Fixed);
    columns->setSectionResizeMode(M::TitleColumn, QHeaderView::Stretch);
    columns->resizeSection(M::HandleColumn, om::kHandleWidth);
    columns->resizeSection(M::ToggleColumn, om::kToggleWidth);
    // A translated header may be wider than the numbers under it.
    columns->resizeSection(M::MinutesColumn,
                           std::max(om::kMinutesWidth, columns->sectionSizeHint(M::MinutesColumn)));
    columns->resizeSection(M::FinishColumn,
                           std::max(om::kFinishWidth, columns->sectionSizeHint(M::FinishColumn)));
    columns->resizeSection(M::TrashColumn, om::kTrashWidth);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    connect(m_delegate, &OutlineDelegate::enterPressed, this, &OutlineTable::onEnter);
    connect(m_delegate, &OutlineDelegate::tabPressed, this, &OutlineTable::onTab);
    connect(m_delegate, &OutlineDelegate::deleteOnEmpty, this, &OutlineTable::onDeleteOnEmpty);
    connect(m_delegate, &OutlineDelegate::outlinePasted, this, &OutlineTable::onOutlinePasted);
    connect(m_delegate, &OutlineDelegate::stepRequested, this, &OutlineTable::onStep);
    connect(m_delegate, &OutlineDelegate::toggleRequested, this, &OutlineTable::onToggle);
    connect(m_delegate, &OutlineDelegate::minutesRequested, this, &OutlineTable::focusMinutes);
    connect(m_delegate, &OutlineDelegate::titleRequested, this,
            [this](const QUuid& taskID) { focusTitle(taskID, false); });
    // The model has taken the operation's rows by the time this runs (it was
    // connected first), so a focus request finds its row at once.
    connect(&store.outline(), &Outline::outlineChanged, this, &OutlineTable::servePendingFocus);
    // A whole list replaced under the keyboard (an import undone or redone)
    // leaves no row current: the first task to do takes over, as at start.
    connect(&store.outline(), &Outline::outlineChanged, this, [this] {
        if (hasFocus() && !m_pendingTitleFocus)
            showFirstOpenTaskIfNone();
    });
    // An open field follows its row when the store changes it underneath (an
    // undo that outdents the task moves the title left). With nothing typed
    // in it, it also shows what the row now holds: leaving it would otherwise
    // write the old text back over an undo.
    connect(m_model, &QAbstractItemModel::dataChanged, this, [this] {
        QLineEdit* editor = openEditor();
        if (!editor)
            return;
        updateEditorGeometries();
        const int row = m_model->rowOfId(OutlineDelegate::editedRowId(*editor));
        if (!editor->isModified() && row >= 0) {
            const QModelIndex cell =
                m_model->index(row, OutlineDelegate::editsTitle(*editor) ? M::TitleColumn : M::MinutesColumn);
            const QString now = cell.data(Qt::EditRole).toString();
            if (now != editor->text())
                editor->setText(now);
        }
    });
    connect(&store.editor(), &OutlineEditor::titleFocusRequested, this, [this](const QUuid& taskID) {
        m_pendingTitleFocus = taskID;
        servePendingFocus();
    });
    connect(&AppNotifications::instance(), &AppNotifications::clearTaskRowSelection, this,
            &OutlineTable::clearRowSelection);
    // When the current row goes, the row that takes over as current is drawn as such.
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, [this] {
        const int row = currentRow();
        if (row >= 0 && !selectionModel()->hasSelection())
            setCurrentRow(row);
    });
    servePendingFocus();
}

int OutlineTable::currentRow() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

bool OutlineTable::isRowSelected(int row) const {
    return selectionModel()->isRowSelected(row, {});
}

RowSelection OutlineTable::selection() const {
    RowSelection picked;
    const QStringList& ids = m_model->rowIds();
    for (const QModelIndex& index : selectionModel()->selectedRows())
        picked.ids.insert(ids.at(index.row()));
    picked.anchor = m_anchor;
    return picked;
}

void OutlineTable::setSelection(const RowSelection& selection) {
    m_anchor = selection.anchor;
    // Runs of picked rows, one range each (select-all is a single range).
    QItemSelection rows;
    const QStringList& ids = m_model->rowIds();
    const int count = int(ids.size());
    for (int r = 0; r < count; ++r) {
        if (!selection.ids.contains(ids.at(r)))
            continue;
        int end = r;
        while (end + 1 < count && selection.ids.contains(ids.at(end + 1)))
            ++end;
        rows.select(m_model->index(r, 0), m_model->index(end, M::ColumnCount - 1));
        r = end;
    }
    selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect);
    // The current row stays among the picked ones: the anchor (or the first) when it was not.
    const int current = currentRow();
    if (selection.ids.isEmpty() || (current >= 0 && selection.ids.contains(ids.at(current))))
        return;
    const int anchor = selection.anchor ? m_model->rowOfId(*selection.anchor) : -1;
    const int first = anchor >= 0 && selection.ids.contains(*selection.anchor)
                          ? anchor
                          : int(rows.isEmpty() ? -1 : rows.first().top());
    if (first >= 0)
        setCurrentCell(m_model->index(first, M::TitleColumn));
}

void OutlineTable::clearRowSelection() {
    finishEditing();
    m_anchor.reset();
    selectionModel()->clear(); // the current row too
    viewport()->update();
}

void OutlineTable::setCurrentCell(const QModelIndex& index) {
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

void OutlineTable::setCurrentRow(int row) {
    if (row < 0 || row >= m_model->rowCount())
        return;
    const QModelIndex title = m_model->index(row, M::TitleColumn);
    setCurrentCell(title);
    scrollTo(title);
    m_anchor = m_model->rowIds().at(row);
    selectionModel()->select(QItemSelection(m_model->index(row, 0), m_model->index(row, M::ColumnCount - 1)),
                             QItemSelectionModel::ClearAndSelect);
}

void OutlineTable::showFirstOpenTaskIfNone() {
    if (currentRow() < 0 && !selectionModel()->hasSelection() && m_model->rowCount() > 0)
        showFirstOpenTask();
}

void OutlineTable::showFirstOpenTask() {
    const QList<OutlineRow>& rows = m_model->rows();
    const auto open = std::find_if(rows.cbegin(), rows.cend(), [](const OutlineRow& row) {
        return row.isTask() && !row.task().isCompleted;
    });
    setCurrentRow(open == rows.cend() ? 0 : int(open - rows.cbegin()));
}

QLineEdit* OutlineTable::openEditor() const {
    QLineEdit* editor = m_delegate->lastEditor();
    return editor && !editor->isHidden() && state() == EditingState ? editor : nullptr;
}

void OutlineTable::finishEditing() {
    if (QLineEdit* editor = openEditor()) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

// Opens the editor of one cell on a row made current; no other editor is open.
bool OutlineTable::editCell(int row, int column) {
    if (row < 0 || row >= m_model->rowCount())
        return false;
    setCurrentRow(row);
    const QModelIndex cell = m_model->index(row, column);
    if (!edit(cell, AllEditTriggers, nullptr))
        return false;
    if (QLineEdit* editor = openEditor())
        editor->setFocus(Qt::OtherFocusReason);
    return true;
}

bool OutlineTable::focusTitle(const QUuid& taskID, bool selectAll) {
    finishEditing(); // may move rows: the row is looked up after
    if (!editCell(m_model->rowOfTask(taskID), M::TitleColumn))
        return false;
    if (QLineEdit* editor = openEditor()) {
        if (selectAll)
            editor->selectAll();
        else
            editor->end(false);
    }
    return true;
}

bool OutlineTable::focusMinutes(const QUuid& taskID) {
    finishEditing();
    if (!editCell(m_model->rowOfTask(taskID), M::MinutesColumn))
        return false;
    if (QLineEdit* editor = openEditor())
        editor->selectAll();
    return true;
}

void OutlineTable::editTitleAt(int row, bool selectAll) {
    finishEditing();
    if (editCell(row, M::TitleColumn)) {
        if (QLineEdit* editor = openEditor()) {
            if (selectAll)
                editor->selectAll();
            else
                editor->end(false);
        }
    }
}

void OutlineTable::servePendingFocus() {
    if (!m_pendingTitleFocus)
        return;
    const QUuid taskID = *m_pendingTitleFocus;
    // Inside an operation the row is not shown yet; its outlineChanged() brings it.
    if (m_model->rowOfTask(taskID) < 0)
        return;
    m_pendingTitleFocus.reset();
    focusTitle(taskID, true); // an added task's title is typed over
}

void OutlineTable::onEnter(const QUuid& taskID, const QString& text) {
    m_store.editor().focusTaskBelow(taskID, text); // the new row's focus comes back as a request
}

void OutlineTable::onTab(const QUuid& taskID, const QString& text, bool shift) {
    // The typed title goes in first, so Tab never drops a keystroke.
    const QString trimmed = text.trimmed();
    const int row = m_model->rowOfTask(taskID);
    if (row >= 0 && !trimmed.isEmpty() && trimmed != m_model->row(row).task().title)
        m_store.editor().updateTitle(taskID, trimmed);
    if (shift)
        m_store.editor().outdentTask(taskID);
    else
        m_store.editor().indentTask(taskID);
    focusTitle(taskID, false);
}

void OutlineTable::onDeleteOnEmpty(const QUuid& taskID) {
    const int row = m_model->rowOfTask(taskID);
    if (row < 0)
        return;
    // A heading with tasks under it stays: removing it would hide them.
    if (m_model->subtreeEnd(row) > row) {
        focusTitle(taskID, false);
        return;
    }
    std::optional<QUuid> above;
    for (int r = row - 1; r >= 0 && !above; --r)
        if (m_model->row(r).isTask())
            above = m_model->row(r).task().id;
    m_store.editor().removeTask(taskID);
    for (int r = row; r < m_model->rowCount() && !above; ++r)
        if (m_model->row(r).isTask())
            above = m_model->row(r).task().id;
    if (above)
        focusTitle(*above, false);
}

void OutlineTable::onOutlinePasted(const QString& rowID, const QString& text) {
    const int row = m_model->rowOfId(rowID);
    if (row < 0)
        return;
    const OutlineRow& target = m_model->row(row);
    m_store.pasteIntoSection(text, target.isTask() ? target.task().sectionID : target.section().id);
}

void OutlineTable::onStep(const QString& rowID, int direction, bool moveTask) {
    const int row = m_model->rowOfId(rowID);
    if (row < 0)
        return;
    if (!moveTask) {
        editTitleAt(std::clamp(row + direction, 0, m_model->rowCount() - 1));
        return;
    }
    setCurrentRow(row);
    moveCurrentTask(direction);
    editTitleAt(m_model->rowOfId(rowID));
}

// Ctrl+Return in an editor (its text already committed): the task flips, and
// the same cell opens again.
void OutlineTable::onToggle(const QUuid& taskID, bool fromTitle) {
    m_store.toggleCompletion(taskID);
    if (fromTitle)
        focusTitle(taskID, false);
    else
        focusMinutes(taskID);
}

void OutlineTable::toggleCurrentTask() {
    const int row = currentRow();
    if (row < 0 || !m_model->row(row).isTask())
        return;
    const QUuid taskID = m_model->row(row).task().id;
    m_store.toggleCompletion(taskID);
    setCurrentRow(m_model->rowOfTask(taskID));
}

void OutlineTable::deleteCurrentFolder() {
    const int row = currentRow();
    if (row < 0 || !m_model->index(row, 0).data(M::CanDeleteRole).toBool())
        return;
    m_store.editor().deleteSection(m_model->row(row).section().id);
    setCurrentRow(std::min(row, m_model->rowCount() - 1));
}

void OutlineTable::extendSelection(int step) {
    const int row = currentRow();
    if (row < 0) {
        setCurrentRow(0);
        return;
    }
    const int to = std::clamp(row + step, 0, m_model->rowCount() - 1);
    const int anchor = m_anchor ? m_model->rowOfId(*m_anchor) : -1;
    setSelection(row_selection::range(m_model->rowIds(), anchor >= 0 ? anchor : row, to));
    const QModelIndex title = m_model->index(to, M::TitleColumn);
    setCurrentCell(title);
    scrollTo(title);
}

QString OutlineTable::copyText() const {
    const std::optional<QUuid> root = m_store.outline().rootSectionID();
    const QString title = root ? m_store.outline().sectionTitle(*root) : QString();
    return HierarchicalTaskExporter::exportOutline(title, m_model->rows(), selection().ids);
}

bool OutlineTable::pasteFromClipboard() {
    const QString text = QApplication::clipboard()->text();
    if (text.trimmed().isEmpty())
        return false;
    // One folder row picked: the paste goes into that folder, and only when it reads as a list.
    const QSet<QString> picked = selection().ids;
    if (picked.size() == 1) {
        const int row = m_model->rowOfId(*picked.cbegin());
        if (row >= 0 && m_model->row(row).isSection()) {
            if (!OutlinePasteDetector::isOutlineList(text))
                return false;
            m_store.pasteIntoSection(text, m_model->row(row).section().id);
            return true;
        }
    }
    clearRowSelection();
    m_store.replaceFromPaste(text);
    emit listReplaced();
    return true;
}

bool OutlineTable::event(QEvent* event) {
    // Copy, paste and select-all belong to the table while it has the focus;
    // undo and redo are left to the window's menu.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::SelectAll) ||
            (key->matches(QKeySequence::Paste) && !QApplication::clipboard()->text().trimmed().isEmpty())) {
            event->accept();
            return true;
        }
    }
    return QTableView::event(event);
}

void OutlineTable::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::SelectAll)) {
        setSelection(row_selection::all(m_model->rowIds()));
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        QApplication::clipboard()->setText(copyText());
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        if (!pasteFromClipboard())
            event->ignore();
        return;
    }
    // Reached only when no window shortcut took them.
    if (event->matches(QKeySequence::Undo)) {
        m_store.editor().undo();
        return;
    }
    if (event->matches(QKeySequence::Redo)) {
        m_store.editor().redo();
        return;
    }
    const int current = currentRow();
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const int step = event->key() == Qt::Key_Up ? -1 : 1;
        if (mods == Qt::AltModifier) {
            moveCurrentTask(step);
            return;
        }
        if (mods == Qt::ShiftModifier) {
            extendSelection(step);
            return;
        }
        if (mods == Qt::NoModifier) {
            setCurrentRow(current < 0 ? 0 : std::clamp(current + step, 0, m_model->rowCount() - 1));
            return;
        }
        break;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (mods == Qt::ControlModifier) {
            toggleCurrentTask();
            return;
        }
        [[fallthrough]];
    case Qt::Key_F2:
        if (current >= 0 && mods == Qt::NoModifier) {
            editTitleAt(current, /*selectAll=*/true);
            return;
        }
        break;
    case Qt::Key_Delete:
        if (mods == Qt::ControlModifier) {
            deleteCurrentFolder();
            return;
        }
        break;
    case Qt::Key_Escape:
        // The picked rows are dropped; the keyboard keeps its row, which
        // stays drawn as the one a key acts on.
        clearRowSelection();
        if (current >= 0)
            setCurrentRow(current);
        return;
    default:
        // Typing on a row is Enter and then the typing: the title opens with
        // its text selected and the typed text replaces it. (The table's own
        // answer, a jump to a row that starts with the letter, lost the text.)
        if (current >= 0 && !openEditor() && startsTyping(*event)) {
            editTitleAt(current, /*selectAll=*/true);
            if (QLineEdit* editor = openEditor()) {
                QCoreApplication::sendEvent(editor, event);
                return;
            }
        }
        break;
    }
    QTableView::keyPressEvent(event);
    // Home, End, Page Up and Page Down pick the row they reach: a Shift range starts there.
    const QModelIndexList picked = selectionModel()->selectedRows();
    if (picked.size() == 1)
        m_anchor = m_model->rowIds().at(picked.first().row());
}

void OutlineTable::focusInEvent(QFocusEvent* event) {
    // Reached from the keyboard (or at start) with nothing picked: the first task to do.
    if (event->reason() != Qt::MouseFocusReason)
        showFirstOpenTaskIfNone();
    QTableView::focusInEvent(event);
}

void OutlineTable::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    QPainter painter(viewport());
    const auto rowRect = [this](int row) {
        return QRect(0, rowViewportPosition(row), viewport()->width(), rowHeight(row));
    };
    if (m_dropTarget >= 0) {
        QColor target = palette().color(QPalette::Highlight);
        target.setAlpha(70);
        painter.fillRect(rowRect(m_dropTarget), target);
    }
    // Where the keys act: a frame round the current row while the table has the focus.
    const int current = currentRow();
    if (current >= 0 && hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight).darker(170), 1));
        painter.drawRect(rowRect(current).adjusted(0, 0, -1, -1));
    }
}

} // namespace vorn
