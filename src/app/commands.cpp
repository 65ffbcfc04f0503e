#include "app/commands.h"

#include "outline_io/hierarchical_task_exporter.h"
#include "outline_io/hierarchical_task_parser.h"
#include "persistence/database_service.h"
#include "platform/clock.h"
#include "platform/instance_lock.h"
#include "platform/preferences.h"
#include "platform/random_source.h"
#include "store/task_store.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>

#include <cstdio>

namespace vorn {

namespace {

using namespace std::chrono_literals;

const QString kUnparsableList = QStringLiteral("Couldn't parse list. Paste a numbered Notes-style list.");
// How long a second start waits for the running copy to take its command; an
// import it has taken may run longer, and its result is awaited.
constexpr std::chrono::milliseconds kAnswerWithin = 10s;
constexpr std::chrono::milliseconds kImportResultWithin = 5min;

void print(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

int fail(const QString& message) {
    print(stderr, QStringLiteral("vorn: %1\n").arg(message));
    return 1;
}

QString databaseFile(const QString& dataDirectory) {
    return QDir(dataDirectory).filePath(QStringLiteral("vorn.sqlite"));
}

// Reads the stored workspace from a copy of the database, so that nothing
// (not even the repairs of a load) touches the real one.
struct DatabaseCopy {
    QTemporaryDir dir;
    // An empty text when the copy is made, else why not.
    QString copyFrom(const QString& dataDirectory) {
        if (!dir.isValid())
            return QStringLiteral("no temporary folder: %1").arg(dir.errorString());
        for (const QString& suffix : {QString(), QStringLiteral("-wal")}) {
            QFile source(databaseFile(dataDirectory) + suffix);
            if (source.exists() && !source.copy(dir.filePath(QStringLiteral("vorn.sqlite") + suffix)))
                return source.errorString();
        }
        return {};
    }
};

struct StoreRun {
    SystemClock clock;
    SystemRandomSource random;
    Preferences preferences;
    DatabaseService database;
    std::unique_ptr<TaskStore> store;

    StoreRun(const QString& databasePath, const QString& settingsPath)
        : preferences(settingsPath), database(databasePath, clock) {}
    explicit StoreRun(const QString& databasePath) : database(databasePath, clock) {}

    TaskStore& start() {
        StoreEnvironment env;
        env.clock = &clock;
        env.random = &random;
        env.preferences = &preferences;
        env.database = &database;
        env.commandLine = true;
        store = std::make_unique<TaskStore>(env);
        return *store;
    }
};

HandOverRequest requestFor(const CommandLine& command, const QString& text) {
    switch (command.action) {
    case CommandLine::Action::exportOutline:
        return {QStringLiteral("export"), {}};
    case CommandLine::Action::importList:
        return {QStringLiteral("import"), text};
    case CommandLine::Action::openWindow:
        break;
    }
    return {QStringLiteral("raise"), {}};
}

} // namespace

QString exportText(const TaskStore& store) {
    return HierarchicalTaskExporter::exportOutline(store.outline().workspace());
}

std::optional<QString> whyNotSaved(const DatabaseService& database) {
    switch (database.openOutcome()) {
    case DatabaseService::OpenOutcome::readOnly:
        return QStringLiteral("%1 can only be read").arg(database.path());
    case DatabaseService::OpenOutcome::inUseElsewhere:
        return QStringLiteral("%1 is locked by another program").arg(database.path());
    case DatabaseService::OpenOutcome::inMemoryOnly:
        return QStringLiteral("%1 cannot be opened or written, so the list would only be kept in memory")
            .arg(database.path());
    case DatabaseService::OpenOutcome::opened:
    case DatabaseService::OpenOutcome::replacedCorruptFile:
        break;
    }
    return std::nullopt;
}

HandOverReply importText(TaskStore& store, DatabaseService& database, const QString& text) {
    if (!HierarchicalTaskParser::parse(text))
        return {false, kUnparsableList};
    if (const std::optional<QString> why = whyNotSaved(database))
        return {false, QStringLiteral("The list was not imported: %1.").arg(*why)};
    // The list, the session row, the chat line and the boss's fresh start are
    // kept together or not at all.
    const bool committed = database.inTransaction([&] {
        store.replaceFromPaste(text);
        return !store.errorMessage() && !store.lastSaveFailed();
    });
    if (store.errorMessage())
        return {false, *store.errorMessage()};
    if (!committed)
        return {
            false,
            QStringLiteral("The list was not saved to %1: %2.").arg(database.path(), database.lastFailure())};
    return {true, store.statusMessage().value_or(QString())};
}

HandOverReply answerHandOver(TaskStore& store, DatabaseService& database, QWidget* window,
                             const HandOverRequest& request) {
    if (request.command == QStringLiteral("raise")) {
        if (window) {
            window->showNormal();
            window->raise();
            window->activateWindow();
        }
        return {true, {}};
    }
    if (request.command == QStringLiteral("export"))
        return {true, exportText(store)};
    if (request.command == QStringLiteral("import"))
        return importText(store, database, request.payload);
    return {false, QStringLiteral("Unknown request: %1").arg(request.command)};
}

std::optional<int> handOverToRunningCopy(const CommandLine& command, const QString& serverName,
                                         InstanceLock& lock) {
    QString text;
    if (command.action == CommandLine::Action::importList) {
        const auto read = readImportText(command.importPath);
        if (!read)
            return fail(read.error().message);
        if (!HierarchicalTaskParser::parse(read.value()))
            return fail(kUnparsableList);
        text = read.value();
    }
    const HandOverRequest request = requestFor(command, text);
    const bool isImport = command.action == CommandLine::Action::importList;

    // The holder of the lock may be a window still starting (not listening
    // yet) or a short --export/--import that ends in a moment. The request goes
    // out once, over one connection, to the first copy that listens.
    const QDeadlineTimer deadline(kAnswerWithin);
    HandOverOutcome outcome;
    while (true) {
        const std::chrono::milliseconds left(std::max<qint64>(deadline.remainingTime(), 0));
        outcome = sendToRunningCopy(serverName, request, left, isImport ? kImportResultWithin : left);
        if (outcome.connected)
            break;
        if (lock.tryLock())
            return std::nullopt;
        if (deadline.hasExpired())
            return fail(
                QStringLiteral("Vorn is already running (%1 is held) but did not take the command within "
                               "%2 s; nothing was changed.")
                    .arg(lock.lockFilePath())
                    .arg(kAnswerWithin.count() / 1000));
        QThread::msleep(100);
    }
    if (!outcome.acknowledged && !outcome.reply)
        return fail(QStringLiteral("Vorn is running but did not take the command within %1 s; it will not "
                                   "carry it out later. Nothing was changed.")
                        .arg(kAnswerWithin.count() / 1000));
    if (!outcome.reply)
        return fail(QStringLiteral("Vorn took the command but gave no result in time; look at its window to "
                                   "see whether it was carried out."));
    if (!outcome.reply->ok)
        return fail(outcome.reply->text);
    if (!outcome.reply->text.isEmpty())
        print(stdout, outcome.reply->text + QLatin1Char('\n'));
    return 0;
}

int runCommandAlone(const CommandLine& command, const QString& dataDirectory) {
    const QString realFile = databaseFile(dataDirectory);
    if (command.action == CommandLine::Action::exportOutline) {
        DatabaseCopy copy;
        if (const QString why = copy.copyFrom(dataDirectory); !why.isEmpty())
            return fail(QStringLiteral("cannot read %1: %2").arg(realFile, why));
        StoreRun run(copy.dir.filePath(QStringLiteral("vorn.sqlite")),
                     copy.dir.filePath(QStringLiteral("vorn.ini")));
        // A file SQLite cannot read would come back as a fresh, empty list.
        if (run.database.openOutcome() != DatabaseService::OpenOutcome::opened ||
            !run.database.lastFailure().isEmpty())
            return fail(QStringLiteral("cannot read %1: it is damaged or not a Vorn database").arg(realFile));
        const QString text = exportText(run.start());
        if (!run.database.lastFailure().isEmpty())
            return fail(QStringLiteral("cannot read %1: %2").arg(realFile, run.database.lastFailure()));
        print(stdout, text + QLatin1Char('\n'));
        return 0;
    }
    const auto text = readImportText(command.importPath);
    if (!text)
        return fail(text.error().message);
    if (!HierarchicalTaskParser::parse(text.value()))
        return fail(kUnparsableList);
    StoreRun run(realFile);
    if (const std::optional<QString> why = whyNotSaved(run.database))
        return fail(QStringLiteral("The list was not imported: %1.").arg(*why));
    const HandOverReply reply = importText(run.start(), run.database, text.value());
    if (!reply.ok)
        return fail(reply.text);
    if (run.database.openOutcome() == DatabaseService::OpenOutcome::replacedCorruptFile)
        print(stderr, QStringLiteral("vorn: the old database could not be read; it was kept at %1.\n")
                          .arg(run.database.corruptFileKeptAt()));
    print(stdout, reply.text + QLatin1Char('\n'));
    return 0;
}

} // namespace vorn
