#pragma once

#include <QList>
#include <QStringList>

namespace vorn {

// One structural step that turns a list of row identities into another, in
// the coordinates of the list as it stands when the step runs.
struct RowChange {
    enum class Kind { remove, insert, move };
    Kind kind = Kind::remove;
    int first = 0; // remove/move: first row taken; insert: where the new rows go
    int count = 0;
    int to = 0; // move: the row the block is put in front of (before the move)

    bool operator==(const RowChange&) const = default;
};

// The removals (bottom up), then the insertions and block moves (top down) that
// take `before` to `after`; rows are matched by identity, and the rows the two
// lists share at either end are left alone. Identities are unique within each
// list.
QList<RowChange> planRowChanges(const QStringList& before, const QStringList& after);

// Runs the plan on a plain list, as the outline model runs it on its rows: an
// insertion takes its identities from `after`, at the rows it fills.
void applyRowChanges(QStringList& rows, const QList<RowChange>& plan, const QStringList& after);

} // namespace vorn
