#include "views/outline/row_selection.h"

#include <algorithm>

namespace vorn::row_selection {

RowSelection range(const QStringList& rows, int from, int to) {
    RowSelection picked;
    if (rows.isEmpty())
        return picked;
    from = std::clamp(from, 0, int(rows.size()) - 1);
    to = std::clamp(to, 0, int(rows.size()) - 1);
    for (int r = std::min(from, to); r <= std::max(from, to); ++r)
        picked.ids.insert(rows.at(r));
    picked.anchor = rows.at(from);
    return picked;
}

RowSelection tap(const RowSelection& current, const QStringList& rows, int tapped, bool shift) {
    if (tapped < 0 || tapped >= rows.size())
        return current;
    const int anchor = current.anchor ? int(rows.indexOf(*current.anchor)) : -1;
    if (shift && anchor >= 0)
        return range(rows, anchor, tapped);
    const QString& id = rows.at(tapped);
    if (current.ids.size() == 1 && current.ids.contains(id))
        return {};
    return {{id}, id};
}

RowSelection all(const QStringList& rows) {
    RowSelection picked;
    picked.ids = QSet<QString>(rows.cbegin(), rows.cend());
    if (!rows.isEmpty())
        picked.anchor = rows.first();
    return picked;
}

} // namespace vorn::row_selection
