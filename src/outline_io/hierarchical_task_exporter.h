#pragma once

#include "model/outline_row.h"
#include "model/workspace.h"

#include <QSet>
#include <QString>

namespace vorn::HierarchicalTaskExporter {

// The outline as a numbered, indented list that the list parser reads back:
// the title on the first line, then one line per row, four spaces per level
// below the shallowest row kept, numbered from 1 within each run of siblings.
// With a non-empty selection only the rows whose id() it holds are written.
// Lines are joined by line feeds, with none at the end.
QString exportOutline(const QString& rootTitle, const QList<OutlineRow>& rows,
                      const QSet<QString>& selectedRowIDs = {});

// The displayed rows of the whole workspace under the root section's title.
QString exportOutline(const Workspace& ws, const QSet<QString>& selectedRowIDs = {});

} // namespace vorn::HierarchicalTaskExporter
