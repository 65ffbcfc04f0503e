#include "views/outline/row_texts.h"

#include "views/outline/outline_table_model.h"

#include <QCoreApplication>

namespace vorn::row_texts {

namespace {

using M = OutlineTableModel;

// The rows' words, under one translation context.
struct RowWords {
    Q_DECLARE_TR_FUNCTIONS(OutlineRow)
};

QString title(const OutlineRow& row) {
    const QString& text = row.isTask() ? row.task().title : row.section().title;
    if (!text.isEmpty())
        return text;
    return row.isTask() ? RowWords::tr("Task name") : RowWords::tr("Folder");
}

QString minutes(qint64 count) {
    return count == 1 ? RowWords::tr("1 minute") : RowWords::tr("%1 minutes").arg(count);
}

} // namespace

QString cellName(const OutlineRow& row, int column, const QString& finish, bool canDelete) {
    switch (column) {
    case M::HandleColumn:
        return RowWords::tr("Drag to move");
    case M::ToggleColumn:
        if (row.isSection())
            return RowWords::tr("Folder");
        return row.task().isCompleted ? RowWords::tr("Completed") : RowWords::tr("Open");
    case M::TitleColumn:
        return title(row);
    case M::MinutesColumn:
        return row.isTask() ? minutes(row.task().durationMinutes) : QString();
    case M::FinishColumn:
        return finish.isEmpty() ? QString() : RowWords::tr("Done by %1").arg(finish);
    case M::TrashColumn:
        return canDelete ? RowWords::tr("Delete folder") : QString();
    default:
        return {};
    }
}

QString rowDescription(const OutlineRow& row, const QString& finish) {
    QStringList parts;
    if (row.isSection()) {
        parts << RowWords::tr("Folder") << title(row);
    } else {
        parts << (row.isGroupHeader ? RowWords::tr("Group") : RowWords::tr("Task")) << title(row)
              << minutes(row.task().durationMinutes);
    }
    if (!finish.isEmpty())
        parts << RowWords::tr("done by %1").arg(finish);
    if (row.isTask())
        parts << (row.task().isCompleted ? RowWords::tr("completed") : RowWords::tr("open"));
    return parts.join(QStringLiteral(", "));
}

QString titleToolTip(const OutlineRow& row) {
    const QString help = row.isGroupHeader
                             ? RowWords::tr("Tab to indent · Shift+Tab to outdent")
                             : RowWords::tr("Tab to indent under item above · Shift+Tab to outdent");
    const QString& text = row.isTask() ? row.task().title : row.section().title;
    if (row.isSection())
        return text;
    return text.isEmpty() ? help : text + QLatin1Char('\n') + help;
}

} // namespace vorn::row_texts
