#pragma once

#include <QString>

namespace vorn {

// A count with its noun in the right number: "1 task", "0 tasks", "3 tasks".
QString counted(qint64 count, const QString& singular, const QString& plural);

} // namespace vorn
