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
    // --hidden: start in the tray without showing the window (the login start).
    bool hidden = false;
    QString error; // set when the arguments make no sense
};

// `arguments` includes the program name, as QCoreApplication::arguments().
CommandLine parseCommandLine(const QStringList& arguments);

// True when the arguments ask for anything but the window (a command, or a
// mistake to report), so that no display is needed; Qt's own window-system
// options (-platform, -style, ...) leave the window to open.
bool isHeadlessCommand(int argc, char** argv);

} // namespace vorn
