// The program as people script it: --export and --import on a throw-away data
// folder, with and without a running copy to hand them to.
#include "app/command_line.h"
#include "app/instance_handover.h"
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

    QString writeFile(const QString& name, const QByteArray& bytes) const {
        QFile file(m_dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write(bytes);
        return file.fileName();
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
    void parsesTheOptions_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("error");
        using A = CommandLine::Action;
        QTest::newRow("window") << QStringList{} << int(A::openWindow) << QString() << false;
        QTest::newRow("export") << QStringList{"--export"} << int(A::exportOutline) << QString() << false;
        QTest::newRow("import file") << QStringList{"--import", "day.txt"} << int(A::importList) << "day.txt"
                                     << false;
        QTest::newRow("import stdin") << QStringList{"--import=-"} << int(A::importList) << "-" << false;
        QTest::newRow("both") << QStringList{"--export", "--import", "x"} << int(A::openWindow) << QString()
                              << true;
        QTest::newRow("stray argument") << QStringList{"day.txt"} << int(A::openWindow) << QString() << true;
        QTest::newRow("unknown option")
            << QStringList{"--frobnicate"} << int(A::openWindow) << QString() << true;
        QTest::newRow("import without file")
            << QStringList{"--import"} << int(A::openWindow) << QString() << true;
    }
    void parsesTheOptions() {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(QString, path);
        QFETCH(bool, error);
        const CommandLine command = parseCommandLine(QStringList{QStringLiteral("vorn")} + arguments);
        QCOMPARE(!command.error.isEmpty(), error);
        if (!error) {
            QCOMPARE(int(command.action), action);
            QCOMPARE(command.importPath, path);
        }
    }

    void headlessUnlessOnlyWindowOptions_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("headless");
        QTest::newRow("nothing") << QStringList{} << false;
        QTest::newRow("platform") << QStringList{"-platform", "offscreen"} << false;
        QTest::newRow("style, two dashes") << QStringList{"--style=fusion", "-reverse"} << false;
        QTest::newRow("export") << QStringList{"--export"} << true;
        QTest::newRow("export after platform") << QStringList{"-platform", "xcb", "--export"} << true;
        QTest::newRow("import") << QStringList{"--import=day.txt"} << true;
        QTest::newRow("help") << QStringList{"-h"} << true;
        QTest::newRow("unknown") << QStringList{"--frobnicate"} << true;
        QTest::newRow("stray") << QStringList{"day.txt"} << true;
    }
    void headlessUnlessOnlyWindowOptions() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, headless);
        QList<QByteArray> bytes{"vorn"};
        for (const QString& a : arguments)
            bytes.append(a.toUtf8());
        QList<char*> argv;
        for (QByteArray& b : bytes)
            argv.append(b.data());
        QCOMPARE(isHeadlessCommand(int(argv.size()), argv.data()), headless);
    }

    void helpAndVersion() {
        const Run help = run({QStringLiteral("--help")});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.contains("--export"));
        QVERIFY(help.out.contains("--import <file>"));
        const Run version = run({QStringLiteral("--version")});
        QCOMPARE(version.exitCode, 0);
        QVERIFY(version.out.startsWith("Vorn "));
    }

    void importThenExportRoundTrip() {
        const Run imported = run({QStringLiteral("--import"), writeFile(QStringLiteral("day.txt"), kList)});
        QCOMPARE(imported.exitCode, 0);
        QVERIFY(imported.err.contains("Loaded 4 tasks."));
        const Run exported = run({QStringLiteral("--export")});
        QCOMPARE(exported.exitCode, 0);
        QCOMPARE(exported.out, kList);
        // Exporting changes nothing, not even the chat: twice gives the same.
        QCOMPARE(run({QStringLiteral("--export")}).out, kList);

        const Run fromStdin = run({QStringLiteral("--import"), QStringLiteral("-")}, "1. One\n2. Two\n");
        QCOMPARE(fromStdin.exitCode, 0);
        QCOMPARE(run({QStringLiteral("--export")}).out, QByteArray("To do\n1. One\n2. Two\n"));
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
        QCOMPARE(run({QStringLiteral("--import"), writeFile(QStringLiteral("day.txt"), kList)}).exitCode, 0);
        const Run bad = run(arguments, input);
        QVERIFY(bad.exitCode != 0);
        QVERIFY2(bad.err.contains(message), bad.err.constData());
        QCOMPARE(run({QStringLiteral("--export")}).out, kList);
    }

    void waitsOutAShortCommand() {
        QCOMPARE(run({QStringLiteral("--import"), writeFile(QStringLiteral("day.txt"), kList)}).exitCode, 0);
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
        QCOMPARE(exporter.readAllStandardOutput(), kList);
    }

    void handsOverToTheRunningCopy() {
        QCOMPARE(run({QStringLiteral("--import"), writeFile(QStringLiteral("day.txt"), kList)}).exitCode, 0);
        QProcess window;
        QVERIFY(startWindow(window));

        QCOMPARE(run({QStringLiteral("--export")}).out, kList);
        const Run imported =
            run({QStringLiteral("--import"), QStringLiteral("-")}, "Tuesday\n1. Gym\n2. Shop\n");
        QCOMPARE(imported.exitCode, 0);
        QVERIFY(imported.err.contains("Loaded 2 tasks."));
        QCOMPARE(run({QStringLiteral("--export")}).out, QByteArray("Tuesday\n1. Gym\n2. Shop\n"));
        const Run bad = run({QStringLiteral("--import"), QStringLiteral("-")}, "no list here\n");
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
        QCOMPARE(run({QStringLiteral("--export")}).out, QByteArray("Tuesday\n1. Gym\n2. Shop\n"));
        QProcess next;
        QVERIFY(startWindow(next));
        QCOMPARE(run({QStringLiteral("--export")}).out, QByteArray("Tuesday\n1. Gym\n2. Shop\n"));
        next.kill();
        next.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "command_line_test.moc"
