#include "views/outline/row_texts.h"

#include "views/outline/outline_table_model.h"

#include <QCoreApplication>

namespace vorn::row_texts {

namespace {

using M = OutlineTableModel;

QString tr(const char* text) {
    return QCoreApplication::translate("OutlineRow", text);
}

QString title(const OutlineRow& row) {
    const QString& text = row.isTask() ? row.task().title : row.section().title;
    if (!text.isEmpty())
        return text;
    return row.isTask() ? tr("Task name") : tr("Folder");
}

QString minutes(qint64 count) {
    return count == 1 ? tr("1 minute") : tr("%1 minutes").arg(count);
}

} // namespace

QString cellName(const OutlineRow& row, int column, const QString& finish, bool canDelete) {
    switch (column) {
    case M::HandleColumn:
        return tr("Drag to move");
    case M::ToggleColumn:
        if (row.isSection())
            return tr("Folder");
        return row.task().isCompleted ? tr("Completed") : tr("Open");
    case M::TitleColumn:
        return title(row);
    case M::MinutesColumn:
        return row.isTask() ? minutes(row.task().durationMinutes) : QString();
    case M::FinishColumn:
        return finish.isEmpty() ? QString() : tr("Done by %1").arg(finish);
    case M::TrashColumn:
        return canDelete ? tr("Delete folder") : QString();
    default:
        return {};
    }
}

QString rowDescription(const OutlineRow& row, const QString& finish) {
    QStringList parts;
    if (row.isSection()) {
        parts << tr("Folder") << title(row);
    } else {
        parts << (row.isGroupHeader ? tr("Group") : tr("Task")) << title(row)
              << minutes(row.task().durationMinutes);
    }
    if (!finish.isEmpty())
        parts << tr("done by %1").arg(finish);
    if (row.isTask())
        parts << (row.task().isCompleted ? tr("completed") : tr("open"));
    return parts.join(QStringLiteral(", "));
}

QString titleToolTip(const OutlineRow& row) {
    const QString help = row.isGroupHeader ? tr("Tab to indent · Shift+Tab to outdent")
                                           : tr("Tab to indent under item above · Shift+Tab to outdent");
    const QString& text = row.isTask() ? row.task().title : row.section().title;
    if (row.isSection())
        return text;
    return text.isEmpty() ? help : text + QLatin1Char('\n') + help;
}

} // namespace vorn::row_texts
