#include "app/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstring>

namespace vorn {

CommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A planner for one working day, with a boss that pushes you through it.\n"
                       "Without options, opens the window (or raises the one already open)."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption exportOption(QStringLiteral("export"),
                                          QStringLiteral("Print the list as numbered, indented text."));
    const QCommandLineOption importOption(
        QStringLiteral("import"),
        QStringLiteral("Replace the list with the numbered list in <file> ('-' reads standard input)."),
        QStringLiteral("file"));
    parser.addOption(exportOption);
    parser.addOption(importOption);

    CommandLine result;
    if (!parser.parse(arguments)) {
        result.error = parser.errorText();
        return result;
    }
    if (parser.isSet(help))
        parser.showHelp(0);
    if (parser.isSet(version))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty()) {
        result.error = QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().first());
        return result;
    }
    if (parser.isSet(exportOption) && parser.isSet(importOption)) {
        result.error = QStringLiteral("Use --export or --import, not both.");
        return result;
    }
    if (parser.isSet(exportOption)) {
        result.action = CommandLine::Action::exportOutline;
    } else if (parser.isSet(importOption)) {
        result.action = CommandLine::Action::importList;
        result.importPath = parser.value(importOption);
        if (result.importPath.isEmpty())
            result.error = QStringLiteral("--import needs a file name, or '-' for standard input.");
    }
    return result;
}

bool isHeadlessCommand(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        for (const char* name :
             {"--export", "--import", "--help", "--version", "-h", "-v", "-?", "--help-all"}) {
            const std::size_t n = std::strlen(name);
            if (std::strncmp(arg, name, n) == 0 && (arg[n] == '\0' || arg[n] == '='))
                return true;
        }
    }
    return false;
}

} // namespace vorn
