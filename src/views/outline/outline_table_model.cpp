#include "views/outline/outline_table_model.h"

#include "model/schedule.h"
#include "model/time_format.h"
#include "store/task_store.h"
#include "views/outline/row_changes.h"
#include "views/outline/row_texts.h"

#include <QMimeData>

namespace vorn {

namespace {

// A cell of this table (an invalid index is no cell, and not worth a warning).
bool isCell(const QAbstractItemModel* model, const QModelIndex& index) {
    return index.isValid() && index.model() == model && !index.parent().isValid() &&
           index.row() < model->rowCount() && index.column() < model->columnCount();
}

QStringList identities(const QList<OutlineRow>& rows) {
    QStringList ids;
    ids.reserve(rows.size());
    for (const OutlineRow& row : rows)
        ids.append(row.id());
    return ids;
}

} // namespace

OutlineTableModel::OutlineTableModel(TaskStore& store, QObject* parent)
    : QAbstractTableModel(parent), m_store(store) {
    connect(&store.outline(), &Outline::outlineChanged, this, &OutlineTableModel::followStore);
    m_rows = store.outline().outlineRows();
    m_ids = identities(m_rows);
}

void OutlineTableModel::followStore() {
    applyRows(m_store.outline().outlineRows());
}

void OutlineTableModel::applyRows(QList<OutlineRow> fresh) {
    const QStringList freshIds = identities(fresh);
    const QList<RowChange> plan = planRowChanges(m_ids, freshIds);
    for (const RowChange& change : plan) {
        switch (change.kind) {
        case RowChange::Kind::remove:
            beginRemoveRows({}, change.first, change.first + change.count - 1);
            m_rows.remove(change.first, change.count);
            m_ids.remove(change.first, change.count);
            endRemoveRows();
            break;
        case RowChange::Kind::insert:
            beginInsertRows({}, change.first, change.first + change.count - 1);
            for (int k = 0; k < change.count; ++k) {
                m_rows.insert(change.first + k, fresh.at(change.first + k));
                m_ids.insert(change.first + k, freshIds.at(change.first + k));
            }
            endInsertRows();
            break;
        case RowChange::Kind::move: {
            beginMoveRows({}, change.first, change.first + change.count - 1, {}, change.to);
            const QList<OutlineRow> block = m_rows.mid(change.first, change.count);
            const QStringList blockIds = m_ids.mid(change.first, change.count);
            m_rows.remove(change.first, change.count);
            m_ids.remove(change.first, change.count);
            for (int k = 0; k < change.count; ++k) {
                m_rows.insert(change.to + k, block.at(k));
                m_ids.insert(change.to + k, blockIds.at(k));
            }
            endMoveRows();
            break;
        }
        }
    }

    // The rows now stand in the new order; report those whose content changed.
    bool anyTaskChanged = false;
    int runStart = -1;
    const int count = int(fresh.size());
    for (int r = 0; r <= count; ++r) {
        const bool changed = r < count && !(m_rows.at(r) == fresh.at(r));
        if (changed) {
            anyTaskChanged = anyTaskChanged || fresh.at(r).isTask();
            m_rows[r] = fresh.at(r);
            if (runStart < 0)
                runStart = r;
        } else if (runStart >= 0) {
            emit dataChanged(index(runStart, 0), index(r - 1, ColumnCount - 1));
            runStart = -1;
        }
    }
    // A folder's finish time follows its tasks.
    if ((anyTaskChanged || !plan.isEmpty()) && count > 0)
        emit dataChanged(index(0, FinishColumn), index(count - 1, FinishColumn), {Qt::DisplayRole});
}

int OutlineTableModel::rowOfTask(const QUuid& taskID) const {
    return rowOfId(QStringLiteral("task:") + uuidText(taskID));
}

int OutlineTableModel::rowOfId(const QString& rowID) const {
    return int(m_ids.indexOf(rowID));
}

int OutlineTableModel::subtreeEnd(int r) const {
    const int depth = m_rows.at(r).depth;
    int end = r;
    while (end + 1 < m_rows.size() && m_rows.at(end + 1).depth > depth)
        ++end;
    return end;
}

int OutlineTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int OutlineTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant OutlineTableModel::data(const QModelIndex& index, int role) const {
    if (!isCell(this, index))
        return {};
    const OutlineRow& row = m_rows.at(index.row());
    switch (role) {
    case RowIdRole:
        return m_ids.at(index.row());
    case DepthRole:
        return row.depth;
    case IsSectionRole:
        return row.isSection();
    case IsGroupHeaderRole:
        return row.isGroupHeader;
    case IsCompletedRole:
        return row.isTask() && row.task().isCompleted;
    case ItemIdRole:
        return row.isTask() ? row.task().id : row.section().id;
    case CanDeleteRole:
        return row.isSection() && m_store.editor().canDeleteSection(row.section().id);
    case Qt::CheckStateRole:
        if (index.column() != ToggleColumn || !row.isTask())
            return {};
        return int(row.task().isCompleted ? Qt::Checked : Qt::Unchecked);
    case Qt::AccessibleTextRole:
        return row_texts::cellName(row, index.column(), finishText(row),
                                   index.column() == TrashColumn && data(index, CanDeleteRole).toBool());
    case Qt::AccessibleDescriptionRole:
        return row_texts::rowDescription(row, finishText(row));
    case Qt::ToolTipRole:
        if (index.column() != TitleColumn)
            return {};
        return row_texts::titleToolTip(row);
    case Qt::TextAlignmentRole:
        if (index.column() == MinutesColumn || index.column() == FinishColumn)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::DisplayRole:
    case Qt::EditRole:
        break;
    default:
        return {};
    }

    switch (index.column()) {
    case TitleColumn:
        return row.isTask() ? row.task().title : row.section().title;
    case MinutesColumn:
        return row.isTask() ? QString::number(row.task().durationMinutes) : QVariant();
    case FinishColumn:
        return role == Qt::DisplayRole ? finishText(row) : QVariant();
    default:
        return {};
    }
}

QString OutlineTableModel::finishText(const OutlineRow& row) const {
    std::optional<Instant> finish;
    if (row.isTask())
        finish = row.task().finishTime;
    else
        finish = m_store.outline().sectionFinishTime(row.section().id);
    return finish ? formatClockTime(*finish) : QString();
}

QVariant OutlineTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::TextAlignmentRole) {
        const bool numbers = section == MinutesColumn || section == FinishColumn;
        return QVariant::fromValue((numbers ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case TitleColumn:
        return tr("Task");
    case MinutesColumn:
        return tr("Min");
    case FinishColumn:
        return tr("Done");
    default:
        return QString();
    }
}

Qt::ItemFlags OutlineTableModel::flags(const QModelIndex& index) const {
    if (!isCell(this, index))
        return Qt::NoItemFlags;
    Qt::ItemFlags flags =
        Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
    const bool isTask = m_rows.at(index.row()).isTask();
    if (index.column() == TitleColumn || (index.column() == MinutesColumn && isTask))
        flags |= Qt::ItemIsEditable;
    if (index.column() == ToggleColumn && isTask)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

bool OutlineTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!isCell(this, index))
        return false;
    const OutlineRow row = m_rows.at(index.row());
    if (role == Qt::CheckStateRole && index.column() == ToggleColumn && row.isTask()) {
        // Setting the state it already has is no second toggle.
        const bool done = value.toInt() == Qt::Checked;
        if (done != row.task().isCompleted)
            m_store.toggleCompletion(row.task().id);
        return true;
    }
    if (role != Qt::EditRole)
        return false;
    const QString text = value.toString().trimmed();

    if (index.column() == TitleColumn) {
        const QString current = row.isTask() ? row.task().title : row.section().title;
        // An emptied title keeps the old one; the row goes only through delete-on-empty.
        if (text.isEmpty() || text == current)
            return false;
        if (row.isTask())
            m_store.editor().updateTitle(row.task().id, text);
        else
            m_store.editor().renameSection(row.section().id, text);
        return true;
    }
    if (index.column() == MinutesColumn && row.isTask()) {
        const std::optional<qint64> minutes = TimeCalculator::parseDurationInput(text);
        if (!minutes)
            return false; // the cell shows the stored minutes again
        if (*minutes != row.task().durationMinutes)
            m_store.editor().updateDuration(row.task().id, *minutes);
        return true;
    }
    return false;
}

