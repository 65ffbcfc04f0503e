#include "views/outline/row_changes.h"

#include <QSet>

#include <algorithm>

namespace vorn {

namespace {

QList<RowChange> planMiddle(const QStringList& before, const QStringList& after) {
    QList<RowChange> plan;
    const QSet<QString> kept(after.cbegin(), after.cend());
    const QSet<QString> known(before.cbegin(), before.cend());

    // Removals, from the bottom so that earlier indexes stay valid.
    QStringList rows = before;
    for (int end = int(rows.size()); end > 0;) {
        if (kept.contains(rows.at(end - 1))) {
            --end;
            continue;
        }
        int first = end - 1;
        while (first > 0 && !kept.contains(rows.at(first - 1)))
            --first;
        plan.append({RowChange::Kind::remove, first, end - first, 0});
        rows.remove(first, end - first);
        end = first;
    }

    // Walk down the target: new rows are inserted, misplaced ones fetched from
    // further down in runs that already stand together.
    int i = 0;
    while (i < after.size()) {
        if (i < rows.size() && rows.at(i) == after.at(i)) {
            ++i;
            continue;
        }
        if (!known.contains(after.at(i))) {
            int count = 1;
            while (i + count < after.size() && !known.contains(after.at(i + count)))
                ++count;
            plan.append({RowChange::Kind::insert, i, count, 0});
            for (int k = 0; k < count; ++k)
                rows.insert(i + k, after.at(i + k));
            i += count;
            continue;
        }
        const int from = int(rows.indexOf(after.at(i), i + 1));
        int count = 1;
        while (i + count < after.size() && from + count < rows.size() &&
               rows.at(from + count) == after.at(i + count))
            ++count;
        plan.append({RowChange::Kind::move, from, count, i});
        const QStringList block = rows.mid(from, count);
        rows.remove(from, count);
        for (int k = 0; k < count; ++k)
            rows.insert(i + k, block.at(k));
        i += count;
    }
    return plan;
}

} // namespace

QList<RowChange> planRowChanges(const QStringList& before, const QStringList& after) {
    // An edit touches a few rows in the middle: leave the common ends out.
    const qsizetype shorter = std::min(before.size(), after.size());
    qsizetype head = 0;
    while (head < shorter && before.at(head) == after.at(head))
        ++head;
    qsizetype tail = 0;
    while (tail < shorter - head && before.at(before.size() - 1 - tail) == after.at(after.size() - 1 - tail))
        ++tail;
    if (head == before.size() && head == after.size())
        return {};
    QList<RowChange> plan = planMiddle(before.mid(head, before.size() - head - tail),
                                       after.mid(head, after.size() - head - tail));
    for (RowChange& change : plan) {
        change.first += int(head);
        change.to += int(head);
    }
    return plan;
}

void applyRowChanges(QStringList& rows, const QList<RowChange>& plan, const QStringList& after) {
    for (const RowChange& change : plan) {
        switch (change.kind) {
        case RowChange::Kind::remove:
            rows.remove(change.first, change.count);
            break;
        case RowChange::Kind::insert:
            for (int k = 0; k < change.count; ++k)
                rows.insert(change.first + k, after.at(change.first + k));
            break;
        case RowChange::Kind::move: {
            const QStringList block = rows.mid(change.first, change.count);
            rows.remove(change.first, change.count);
            for (int k = 0; k < change.count; ++k)
                rows.insert(change.to + k, block.at(k));
            break;
        }
        }
    }
}

} // namespace vorn
