#include "outline_io/hierarchical_task_exporter.h"

#include "model/outline.h"

#include <QUuid>

#include <algorithm>
#include <vector>

namespace vorn::HierarchicalTaskExporter {

namespace {

// Appends a line feed and one numbered line. counters[d] is the last number
// used at depth d; deeper counts restart whenever a shallower line is written.
void appendLine(QString& out, int depth, const QString& title, std::vector<qint64>& counters) {
    counters.resize(size_t(depth) + 1, 0);
    const qint64 number = ++counters.back();
    out += u'\n';
    out.resize(out.size() + qsizetype(depth) * 4, u' ');
    out += QString::number(number);
    out += u". ";
    out += title;
}

// The selection keys read back into IDs once, rather than every row's key
// written out: "task:" or "section:" and the canonical upper-case UUID text,
// exactly as OutlineRow::id() writes it. Any other key selects nothing.
struct Selection {
    QSet<QUuid> tasks;
    QSet<QUuid> sections;

    explicit Selection(const QSet<QString>& keys) {
        for (const QString& key : keys) {
            const bool isTask = key.startsWith(u"task:");
            const qsizetype prefix = isTask ? 5 : key.startsWith(u"section:") ? 8 : -1;
            if (prefix < 0 || key.size() != prefix + 36)
                continue;
            const QStringView text = QStringView(key).sliced(prefix);
            const bool upper = std::none_of(text.begin(), text.end(), [](QChar c) { return c.isLower(); });
            const QUuid id = QUuid::fromString(text);
            if (upper && (!id.isNull() || text == u"00000000-0000-0000-0000-000000000000"))
                (isTask ? tasks : sections).insert(id);
        }
    }

    bool contains(const OutlineRow& row) const {
        return row.isTask() ? tasks.contains(row.task().id) : sections.contains(row.section().id);
    }
};

} // namespace

QString exportOutline(const QString& rootTitle, const QList<OutlineRow>& rows,
                      const QSet<QString>& selectedRowIDs) {
    std::vector<const OutlineRow*> kept;
    kept.reserve(size_t(rows.size()));
    const Selection selection(selectedRowIDs);
    for (const OutlineRow& row : rows) {
        if (selectedRowIDs.isEmpty() || selection.contains(row))
            kept.push_back(&row);
    }
    if (kept.empty())
        return rootTitle;

    const int shallowest = (*std::min_element(kept.begin(), kept.end(), [](auto a, auto b) {
                               return a->depth < b->depth;
                           }))->depth;
    QString out = rootTitle;
    std::vector<qint64> counters;
    for (const OutlineRow* row : kept) {
        const QString& title = row->isTask() ? row->task().title : row->section().title;
        appendLine(out, row->depth - shallowest, title, counters);
    }
    return out;
}

QString exportOutline(const Workspace& ws, const QSet<QString>& selectedRowIDs) {
    const std::optional<QUuid> root = outline::rootSectionID(ws);
    const QString title = root ? outline::sectionTitle(ws, *root) : TaskSection::defaultTitles.first();
    return exportOutline(title, outline::outlineRows(ws), selectedRowIDs);
}

} // namespace vorn::HierarchicalTaskExporter
