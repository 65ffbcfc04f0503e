#include "views/outline/outline_table.h"

#include "store/task_store.h"
#include "outline_io/hierarchical_task_exporter.h"
#include "outline_io/outline_paste_detector.h"
#include "views/app_notifications.h"
#include "views/outline/outline_delegate.h"
#include "views/outline/outline_metrics.h"
#include "views/outline/outline_table_model.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

namespace vorn {

namespace om = outline_metrics;
using M = OutlineTableModel;

namespace {

constexpr int kFocusAttempts = 12;
constexpr int kFocusRetryMs = 30;

} // namespace

OutlineTable::OutlineTable(TaskStore* store, QWidget* parent) : QTableView(parent), m_store(store) {
    m_model = new OutlineTableModel(store, this);
    m_delegate = new OutlineDelegate(this);
    setModel(m_model);
    setItemDelegate(m_delegate);

    setEditTriggers(NoEditTriggers); // editors open from clicks and keys handled here
    setSelectionMode(NoSelection);   // the row selection is RowSelection, painted by the delegate
    setShowGrid(false);
    setWordWrap(false);
    setDragEnabled(false); // drags start from the handle, by hand
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(DropOnly);
    setVerticalScrollMode(ScrollPerPixel);
    setTabKeyNavigation(false);
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
    columns->resizeSection(M::MinutesColumn, om::kMinutesWidth);
    columns->resizeSection(M::FinishColumn, om::kFinishWidth);
    columns->resizeSection(M::TrashColumn, om::kTrashWidth);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    connect(m_delegate, &OutlineDelegate::enterPressed, this, &OutlineTable::onEnter);
    connect(m_delegate, &OutlineDelegate::tabPressed, this, &OutlineTable::onTab);
    connect(m_delegate, &OutlineDelegate::deleteOnEmpty, this, &OutlineTable::onDeleteOnEmpty);
    connect(m_delegate, &OutlineDelegate::outlinePasted, this, &OutlineTable::onOutlinePasted);
    connect(m_delegate, &OutlineDelegate::stepRequested, this, &OutlineTable::onStep);
    connect(store, &TaskStore::pendingTitleFocusIDChanged, this, &OutlineTable::schedulePendingFocus);
    connect(store, &TaskStore::pendingTitleSelectAllChanged, this, &OutlineTable::schedulePendingFocus);
    connect(&AppNotifications::instance(), &AppNotifications::clearTaskRowSelection, this,
            &OutlineTable::clearRowSelection);
    // Rows that went away leave the selection with them.
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, [this] {
        if (m_selection.ids.isEmpty())
            return;
        const QStringList& ids = m_model->rowIds();
        RowSelection kept;
        for (const QString& id : ids)
            if (m_selection.ids.contains(id))
                kept.ids.insert(id);
        if (m_selection.anchor && kept.ids.contains(*m_selection.anchor))
            kept.anchor = m_selection.anchor;
        m_selection = kept;
    });
    schedulePendingFocus();
}

bool OutlineTable::isRowSelected(int row) const {
    return !m_selection.ids.isEmpty() && row >= 0 && row < m_model->rowCount() &&
           m_selection.ids.contains(m_model->rowIds().at(row));
}

bool OutlineTable::canDeleteRow(int row) const {
    if (!m_store || row < 0 || row >= m_model->rowCount() || !m_model->row(row).isSection())
        return false;
    return m_store->canDeleteSection(m_model->row(row).section().id);
}

void OutlineTable::setSelection(const RowSelection& selection) {
    if (selection == m_selection)
        return;
    m_selection = selection;
    viewport()->update();
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

bool OutlineTable::focusTitle(const QUuid& taskID, bool selectAll) {
    m_model->sync();
    const int row = m_model->rowOfTask(taskID);
    if (row < 0)
        return false;
    finishEditing();
    const QModelIndex title = m_model->index(row, M::TitleColumn);
    setCurrentIndex(title);
    scrollTo(title);
    if (!edit(title, AllEditTriggers, nullptr))
        return false;
    if (QLineEdit* editor = openEditor()) {
        editor->setFocus(Qt::OtherFocusReason);
        if (selectAll)
            editor->selectAll();
        else
            editor->end(false);
    }
    return true;
}

void OutlineTable::queueFocus(const QUuid& taskID, bool selectAll) {
    QMetaObject::invokeMethod(
        this, [this, taskID, selectAll] { focusTitle(taskID, selectAll); }, Qt::QueuedConnection);
}

void OutlineTable::schedulePendingFocus() {
    if (m_focusQueued || !m_store || !m_store->pendingTitleFocusID())
        return;
    // Both request fields are set one after the other: read them once both are in.
    m_focusQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_focusQueued = false;
            servePendingFocus(0);
        },
        Qt::QueuedConnection);
}

void OutlineTable::servePendingFocus(int attempt) {
    if (!m_store || !m_store->pendingTitleFocusID())
        return;
    const QUuid taskID = *m_store->pendingTitleFocusID();
    const bool selectAll = m_store->pendingTitleSelectAll();
    if (focusTitle(taskID, selectAll)) {
        m_store->setPendingTitleFocusID(std::nullopt);
        m_store->setPendingTitleSelectAll(false);
        return;
    }
    // The row may not be built yet; try a few more times, then let the request go.
    if (attempt + 1 < kFocusAttempts) {
        QTimer::singleShot(kFocusRetryMs, this, [this, attempt] { servePendingFocus(attempt + 1); });
        return;
    }
    m_store->setPendingTitleFocusID(std::nullopt);
    m_store->setPendingTitleSelectAll(false);
}

