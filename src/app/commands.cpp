#include "app/commands.h"

#include "store/task_store.h"
#include "outline_io/hierarchical_task_exporter.h"
#include "outline_io/hierarchical_task_parser.h"
#include "persistence/database_service.h"
#include "platform/clock.h"
#include "platform/instance_lock.h"
#include "platform/preferences.h"
#include "platform/random_source.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>

#include <cstdio>

namespace vorn {

namespace {

const QString kUnparsableList = QStringLiteral("Couldn't parse list. Paste a numbered Notes-style list.");

void print(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

int fail(const QString& message) {
    print(stderr, QStringLiteral("vorn: %1\n").arg(message));
    return 1;
}

// Reads the stored workspace from a copy of the database, so that nothing
// (not even the greeting a start writes into the chat) touches the real one.
struct DatabaseCopy {
    QTemporaryDir dir;
    bool copyFrom(const QString& dataDirectory) {
        if (!dir.isValid())
            return false;
        for (const QString& suffix : {QString(), QStringLiteral("-wal")}) {
            const QString source = QDir(dataDirectory).filePath(QStringLiteral("vorn.sqlite") + suffix);
            if (QFile::exists(source) &&
                !QFile::copy(source, dir.filePath(QStringLiteral("vorn.sqlite") + suffix)))
                return false;
        }
        return true;
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
    StoreRun(const QString& databasePath) : database(databasePath, clock) {}

    TaskStore& start() {
        StoreEnvironment env;
        env.clock = &clock;
        env.random = &random;
        env.preferences = &preferences;
        env.database = &database;
        store = std::make_unique<TaskStore>(env);
        return *store;
    }
};

} // namespace

Result<QString, ReadError> readImportText(const QString& path) {
    QFile file;
    bool opened = false;
    if (path == QStringLiteral("-")) {
        opened = file.open(stdin, QIODevice::ReadOnly);
    } else {
        file.setFileName(path);
        opened = file.open(QIODevice::ReadOnly);
    }
    if (!opened)
        return ReadError{QStringLiteral("cannot read %1: %2").arg(path, file.errorString())};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return ReadError{QStringLiteral("cannot read %1: %2").arg(path, file.errorString())};
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return ReadError{QStringLiteral("%1 is not UTF-8 text").arg(path)};
    return text;
}

QString exportText(const TaskStore& store) {
    return HierarchicalTaskExporter::exportOutline(store.workspace());
}

HandOverReply importText(TaskStore& store, const QString& text) {
    if (!HierarchicalTaskParser::parse(text))
        return {false, kUnparsableList};
    store.replaceFromPaste(text);
    if (store.errorMessage())
        return {false, *store.errorMessage()};
    return {true, store.statusMessage().value_or(QString())};
}

HandOverReply answerHandOver(TaskStore& store, QWidget* window, const HandOverRequest& request) {
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
        return importText(store, request.payload);
    return {false, QStringLiteral("Unknown request: %1").arg(request.command)};
}

std::optional<int> handOverToRunningCopy(const CommandLine& command, const QString& serverName,
                                         InstanceLock& lock) {
    HandOverRequest request{QStringLiteral("raise"), {}};
    if (command.action == CommandLine::Action::exportOutline) {
        request.command = QStringLiteral("export");
    } else if (command.action == CommandLine::Action::importList) {
        const auto text = readImportText(command.importPath);
        if (!text)
            return fail(text.error().message);
        if (!HierarchicalTaskParser::parse(text.value()))
            return fail(kUnparsableList);
        request = {QStringLiteral("import"), text.value()};
    }
    // The holder of the lock may be a window still starting (not listening
    // yet) or a short --export/--import that ends in a moment.
    std::optional<HandOverReply> reply;
    for (int attempt = 0; attempt < 50 && !reply; ++attempt) {
        reply = sendToRunningCopy(serverName, request, 2000);
        if (reply)
            break;
        if (lock.tryLock())
            return std::nullopt;
        QThread::msleep(100);
    }
    if (!reply)
        return fail(QStringLiteral("Vorn is already running but does not answer."));
    if (!reply->ok)
        return fail(reply->text);
    if (command.action == CommandLine::Action::exportOutline)
        print(stdout, reply->text + QLatin1Char('\n'));
    else if (!reply->text.isEmpty())
        print(stderr, reply->text + QLatin1Char('\n'));
    return 0;
}

int runCommandAlone(const CommandLine& command, const QString& dataDirectory) {
    if (command.action == CommandLine::Action::exportOutline) {
        DatabaseCopy copy;
        if (!copy.copyFrom(dataDirectory))
            return fail(QStringLiteral("cannot read the database in %1").arg(dataDirectory));
        StoreRun run(copy.dir.filePath(QStringLiteral("vorn.sqlite")),
                     copy.dir.filePath(QStringLiteral("vorn.ini")));
        print(stdout, exportText(run.start()) + QLatin1Char('\n'));
        return 0;
    }
    const auto text = readImportText(command.importPath);
    if (!text)
        return fail(text.error().message);
    if (!HierarchicalTaskParser::parse(text.value()))
        return fail(kUnparsableList);
    StoreRun run(QDir(dataDirectory).filePath(QStringLiteral("vorn.sqlite")));
    const HandOverReply reply = importText(run.start(), text.value());
    if (!reply.ok)
        return fail(reply.text);
    print(stderr, reply.text + QLatin1Char('\n'));
    return 0;
}

} // namespace vorn
