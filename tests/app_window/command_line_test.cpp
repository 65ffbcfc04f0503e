// The program as people script it: --export and --import on a throw-away data
// folder, with and without a running copy to hand them to.
#include "app/command_line.h"
#include "app/instance_handover.h"
#include "fixtures/blocker_fakes.h"
#include "persistence/sqlite.h"
#include "platform/instance_lock.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>
#include <unistd.h>

using namespace vorn;
using namespace std::chrono_literals;

namespace {

const QByteArray kList = "Monday\n1. Mail\n2. Report\n    1. Outline\n    2. Draft\n3. Call\n";

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// What `sqlite3 FILE .dump` shows: the schema, the header's user version and
// every row of every table, each value quoted with its type.
QStringList dump(const QString& path) {
    using namespace vorn::sql;
    Connection db;
    if (db.open(path, SQLITE_OPEN_READONLY) != SQLITE_OK)
        return {QStringLiteral("cannot open ") + path};
    QStringList lines;
    const auto each = [&](const QString& query, const std::function<void(const Statement&)>& row) {
        Statement st = db.prepare(query);
        while (st.step() == SQLITE_ROW)
            row(st);
    };
    each(QStringLiteral("PRAGMA user_version"), [&](const Statement& r) { lines << r.columnText(0); });
    QStringList tables;
    each(QStringLiteral("SELECT type, name, sql FROM sqlite_master ORDER BY name"), [&](const Statement& r) {
        lines << r.columnText(2);
        if (r.columnText(0) == QStringLiteral("table"))
            tables << r.columnText(1);
    });
    for (const QString& table : tables) {
        QStringList columns;
        each(QStringLiteral("PRAGMA table_info(%1)").arg(table),
             [&](const Statement& r) { columns << QStringLiteral("quote(\"%1\")").arg(r.columnText(1)); });
        each(QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid")
                 .arg(columns.join(QStringLiteral("||','||")), table),
             [&](const Statement& r) { lines << table + QLatin1Char(':') + r.columnText(0); });
    }
    return lines;
}

// How a case prepares the data folder before the command runs.
enum class Setup { none, readOnlyFile, locked, failingSaves, dataDirIsFile };

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VORN_DATA_DIR"), m_dir.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("HOME"), m_dir.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
        // Nothing listens on the discard port: boss messages fail at once.
        env.insert(QStringLiteral("VORN_PROXY_URL"), QStringLiteral("http://127.0.0.1:9"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return env;
    }

    // `unprivileged`: when the test runs as root (CI), the program runs as
    // nobody, whom file permissions bind.
    Run run(const QStringList& arguments, const QByteArray& input = {}, bool unprivileged = false) const {
        QProcess process;
        process.setProcessEnvironment(environment());
        if (unprivileged && ::geteuid() == 0)
            process.start(QStringLiteral("setpriv"),
                          QStringList{"--reuid=65534", "--regid=65534", "--clear-groups",
                                      QStringLiteral(VORN_PROGRAM)} +
                              arguments);
        else
            process.start(QStringLiteral(VORN_PROGRAM), arguments);
        if (!input.isEmpty())
            process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(30000))
            return {};
        return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
    }

    QString databasePath() const { return m_dir.filePath(QStringLiteral("data/vorn.sqlite")); }
    QByteArray exported() const { return run({"--export"}).out; }
    Run importDay() const { // the worked day, from a file beside the data folder
        const QString day = m_dir.filePath(QStringLiteral("day.txt"));
        test::writeFile(day, kList);
        return run({QStringLiteral("--import"), day});
    }

