#pragma once

#include <QFunctionPointer>
#include <QString>
#include <QStringList>

namespace vorn {

// The folders Vorn's loadable modules (parts few sessions need, such as the
// charts, kept out of start-up) are looked for in, in order: the one the
// environment's VORN_MODULE_DIR names, the program's own folder (a build
// tree), then the installed module folder beside the program's.
QStringList moduleDirectories();

// The function `symbol` of the module file `fileName`, loaded on first use
// and kept loaded for the rest of the run. nullptr when no folder holds the
// module or it does not load; `error` then says why.
QFunctionPointer resolveModuleFunction(const QString& fileName, const char* symbol, QString* error = nullptr);

} // namespace vorn
