#pragma once

#include <QString>

namespace vorn::paths {

// The folder that holds the database: $VORN_DATA_DIR when set, else the
// generic data location followed by "Vorn" (~/.local/share/Vorn on Linux).
QString dataDirectory();
// dataDirectory() + "/vorn.sqlite".
QString databasePath();
// Creates the folder with any missing parents; false when it cannot be made.
bool ensureDirectory(const QString& dir);

} // namespace vorn::paths