    // Starts the window and waits until it takes requests from a second start.
    bool startWindow(QProcess& window) const {
        window.setProcessEnvironment(environment());
        window.start(QStringLiteral(VORN_PROGRAM), {});
        const QString name = handOverServerName(m_dir.filePath(QStringLiteral("data")));
        for (int i = 0; i < 100; ++i) {
            if (sendToRunningCopy(name, {QStringLiteral("raise"), {}}, 200ms, 200ms).reply)
                return true;
            QTest::qWait(50);
        }
        return false;
    }

private slots:
    // What the options ask for, and whether that needs a display. Qt's own window
    // options never reach parseCommandLine, and --help ends the process there.
    void parsesTheOptions_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("headless");
        QTest::addColumn<int>("action"); // -1: an error, -2: not parsed here
        QTest::addColumn<QString>("path");
        const auto row = [](const char* name, const QStringList& arguments, bool headless, int action,
                            const QString& path = {}) {
            QTest::newRow(name) << arguments << headless << action << path;
        };
        using A = CommandLine::Action;
        row("window", {}, false, int(A::openWindow));
        row("hidden at login", {"--hidden"}, false, int(A::openWindow));
        row("hidden export", {"--hidden", "--export"}, true, -1);
        row("export", {"--export"}, true, int(A::exportOutline));
        row("import file", {"--import", "day.txt"}, true, int(A::importList), "day.txt");
        row("import stdin", {"--import=-"}, true, int(A::importList), "-");
        row("both", {"--export", "--import", "x"}, true, -1);
        row("stray argument", {"day.txt"}, true, -1);
        row("unknown option", {"--frobnicate"}, true, -1);
        row("import without file", {"--import"}, true, -1);
        row("style, two dashes", {"--style=fusion", "-reverse"}, false, -2);
        row("export after platform", {"-platform", "xcb", "--export"}, true, -2);
        row("help", {"-h"}, true, -2);
    }
    void parsesTheOptions() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, headless);
        QFETCH(int, action);
        QFETCH(QString, path);
        QList<QByteArray> bytes{"vorn"};
        for (const QString& a : arguments)
            bytes.append(a.toUtf8());
        QList<char*> argv;
        for (QByteArray& b : bytes)
            argv.append(b.data());
        QCOMPARE(isHeadlessCommand(int(argv.size()), argv.data()), headless);
        if (action == -2)
            return;
        const CommandLine command = parseCommandLine(QStringList{QStringLiteral("vorn")} + arguments);
        QCOMPARE(!command.error.isEmpty(), action == -1);
        if (action >= 0) {
            QCOMPARE(int(command.action), action);
            QCOMPARE(command.importPath, path);
            QCOMPARE(command.hidden, arguments.contains(QStringLiteral("--hidden")));
        }
    }

    // The result on standard output, nothing on standard error, no network.
    void importThenExportRoundTrip() {
        QCOMPARE(run({"--help"}).exitCode, 0);
        // A listening proxy sees no connection: commands send no boss message.
        QTcpServer proxy;
        QVERIFY(proxy.listen(QHostAddress::LocalHost));
        qputenv("VORN_PROXY_URL", QStringLiteral("http://127.0.0.1:%1").arg(proxy.serverPort()).toUtf8());
        const auto unset = qScopeGuard([] { qunsetenv("VORN_PROXY_URL"); });
        const Run imported = importDay();
        QCOMPARE(imported.exitCode, 0);
        QCOMPARE(imported.out, QByteArray("Loaded 4 tasks.\n"));
        QCOMPARE(imported.err, QByteArray());
        // Exporting changes nothing, not even the chat: twice gives the same.
        const Run first = run({"--export"});
        QCOMPARE(first.out, kList);
        QCOMPARE(first.err, QByteArray());
        QCOMPARE(exported(), kList);

        const Run fromStdin = run({"--import", "-"}, "1. One\n2. Two\n");
        QCOMPARE(fromStdin.exitCode, 0);
        QCOMPARE(exported(), QByteArray("To do\n1. One\n2. Two\n"));
        QVERIFY(!proxy.waitForNewConnection(0));
    }

    // Every refusal: its exit status and message, and the database exactly as
    // it was, headless or handed over to a running window.
    void refusalsChangeNothing_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("setup");
        QTest::addColumn<bool>("window");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, const QStringList& arguments, const QByteArray& input,
                            Setup setup, bool window, int status, const QString& message) {
            QTest::newRow(name) << arguments << input << int(setup) << window << status << message;
        };
        const QStringList fromStdin{"--import", "-"};
        const QByteArray list = "1. New\n2. Newer\n";
        const QString tooLarge = QDir::tempPath() + QStringLiteral("/vorn-too-large.txt");
        row("not a list", fromStdin, "just words\n", Setup::none, false, 1, "Couldn't parse list.");
        row("no such file", {"--import", "/nonexistent/day.txt"}, {}, Setup::none, false, 1,
            "cannot read /nonexistent/day.txt: No such file or directory");
        row("not UTF-8", fromStdin, "1. caf\xe9\n2. b\n", Setup::none, false, 1,
            "standard input is not UTF-8 text");
        row("unknown option", {"--frobnicate"}, {}, Setup::none, false, 2, "Unknown option 'frobnicate'");
        row("a device", {"--import", "/dev/zero"}, {}, Setup::none, false, 1,
            "/dev/zero is not a regular file (a device, a folder or a socket)");
        row("larger than 64 MB", {"--import", tooLarge}, {}, Setup::none, false, 1,
            tooLarge + " is larger than 64 MB");
        row("a folder", {"--import", "/"}, {}, Setup::none, false, 1, "/ is not a regular file");
        row("read-only file", fromStdin, list, Setup::readOnlyFile, false, 1,
            "The list was not imported: " + QStringLiteral("%1") + " can only be read.");
        row("locked by another program", fromStdin, list, Setup::locked, false, 1,
            "The list was not imported: %1 is locked by another program.");
        row("saves fail (full disk)", fromStdin, list, Setup::failingSaves, false, 1,
            "The list was not saved to %1: database or disk is full.");
        row("export of a damaged file", {"--export"}, {}, Setup::dataDirIsFile, false, 1,
            "cannot read %1: it is damaged or not a Vorn database");
        row("window: not a list", fromStdin, "just words\n", Setup::none, true, 1, "Couldn't parse list.");
        row("window: a device", {"--import", "/dev/zero"}, {}, Setup::none, true, 1,
            "/dev/zero is not a regular file");
        row("window: saves fail (full disk)", fromStdin, list, Setup::failingSaves, true, 1,
            "The list was not saved to %1: database or disk is full.");
        row("window: read-only file", fromStdin, list, Setup::readOnlyFile, true, 1,
            "The list was not imported: %1 can only be read.");
    }
    void refusalsChangeNothing() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(int, setup);
        QFETCH(bool, window);
        QFETCH(int, status);
        QFETCH(QString, message);
        QCOMPARE(importDay().exitCode, 0);
        const QString tooLarge = QDir::tempPath() + QStringLiteral("/vorn-too-large.txt");
        QFile large(tooLarge);
        QVERIFY(large.open(QIODevice::WriteOnly) && large.resize(64 * 1024 * 1024 + 1));
        const auto removeLarge = qScopeGuard([&] { QFile::remove(tooLarge); });

        const QString path = databasePath();
        sql::Connection holder;
        switch (Setup(setup)) {
        case Setup::none:
            break;
        case Setup::readOnlyFile:
            if (::geteuid() == 0 && window)
                QSKIP("file permissions do not bind root, and a window run as nobody has no socket here");
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadOther));
            QVERIFY(QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                            QFile::ExeOwner | QFile::ReadOther |
                                                            QFile::ExeOther));
            break;
        case Setup::locked:
            break; // below, once the dump is taken
        case Setup::failingSaves: {
            // What a full disk does to a save, at the first row written.
            QCOMPARE(holder.open(path, SQLITE_OPEN_READWRITE), SQLITE_OK);
            QCOMPARE(holder.exec(QStringLiteral("CREATE TRIGGER full BEFORE INSERT ON tasks BEGIN "
                                                "SELECT RAISE(FAIL, 'database or disk is full'); END;")),
                     SQLITE_OK);
            holder.close();
            break;
        }
        case Setup::dataDirIsFile:
            test::writeFile(path, QByteArray(8192, 'x'));
            QFile::remove(path + QStringLiteral("-wal"));
            QFile::remove(path + QStringLiteral("-shm"));
            break;
        }
        const auto restore = qScopeGuard([&] {
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
            QFile::remove(path);
            QFile::remove(path + QStringLiteral("-wal"));
            QFile::remove(path + QStringLiteral("-shm"));
        });
        QProcess running;
        if (window)
            QVERIFY(startWindow(running));
        const QStringList before = dump(path);
        if (Setup(setup) == Setup::locked) {
            QCOMPARE(holder.open(path, SQLITE_OPEN_READWRITE), SQLITE_OK);
            QCOMPARE(holder.exec(QStringLiteral("PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; COMMIT;")),
                     SQLITE_OK);
        }

        const Run refused = run(arguments, input, Setup(setup) == Setup::readOnlyFile);
        holder.close();
        QCOMPARE(refused.exitCode, status);
        const QByteArray expected =
            message.contains(QStringLiteral("%1")) ? message.arg(path).toUtf8() : message.toUtf8();
        QVERIFY2(refused.err.contains(expected), refused.err.constData());
        QCOMPARE(refused.err.count('\n'), status == 2 ? 2 : 1); // one line, and --help's hint
        QCOMPARE(refused.out, QByteArray());
        if (window) {
            running.terminate();
            QVERIFY(running.waitForFinished(10000));
        }
        QCOMPARE(dump(path), before);
    }

    void handsOverToTheRunningCopy() {
        QCOMPARE(importDay().exitCode, 0);
        QProcess window;
        QVERIFY(startWindow(window));

        QCOMPARE(exported(), kList);
        const Run imported = run({"--import", "-"}, "Tuesday\n1. Gym\n2. Shop\n");
        QCOMPARE(imported.exitCode, 0);
        QCOMPARE(imported.out, QByteArray("Loaded 2 tasks.\n"));
        QCOMPARE(imported.err, QByteArray());
        // The socket is found without XDG_RUNTIME_DIR (ssh, cron, su).
        QProcessEnvironment bare = environment();
        bare.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        QProcess exporter;
        exporter.setProcessEnvironment(bare);
        exporter.start(QStringLiteral(VORN_PROGRAM), {QStringLiteral("--export")});
        QVERIFY(exporter.waitForFinished(20000));
        QCOMPARE(exporter.exitCode(), 0);
        QCOMPARE(exporter.readAllStandardOutput(), QByteArray("Tuesday\n1. Gym\n2. Shop\n"));
        const Run bad = run({"--import", "-"}, "no list here\n");
        QVERIFY(bad.exitCode != 0);
        // A plain second start raises the window and steps aside.
        QCOMPARE(run({}).exitCode, 0);
        QCOMPARE(window.state(), QProcess::Running);

        // Logging out (SIGTERM) quits in order, through the saving quit path.
        window.terminate();
        QVERIFY(window.waitForFinished(10000));
        QCOMPARE(window.exitStatus(), QProcess::NormalExit);
        QCOMPARE(window.exitCode(), 0);
        QVERIFY(startWindow(window));

        // A copy that dies leaves its lock and socket behind; they block nobody.
        window.kill();
        window.waitForFinished();
        QCOMPARE(exported(), QByteArray("Tuesday\n1. Gym\n2. Shop\n"));
        QProcess next;
        QVERIFY(startWindow(next));
        QCOMPARE(exported(), QByteArray("Tuesday\n1. Gym\n2. Shop\n"));
        next.kill();
        next.waitForFinished();

        // Another process holds the lock without a window to answer (as a
        // running --import does): the export waits for it, then goes ahead.
        auto lock = std::make_unique<InstanceLock>(m_dir.filePath(QStringLiteral("data")));
        QVERIFY(lock->tryLock());
        QProcess waiting;
        waiting.setProcessEnvironment(environment());
        QSignalSpy finished(&waiting, &QProcess::finished);
        waiting.start(QStringLiteral(VORN_PROGRAM), {QStringLiteral("--export")});
        QTest::qWait(400);
        QCOMPARE(waiting.state(), QProcess::Running);
        lock.reset();
        QVERIFY(finished.wait(20000));
        QCOMPARE(waiting.exitCode(), 0);
        QCOMPARE(waiting.readAllStandardOutput(), QByteArray("Tuesday\n1. Gym\n2. Shop\n"));
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "command_line_test.moc"
