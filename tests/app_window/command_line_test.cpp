// The program as people script it: --export and --import on a throw-away data
// folder, with and without a running copy to hand them to.
#include "app/command_line.h"
#include "app/instance_handover.h"
#include "fixtures/blocker_fakes.h"
#include "platform/instance_lock.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace vorn;

namespace {

const QByteArray kList = "Monday\n1. Mail\n2. Report\n    1. Outline\n    2. Draft\n3. Call\n";

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

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

    Run run(const QStringList& arguments, const QByteArray& input = {}) const {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(QStringLiteral(VORN_PROGRAM), arguments);
        if (!input.isEmpty())
            process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(30000))
            return {};
        return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
    }

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
            if (sendToRunningCopy(name, {QStringLiteral("raise"), {}}, 200))
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
        }
    }

    void importThenExportRoundTrip() {
        QCOMPARE(run({"--help"}).exitCode, 0);
        const Run imported = importDay();
        QCOMPARE(imported.exitCode, 0);
        QVERIFY(imported.err.contains("Loaded 4 tasks."));
        // Exporting changes nothing, not even the chat: twice gives the same.
        QCOMPARE(exported(), kList);
        QCOMPARE(exported(), kList);

        const Run fromStdin = run({"--import", "-"}, "1. One\n2. Two\n");
        QCOMPARE(fromStdin.exitCode, 0);
        QCOMPARE(exported(), QByteArray("To do\n1. One\n2. Two\n"));
    }

    void badInputLosesNothing_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("not a list") << QStringList{"--import", "-"} << QByteArray("just words\n")
                                    << QByteArray("Couldn't parse list.");
        QTest::newRow("no such file") << QStringList{"--import", "/nonexistent/day.txt"} << QByteArray()
                                      << QByteArray("cannot read /nonexistent/day.txt");
        QTest::newRow("not UTF-8") << QStringList{"--import", "-"} << QByteArray("1. caf\xe9\n2. b\n")
                                   << QByteArray("is not UTF-8 text");
        QTest::newRow("unknown option")
            << QStringList{"--frobnicate"} << QByteArray() << QByteArray("Unknown option 'frobnicate'");
    }
    void badInputLosesNothing() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, message);
        QCOMPARE(importDay().exitCode, 0);
        const Run bad = run(arguments, input);
        QVERIFY(bad.exitCode != 0);
        QVERIFY2(bad.err.contains(message), bad.err.constData());
        QCOMPARE(exported(), kList);
    }

    void handsOverToTheRunningCopy() {
        QCOMPARE(importDay().exitCode, 0);
        QProcess window;
        QVERIFY(startWindow(window));

        QCOMPARE(exported(), kList);
        const Run imported = run({"--import", "-"}, "Tuesday\n1. Gym\n2. Shop\n");
        QCOMPARE(imported.exitCode, 0);
        QVERIFY(imported.err.contains("Loaded 2 tasks."));
        QCOMPARE(exported(), QByteArray("Tuesday\n1. Gym\n2. Shop\n"));
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
        QProcess exporter;
        exporter.setProcessEnvironment(environment());
        QSignalSpy finished(&exporter, &QProcess::finished);
        exporter.start(QStringLiteral(VORN_PROGRAM), {QStringLiteral("--export")});
        QTest::qWait(400);
        QCOMPARE(exporter.state(), QProcess::Running);
        lock.reset();
        QVERIFY(finished.wait(20000));
        QCOMPARE(exporter.exitCode(), 0);
        QCOMPARE(exporter.readAllStandardOutput(), QByteArray("Tuesday\n1. Gym\n2. Shop\n"));
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "command_line_test.moc"
