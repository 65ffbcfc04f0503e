#pragma once

#include <QString>
#include <QStringList>

namespace vorn {

// What the command line asks for. --help and --version print and end the
// process inside parseCommandLine.
struct CommandLine {
    enum class Action { openWindow, exportOutline, importList };
    Action action = Action::openWindow;
    QString importPath; // "-": standard input
    QString error;      // set when the arguments make no sense
};

// `arguments` includes the program name, as QCoreApplication::arguments().
CommandLine parseCommandLine(const QStringList& arguments);

// True when the arguments run a command without a window (so no display is needed).
bool isHeadlessCommand(int argc, char** argv);

} // namespace vorn
