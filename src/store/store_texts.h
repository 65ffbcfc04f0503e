#pragma once

#include <QString>

namespace vorn {

// "1 task", "3 tasks", as the store shows it to the user (translated; what the
// store sends to the language model says it with counted() instead).
QString taskCountText(qint64 count);

} // namespace vorn
