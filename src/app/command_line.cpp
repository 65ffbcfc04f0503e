#include "app/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <algorithm>
#include <iterator>
#include <string_view>

namespace vorn {

namespace {

// The command line's help and its complaints, under one translation context.
struct CommandLineWords {
    Q_DECLARE_TR_FUNCTIONS(CommandLine)
};

} // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        CommandLineWords::tr("A planner for one working day, with a boss that pushes you through it.\n"
                             "Without options, opens the window (or raises the one already open)."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption exportOption(QStringLiteral("export"),
                                          CommandLineWords::tr("Print the list as numbered, indented text."));
    const QCommandLineOption importOption(
        QStringLiteral("import"),
        CommandLineWords::tr("Replace the list with the numbered list in <file> ('-' reads standard input)."),
        CommandLineWords::tr("file"));
    const QCommandLineOption hiddenOption(
        QStringLiteral("hidden"),
        CommandLineWords::tr(
            "Start in the tray without showing the window (shows it where there is no tray)."));
    parser.addOption(exportOption);
    parser.addOption(importOption);
    parser.addOption(hiddenOption);

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
        result.error =
            CommandLineWords::tr("Unexpected argument: %1").arg(parser.positionalArguments().first());
        return result;
    }
    if (parser.isSet(exportOption) && parser.isSet(importOption)) {
        result.error = CommandLineWords::tr("Use --export or --import, not both.");
        return result;
    }
    result.hidden = parser.isSet(hiddenOption);
    if (result.hidden && (parser.isSet(exportOption) || parser.isSet(importOption))) {
        result.error = CommandLineWords::tr("--hidden only goes with opening the window.");
        return result;
    }
    if (parser.isSet(exportOption)) {
        result.action = CommandLine::Action::exportOutline;
    } else if (parser.isSet(importOption)) {
        result.action = CommandLine::Action::importList;
        result.importPath = parser.value(importOption);
        if (result.importPath.isEmpty())
            result.error = CommandLineWords::tr("--import needs a file name, or '-' for standard input.");
    }
    return result;
}

bool isHeadlessCommand(int argc, char** argv) {
    // Qt's own window-system options (with one or two dashes); those marked
    // take the next argument as their value.
    struct QtOption {
        const char* name;
        bool takesValue;
    };
    static constexpr QtOption qtOptions[] = {
        {"platform", true},
        {"platformpluginpath", true},
        {"platformtheme", true},
        {"plugin", true},
        {"qwindowgeometry", true},
        {"qwindowicon", true},
        {"qwindowtitle", true},
        {"style", true},
        {"stylesheet", true},
        {"session", true},
        {"display", true},
        {"geometry", true},
        {"name", true},
        {"title", true},
        {"visual", true},
        {"reverse", false},
        {"widgetcount", false},
        {"nograb", false},
        {"dograb", false},
        {"sync", false},
    };
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (!arg.starts_with('-'))
            return true; // a stray argument: the command line reports it
        arg.remove_prefix(arg.starts_with("--") ? 2 : 1);
        const std::string_view name = arg.substr(0, arg.find('='));
        if (name == "hidden")
            continue; // ours, and it opens Vorn (in the tray)
        const auto qt = std::find_if(std::begin(qtOptions), std::end(qtOptions),
                                     [name](const QtOption& o) { return name == o.name; });
        if (qt == std::end(qtOptions))
            return true; // ours (--export, --import, --help, ...) or unknown: no window either way
        if (qt->takesValue && name.size() == arg.size())
            ++i;
    }
    return false;
}

} // namespace vorn
