#include "platform/runtime_module.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace vorn {

QStringList moduleDirectories() {
    QStringList folders;
    const QString fromEnvironment = qEnvironmentVariable("VORN_MODULE_DIR");
    if (!fromEnvironment.isEmpty())
        folders.append(fromEnvironment);
    const QDir program(QCoreApplication::applicationDirPath());
    folders.append(program.path());
    folders.append(QDir::cleanPath(program.filePath(QStringLiteral(VORN_MODULE_DIR_FROM_BIN))));
    return folders;
}

QFunctionPointer resolveModuleFunction(const QString& fileName, const char* symbol, QString* error) {
    QString why = QCoreApplication::translate("RuntimeModule", "%1 was not found in %2.")
                      .arg(fileName, moduleDirectories().join(QStringLiteral(", ")));
    for (const QString& folder : moduleDirectories()) {
        const QString path = QDir(folder).filePath(fileName);
        if (!QFileInfo(path).isFile())
            continue;
        // A library once loaded stays loaded when its QLibrary goes (no unload()):
        // the widgets it made live on.
        QLibrary library(path);
        if (const QFunctionPointer function = library.resolve(symbol))
            return function;
        why = library.errorString();
        break;
    }
    if (error)
        *error = why;
    return nullptr;
}

} // namespace vorn
