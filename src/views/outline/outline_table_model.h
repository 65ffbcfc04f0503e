#pragma once

#include "model/outline_row.h"

#include <QAbstractTableModel>
#include <QPointer>

#include <optional>

namespace vorn {

class TaskStore;

// The store's outline rows as a table that owns nothing. Each outlineChanged()
// of the store is turned at once into row inserts, removals, moves and
// dataChanged by identity ("task:<uuid>", "section:<uuid>"), never a reset, so
// an open editor survives them and the rows match the store as soon as an
// operation returns. Edits and drops go back through the store's operations.
// Everything the delegate paints and a screen reader reads comes from roles.
class OutlineTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column {
        HandleColumn,
        ToggleColumn,
        TitleColumn,
        MinutesColumn,
        FinishColumn,
        TrashColumn,
        ColumnCount
    };
    enum Role {
        RowIdRole = Qt::UserRole + 1, // "task:<uuid>" or "section:<uuid>"
        DepthRole,
        IsSectionRole,
        IsGroupHeaderRole,
        IsCompletedRole,
        ItemIdRole,    // the task's or section's QUuid
        CanDeleteRole, // a folder row whose trash button deletes it
    };
    static constexpr const char* kRowMimeType = "application/x-vorn-outline-row";

    explicit OutlineTableModel(TaskStore& store, QObject* parent = nullptr);

    const QList<OutlineRow>& rows() const { return m_rows; }
    const OutlineRow& row(int r) const { return m_rows.at(r); }
    const QStringList& rowIds() const { return m_ids; }
    int rowOfTask(const QUuid& taskID) const;
    int rowOfId(const QString& rowID) const;
    // The last row of the row's subtree (itself when nothing is nested under it).
    int subtreeEnd(int r) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    // A drop lands on a row (`parent`, with row and column -1).
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

private:
    void followStore();
    void applyRows(QList<OutlineRow> fresh);
    QString finishText(const OutlineRow& row) const;
    std::optional<int> draggedRow(const QMimeData* data) const;

    TaskStore& m_store;
    QList<OutlineRow> m_rows;
    QStringList m_ids;
};

} // namespace vorn