QStringList OutlineTableModel::mimeTypes() const {
    return {QString::fromLatin1(kRowMimeType)};
}

QMimeData* OutlineTableModel::mimeData(const QModelIndexList& indexes) const {
    if (indexes.isEmpty() || !indexes.first().isValid())
        return nullptr;
    auto* data = new QMimeData;
    const QString id = m_ids.at(indexes.first().row());
    data->setData(QString::fromLatin1(kRowMimeType), id.toUtf8());
    data->setText(id);
    return data;
}

std::optional<int> OutlineTableModel::draggedRow(const QMimeData* data) const {
    if (!data || !data->hasFormat(QString::fromLatin1(kRowMimeType)))
        return std::nullopt;
    const int r = rowOfId(QString::fromUtf8(data->data(QString::fromLatin1(kRowMimeType))));
    return r >= 0 ? std::optional<int>(r) : std::nullopt;
}

bool OutlineTableModel::canDropMimeData(const QMimeData* data, Qt::DropAction action, int, int,
                                        const QModelIndex& parent) const {
    if (action != Qt::MoveAction || !isCell(this, parent))
        return false;
    const std::optional<int> dragged = draggedRow(data);
    const int target = parent.row();
    // Nothing lands on itself or inside what it carries along.
    if (!dragged || (target >= *dragged && target <= subtreeEnd(*dragged)))
        return false;
    const OutlineRow& from = m_rows.at(*dragged);
    const OutlineRow& onto = m_rows.at(target);
    if (from.isTask())
        return true;
    // Folders are reordered among the top-level folders only.
    const std::optional<QUuid> root = m_store.outline().rootSectionID();
    return onto.isSection() && root && from.section().parentID == root && onto.section().parentID == root;
}

bool OutlineTableModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                     const QModelIndex& parent) {
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    const OutlineRow from = m_rows.at(*draggedRow(data));
    const OutlineRow onto = m_rows.at(parent.row());
    if (from.isSection())
        m_store.editor().moveOutlineSection(from.section().id, onto.section().id);
    else if (onto.isTask())
        m_store.editor().moveOutlineTask(from.task().id, onto.task().id);
    else
        m_store.editor().moveTask(from.task().id, onto.section().id, std::nullopt);
    return true;
}

} // namespace vorn
