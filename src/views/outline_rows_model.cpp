#include "views/outline_rows_model.h"

#include "model/time_format.h"
#include "store/task_store.h"

#include <QFont>

namespace vorn {

OutlineRowsModel::OutlineRowsModel(TaskStore* store, QObject* parent)
    : QAbstractTableModel(parent), m_store(store) {
    for (auto signal :
         {&TaskStore::tasksChanged, &TaskStore::sectionsChanged, &TaskStore::rootOutlineOrderChanged})
        connect(store, signal, this, &OutlineRowsModel::reload);
    m_rows = store->outlineRows();
}

void OutlineRowsModel::reload() {
    beginResetModel();
    m_rows = m_store ? m_store->outlineRows() : QList<OutlineRow>();
    endResetModel();
}

int OutlineRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int OutlineRowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant OutlineRowsModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid) || !m_store)
        return {};
    const OutlineRow& row = m_rows.at(index.row());

    if (role == Qt::FontRole && row.isSection()) {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    if (role == Qt::TextAlignmentRole && index.column() != TitleColumn)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};

    switch (index.column()) {
    case TitleColumn: {
        const QString title = row.isTask() ? row.task().title : row.section().title;
        return QString(row.depth * 4, QLatin1Char(' ')) + title;
    }
    case MinutesColumn:
        return row.isTask() ? QVariant(row.task().durationMinutes) : QVariant();
    case FinishColumn: {
        const std::optional<Instant> finish =
            row.isTask() ? row.task().finishTime : m_store->sectionFinishTime(row.section().id);
        return finish ? formatClockTime(*finish) : QString();
    }
    default:
        return {};
    }
}

QVariant OutlineRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case TitleColumn:
        return tr("Task");
    case MinutesColumn:
        return tr("Minutes");
    case FinishColumn:
        return tr("Finish");
    default:
        return {};
    }
}

} // namespace vorn
