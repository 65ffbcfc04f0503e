#pragma once

#include <QSet>
#include <QStringList>

#include <optional>

namespace vorn {

// The rows picked in the outline table, by identity, so that the picking
// survives rows coming and going above it. The anchor is where a Shift range starts.
struct RowSelection {
    QSet<QString> ids;
    std::optional<QString> anchor;

    bool operator==(const RowSelection&) const = default;
};

namespace row_selection {

// A tap on row `tapped` of `rows`: with Shift and an anchor still shown, the
// range from the anchor (which stays) to the row; a tap on the only selected row
// clears everything; any other tap selects that row alone and anchors there.
RowSelection tap(const RowSelection& current, const QStringList& rows, int tapped, bool shift);
// Every row from `from` to `to`, either way round, anchored at `from`.
RowSelection range(const QStringList& rows, int from, int to);
RowSelection all(const QStringList& rows);

} // namespace row_selection

} // namespace vorn