void OutlineTable::onEnter(const QUuid& taskID, const QString& text) {
    if (m_store)
        m_store->focusTaskBelow(taskID, text); // the new row's focus comes back as a request
}

void OutlineTable::onTab(const QUuid& taskID, const QString& text, bool shift) {
    if (!m_store)
        return;
    // The typed title goes in first, so Tab never drops a keystroke.
    const QString trimmed = text.trimmed();
    const int row = m_model->rowOfTask(taskID);
    if (row >= 0 && !trimmed.isEmpty() && trimmed != m_model->row(row).task().title) {
        m_store->recordUndoSnapshot();
        m_store->updateTitle(taskID, trimmed);
    }
    if (shift)
        m_store->outdentTask(taskID);
    else
        m_store->indentTask(taskID);
    m_model->sync();
    queueFocus(taskID, false);
}

void OutlineTable::onDeleteOnEmpty(const QUuid& taskID) {
    if (!m_store)
        return;
    m_model->sync();
    const int row = m_model->rowOfTask(taskID);
    if (row < 0)
        return;
    // A heading with tasks under it stays: removing it would hide them.
    if (m_model->subtreeEnd(row) > row) {
        queueFocus(taskID, false);
        return;
    }
    std::optional<QUuid> above;
    for (int r = row - 1; r >= 0 && !above; --r)
        if (m_model->row(r).isTask())
            above = m_model->row(r).task().id;
    m_store->removeTask(taskID);
    m_model->sync();
    if (!above) {
        for (int r = row; r < m_model->rowCount() && !above; ++r)
            if (m_model->row(r).isTask())
                above = m_model->row(r).task().id;
    }
    if (above)
        queueFocus(*above, false);
}

void OutlineTable::onOutlinePasted(const QString& rowID, const QString& text) {
    if (!m_store)
        return;
    const int row = m_model->rowOfId(rowID);
    if (row < 0)
        return;
    const OutlineRow& target = m_model->row(row);
    m_store->pasteIntoSection(text, target.isTask() ? target.task().sectionID : target.section().id);
    m_model->sync();
}

void OutlineTable::editTitleAt(int row) {
    if (row < 0 || row >= m_model->rowCount())
        return;
    const QModelIndex title = m_model->index(row, M::TitleColumn);
    setCurrentIndex(title);
    scrollTo(title);
    if (edit(title, AllEditTriggers, nullptr))
        if (QLineEdit* editor = openEditor())
            editor->end(false);
}

void OutlineTable::onStep(const QString& rowID, int direction, bool moveTask) {
    m_model->sync();
    const int row = m_model->rowOfId(rowID);
    if (row < 0)
        return;
    if (!moveTask) {
        editTitleAt(std::clamp(row + direction, 0, m_model->rowCount() - 1));
        return;
    }
    setCurrentIndex(m_model->index(row, M::TitleColumn));
    moveCurrentTask(direction);
    editTitleAt(m_model->rowOfId(rowID));
}

QString OutlineTable::copyText() const {
    if (!m_store)
        return {};
    const std::optional<QUuid> root = m_store->rootSectionID();
    const QString title = root ? m_store->sectionTitle(*root) : QString();
    return HierarchicalTaskExporter::exportOutline(title, m_model->rows(), m_selection.ids);
}

bool OutlineTable::pasteFromClipboard() {
    const QString text = QApplication::clipboard()->text();
    if (!m_store || text.trimmed().isEmpty())
        return false;
    // One folder row picked: the paste goes into that folder, and only when it reads as a list.
    if (m_selection.ids.size() == 1) {
        const int row = m_model->rowOfId(*m_selection.ids.cbegin());
        if (row >= 0 && m_model->row(row).isSection()) {
            if (!OutlinePasteDetector::isOutlineList(text))
                return false;
            m_store->pasteIntoSection(text, m_model->row(row).section().id);
            m_model->sync();
            return true;
        }
    }
    clearRowSelection();
    m_store->replaceFromPaste(text);
    m_model->sync();
    emit listReplaced();
    return true;
}

void OutlineTable::setCurrentRow(int row) {
    if (row < 0 || row >= m_model->rowCount())
        return;
    const QModelIndex title = m_model->index(row, M::TitleColumn);
    setCurrentIndex(title);
    scrollTo(title);
    setSelection({{m_model->rowIds().at(row)}, m_model->rowIds().at(row)});
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
    if (!m_store)
        return QTableView::keyPressEvent(event);
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
        m_store->undo();
        return;
    }
    if (event->matches(QKeySequence::Redo)) {
        m_store->redo();
        return;
    }
    const int current = currentIndex().isValid() ? currentIndex().row() : -1;
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const int step = event->key() == Qt::Key_Up ? -1 : 1;
        if (mods == Qt::AltModifier) {
            moveCurrentTask(step);
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
    case Qt::Key_F2:
        if (current >= 0 && mods == Qt::NoModifier) {
            editTitleAt(current);
            return;
        }
        break;
    case Qt::Key_Escape:
        clearRowSelection();
        return;
    default:
        break;
    }
    QTableView::keyPressEvent(event);
}

} // namespace vorn
