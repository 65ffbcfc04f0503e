#pragma once

#include "model/outline_row.h"

#include <QAbstractTableModel>
#include <QPointer>

namespace vorn {

class TaskStore;

// The outline rows as a read-only table: title (indented by depth), minutes and
// finish time. Owns nothing: it reads the store and resets on its changes.
class OutlineRowsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { TitleColumn, MinutesColumn, FinishColumn, ColumnCount };

    explicit OutlineRowsModel(TaskStore* store, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void reload();

    QPointer<TaskStore> m_store;
    QList<OutlineRow> m_rows;
};

} // namespace vorn
