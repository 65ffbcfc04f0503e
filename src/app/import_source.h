#pragma once

#include "platform/result.h"

#include <QString>

#include <chrono>

namespace vorn {

struct ReadError {
    QString message;
};

// What --import reads at most, and how long a pipe may stay silent.
struct ImportLimits {
    qint64 maxBytes = 64 * 1024 * 1024;
    std::chrono::milliseconds silence{5000};
};

// The list to import: the text of a regular file, or of standard input for
// "-" (a file, a pipe or a terminal). Refuses a device, a folder or a socket,
// more than `limits.maxBytes`, a pipe or FIFO that gives no data for
// `limits.silence`, and text that is not UTF-8. Never waits for a writer that
// does not come and never reads an endless source to its end.
Result<QString, ReadError> readImportText(const QString& path, const ImportLimits& limits = {});

} // namespace vorn
