// Killed mid-write by the crash tests. Two modes:
//
//   db_crash_writer DATABASE
//     saves two alternating workspaces into DATABASE until it is killed;
//     prints "ready" once the first save is on disk.
//
//   db_crash_writer --import DATABASE LIST [KILL_AT]
//     imports the list in the file LIST as `vorn --import` does. With KILL_AT,
//     the process kills itself (SIGKILL) as the KILL_AT-th SQL statement of the
//     import is about to run (KILL_AT N+1: just after the import returned);
//     without it, it prints "statements N", the number of statements the
//     import ran, and exits 0.

#include "app/commands.h"
#include "crash_workspace.h"
#include "platform/preferences.h"
#include "platform/random_source.h"
#include "store/task_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <cstdio>

#include <sqlite3.h>
#include <unistd.h>

using namespace vorn;

namespace {

bool g_counting = false;
long g_statements = 0;
long g_killAt = 0;

int onStatement(unsigned, void*, void*, void*) {
    if (g_counting && ++g_statements == g_killAt)
        ::kill(::getpid(), SIGKILL);
    return 0;
}

// Every connection the process opens reports each statement it starts.
int traceConnection(sqlite3* db, const char**, const sqlite3_api_routines*) {
    sqlite3_trace_v2(db, SQLITE_TRACE_STMT, onStatement, nullptr);
    return SQLITE_OK;
}

int alternateWorkspaces(const QString& path) {
    SystemClock clock;
    DatabaseService db(path, clock);
    if (db.openOutcome() != DatabaseService::OpenOutcome::opened)
        return 1;
    const test::CrashWorkspace generations[] = {test::buildCrashWorkspace(test::kGenerationA),
                                                test::buildCrashWorkspace(test::kGenerationB)};
    for (unsigned long n = 0;; ++n) {
        const test::CrashWorkspace& w = generations[n % 2];
        if (!db.saveWorkspace(w.tasks, w.sections, w.gamification, w.session, w.overdue, w.chat))
            return 1;
        if (n == 0) {
            std::puts("ready");
            std::fflush(stdout);
        }
    }
}

int importList(const QString& path, const QString& listFile) {
    QFile list(listFile);
    if (!list.open(QIODevice::ReadOnly))
        return 2;
    const QString text = QString::fromUtf8(list.readAll());
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(traceConnection));

    SystemClock clock;
    SystemRandomSource random;
    const QString folder = QFileInfo(path).absolutePath();
    Preferences preferences(QDir(folder).filePath(QStringLiteral("settings.ini")));
    DatabaseService database(path, clock);
    StoreEnvironment env;
    env.clock = &clock;
    env.random = &random;
    env.preferences = &preferences;
    env.database = &database;
    env.commandLine = true;
    TaskStore store(env);

    g_counting = true;
    const HandOverReply reply = importText(store, database, text);
    g_counting = false;
    if (g_killAt == g_statements + 1)
        ::kill(::getpid(), SIGKILL); // the import has returned, as a kill just after it would find it
    if (!reply.ok) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(reply.text));
        return 1;
    }
    std::printf("statements %ld\n", g_statements);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 2)
        return alternateWorkspaces(args[1]);
    if ((args.size() == 4 || args.size() == 5) && args[1] == QStringLiteral("--import")) {
        g_killAt = args.size() == 5 ? args[4].toLong() : 0;
        return importList(args[2], args[3]);
    }
    std::fprintf(stderr, "usage: %s DATABASE | --import DATABASE LIST [KILL_AT]\n", argv[0]);
    return 2;
}
