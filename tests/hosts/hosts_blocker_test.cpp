// The website blocker and the store's use of it, with stand-ins for sudo and
// the administrator runner. The stand-in sudo runs a build of the helper that
// edits a hosts file of this test's own.
#include "fixtures/await_task.h"
#include "fixtures/blocker_fakes.h"
#include "fixtures/log_capture.h"
#include "fixtures/store_fixture.h"
#include "fixtures/test_main.h"
#include "hosts_block.h"
#include "platform/preferences.h"
#include "services/hosts_blocker.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

#include <signal.h>
#include <sys/stat.h>

using namespace vorn;

namespace {

const QString kHosts = QStringLiteral(VORN_TEST_HOSTS);
const QByteArray kUserLines = "127.0.0.1 localhost\n::1 localhost\n";

using test::readFile;
using test::writeFile;

QByteArray blockFor(const std::vector<std::string>& hosts) {
    return kUserLines + QByteArray::fromStdString(hostsblock::blockText(hosts));
}

struct Fakes : test::BlockerFakes {
    Fakes() : BlockerFakes(kHosts, QStringLiteral(VORN_TEST_HELPER), kUserLines) {}
};

using Setup = std::function<void(Fakes&)>;

void settle(TaskStore& store) {
    QTRY_COMPARE_WITH_TIMEOUT(store.blocking().pendingRequests(), 0, 30000);
}

} // namespace

class HostsBlockerTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("vorn.db.warning=false")); }

    // Installing copies the helper and writes the rule; requests then edit the
    // hosts file in the order made.
    void installThenRequestsEditTheHostsFileInOrder() {
        Fakes fakes;
        Preferences preferences(fakes.dir.filePath(QStringLiteral("settings.ini")));
        HostsBlocker blocker(fakes.config, &preferences);
        QVERIFY(!blocker.isHelperInstalled());
        QVERIFY(!test::awaitTask(blocker.probeHelper()));
        QVERIFY(test::awaitTask(blocker.installHelper()).ok());

        QCOMPARE(fakes.file(QStringLiteral("admin.log")), QByteArray("/bin/sh -c\n"));
        QCOMPARE(fakes.file(QStringLiteral("sudoers")),
                 QStringLiteral("alice ALL=(root) NOPASSWD: %1 enable, %1 disable\n")
                     .arg(fakes.config.helperPath)
                     .toUtf8());
        QCOMPARE(readFile(fakes.config.helperPath), readFile(fakes.config.bundledHelper));
        QVERIFY(QFileInfo(fakes.config.helperPath).isExecutable());
        QVERIFY(!QFileInfo::exists(fakes.config.sudoersFile + QStringLiteral(".new")));
        QVERIFY(blocker.isHelperInstalled());
        QVERIFY(test::awaitTask(blocker.probeHelper()));
        QCOMPARE(preferences.flag(QString::fromLatin1(kHostsHelperInstalledKey)), std::optional<bool>(true));

        QFile::remove(fakes.dir.filePath(QStringLiteral("sudo.log")));
        blocker.enable({QStringLiteral("a.com"), QStringLiteral("www.a.com")});
        blocker.disable(true);
        blocker.enable({QStringLiteral("b.com")});
        QVERIFY(blocker.willBeBlocking());
        QTRY_COMPARE_WITH_TIMEOUT(blocker.pendingRequests(), 0, 30000);
        // Each request probes the helper (its "disable") before it runs, through "sudo -n".
        QCOMPARE(fakes.sudoCommands(),
                 (QStringList{"disable", "enable", "disable", "disable", "disable", "enable"}));
        QCOMPARE(fakes.file(QStringLiteral("sudo.log")).split('\n').at(1),
                 ("-n " + fakes.config.helperPath + " enable").toUtf8());
        QCOMPARE(fakes.file(QStringLiteral("sudo.stdin")), QByteArray("a.com\nwww.a.com\nb.com\n"));
        QVERIFY(blocker.isBlocking());
        QCOMPARE(readFile(kHosts), blockFor({"b.com"}));

        blocker.enable({QStringLiteral("c.com")});
        blocker.disable(false);
        QVERIFY(!blocker.willBeBlocking());
        QTRY_COMPARE_WITH_TIMEOUT(blocker.pendingRequests(), 0, 30000);
        QVERIFY(!blocker.isBlocking());
        QCOMPARE(readFile(kHosts), kUserLines);
    }

    // A helper the package put in a folder only its owner writes is set up in
    // place: the rule names it and nothing is copied. One that others may
    // change is never trusted with sudo.
    void packagedHelperIsSetUpInPlace() {
        for (const bool othersWrite : {false, true}) {
            Fakes fakes;
            const QString packaged = fakes.config.packagedHelper;
            QDir().mkpath(QFileInfo(packaged).path());
            QVERIFY(QFile::copy(fakes.config.bundledHelper, packaged));
            QFile::remove(fakes.config.bundledHelper);
            if (othersWrite)
                QFile(packaged).setPermissions(QFile(packaged).permissions() | QFileDevice::WriteOther);
            HostsBlocker blocker(fakes.config);
            const HostsBlocker::Outcome installed = test::awaitTask(blocker.installHelper());
            if (othersWrite) {
                QVERIFY(!installed.ok());
                QCOMPARE(fakes.file(QStringLiteral("admin.log")), QByteArray());
                continue;
            }
            QVERIFY(installed.ok());
            QCOMPARE(blocker.config().helperPath, packaged);
            QCOMPARE(
                fakes.file(QStringLiteral("sudoers")),
                QStringLiteral("alice ALL=(root) NOPASSWD: %1 enable, %1 disable\n").arg(packaged).toUtf8());
            QVERIFY(!QFileInfo::exists(fakes.config.helperPath));
            QVERIFY(
                !HostsBlocker::installCommand(blocker.config(), {}, QStringLiteral("alice")).contains("cp "));
            blocker.enable({QStringLiteral("a.com")});
            QTRY_COMPARE_WITH_TIMEOUT(blocker.pendingRequests(), 0, 30000);
            QCOMPARE(readFile(kHosts), blockFor({"a.com"}));
        }
    }

    void failuresAreLoggedNotReported_data() {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QString>("logged");
        const QString failed = QStringLiteral("HostsBlocker enable failed: Website blocking failed: ");
        QTest::newRow("helper fails") << Setup([](Fakes& f) { f.install(), f.touch("fail.enable", "3"); })
                                      << failed + "Helper exited with code 3";
        QTest::newRow("password dialog dismissed")
            << Setup([](Fakes& f) { f.touch("dismiss"); })
            << failed + "Error executing command as another user: Request dismissed";
        QTest::newRow("no administrator runner")
            << Setup([](Fakes& f) { f.config.administratorProgram = f.dir.filePath("no-pkexec"); })
            << "HostsBlocker enable failed: Could not run privileged command.";
        QTest::newRow("no helper to install")
            << Setup([](Fakes& f) { f.config.bundledHelper = f.dir.filePath("no-helper"); })
            << "HostsBlocker enable failed: Website blocking helper is missing from the app bundle.";
        QTest::newRow("rule does not take") << Setup([](Fakes& f) {
            f.touch("fail.disable", "1");
        }) << "HostsBlocker enable failed: Website blocking setup did not complete. Try again from Settings.";
        QTest::newRow("helper never answers") << Setup([](Fakes& f) {
            f.install(), f.touch("hang.enable"), f.config.helperTimeout = std::chrono::milliseconds(300);
        }) << failed + "Helper exited with code -1";
    }

    void failuresAreLoggedNotReported() {
        QFETCH(Setup, setup);
        QFETCH(QString, logged);
        Fakes fakes;
        setup(fakes);
        test::LogCapture log;
        HostsBlocker blocker(fakes.config);
        QCoro::waitFor(blocker.enable({QStringLiteral("a.com")}));
        QCOMPARE(log.lines().filter(QStringLiteral("HostsBlocker")), QStringList{logged});
        QVERIFY(!blocker.isBlocking());
        QCOMPARE(readFile(kHosts), kUserLines);
    }

    // Without the helper: a block the password dialog keeps is only forgotten
    // when no prompt may show, and a hosts file that is a FIFO holds none.
    void disableWithoutTheHelper() {
        Fakes fakes;
        writeFile(kHosts, kUserLines + kHostsBlockMarker + '\n');
        fakes.touch("dismiss");
        HostsBlocker blocker(fakes.config);
        blocker.readBlockState();
        test::LogCapture log;
        QCoro::waitFor(blocker.disable(true));
        QCOMPARE(log.lines().filter(QStringLiteral("HostsBlocker disable failed: ")).size(), 1);
        QVERIFY(blocker.isBlocking());

        QCoro::waitFor(blocker.disable(false));
        QVERIFY(!blocker.isBlocking());
        QVERIFY(blocker.hostsFileContainsBlock());
        QCOMPARE(fakes.file(QStringLiteral("admin.log")).count('\n'), 1);

        QFile::remove(kHosts);
        QCOMPARE(::mkfifo(QFile::encodeName(kHosts).constData(), 0644), 0);
        QVERIFY(!blocker.hostsFileContainsBlock()); // returns instead of waiting for a writer
        QFile::remove(kHosts);
    }

    // The helper's own rule decides (its cases are the helper test's): what
    // the blocker takes for a block is only noted, and is what "disable" lifts.
    void blockIsAWholeMarkerLine_data() {
        QTest::addColumn<QByteArray>("marker");
        QTest::addColumn<bool>("block");
        QTest::newRow("trailing blanks and CR") << QByteArray(kHostsBlockMarker) + " \t\r" << true;
        QTest::newRow("in a comment") << "# was: " + QByteArray(kHostsBlockMarker) << false;
    }

    void blockIsAWholeMarkerLine() {
        QFETCH(QByteArray, marker);
        QFETCH(bool, block);
        Fakes fakes;
        fakes.install();
        const QByteArray original = kUserLines + marker + '\n';
        writeFile(kHosts, original);
        HostsBlocker blocker(fakes.config);
        QCOMPARE(blocker.hostsFileContainsBlock(), block);
        QCoro::waitFor(blocker.enable({QStringLiteral("a.com")}));
        QVERIFY(blocker.isBlocking());
        QCOMPARE(fakes.sudoCommands().isEmpty(), block);
        QCoro::waitFor(blocker.disable(false));
        QVERIFY(!blocker.isBlocking());
        QCOMPARE(readFile(kHosts), block ? kUserLines : original);
    }

    // Quitting ends our helper work within the time allowed, asks for no
    // password and leaves nothing blocked that the helper can lift.
    void shutDownEndsHelperWorkAndLiftsTheBlock_data() {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QString>("runningCommand"); // what runs when quitting
        QTest::addColumn<QByteArray>("left");
        QTest::newRow("enable under way finishes, then is lifted")
            << Setup([](Fakes& f) { f.install(), f.touch("slow.enable"); }) << "enable" << kUserLines;
        QTest::newRow("hanging enable is stopped")
            << Setup([](Fakes& f) { f.install(), f.touch("hang.enable"); }) << "enable" << kUserLines;
        QTest::newRow("password dialog is closed")
            << Setup([](Fakes& f) { f.touch("hang.admin"); }) << "admin" << kUserLines;
        QTest::newRow("block in force, sudo hangs: given up in time") << Setup([](Fakes& f) {
            f.install(), f.touch("hang.disable");
            writeFile(kHosts, kUserLines + kHostsBlockMarker + '\n');
        }) << "" << kUserLines + kHostsBlockMarker + '\n';
    }

    void shutDownEndsHelperWorkAndLiftsTheBlock() {
        QFETCH(Setup, setup);
        QFETCH(QString, runningCommand);
        QFETCH(QByteArray, left);
        Fakes fakes;
        fakes.config.shutdownTimeout = std::chrono::milliseconds(1000);
        setup(fakes);
        test::LogCapture log;
        HostsBlocker blocker(fakes.config);
        blocker.readBlockState();
        if (!runningCommand.isEmpty()) {
            blocker.enable({QStringLiteral("a.com")});
            blocker.disable(true);
            blocker.enable({QStringLiteral("b.com")});
            if (runningCommand == QLatin1String("admin"))
                QTRY_VERIFY(!fakes.file(QStringLiteral("admin.log")).isEmpty());
            else
                QTRY_VERIFY(fakes.sudoCommands().contains(runningCommand));
        }
        const QByteArray adminBefore = fakes.file(QStringLiteral("admin.log"));

        blocker.shutDown();
        QVERIFY(!fakes.anyStandInRunning());
        QCOMPARE(readFile(kHosts), left);
        QCOMPARE(fakes.file(QStringLiteral("admin.log")), adminBefore);
        QCOMPARE(blocker.isBlocking(), left != kUserLines);

        // The requests still queued, and any made now, change nothing.
        const QStringList ran = fakes.sudoCommands();
        blocker.enable({QStringLiteral("c.com")});
        QTRY_COMPARE_WITH_TIMEOUT(blocker.pendingRequests(), 0, 30000);
        QCOMPARE(fakes.sudoCommands(), ran);
        QCOMPARE(readFile(kHosts), left);
        QCOMPARE(blocker.isBlocking(), left != kUserLines);
        QCOMPARE(log.lines().filter(QStringLiteral("HostsBlocker disable failed")).size(),
                 int(left != kUserLines));
    }

    // Start-up reads the block and asks sudo about the helper in the
    // background; a hanging sudo delays nothing, and quitting stops it. Then
    // the store blocks in Demon mode while the setting is on.
    void storeNeverWaitsOnSudoAndBlocksInDemonMode() {
        Fakes fakes;
        writeFile(kHosts, kUserLines + kHostsBlockMarker + '\n');
        fakes.config.shutdownTimeout = std::chrono::milliseconds(600);
        test::StoreFixture f;
        f.setHostsBlocker(fakes.config);
        QVERIFY(f.start().blocking().isBlocking());
        const QString installed = QString::fromLatin1(kHostsHelperInstalledKey);
        QVERIFY(!f.preferences().contains(installed));
        QVERIFY(fakes.sudoCommands().isEmpty()); // no helper files: no probe

        fakes.install();
        fakes.touch("hang.disable");
        TaskStore& store = f.restart();
        QTRY_VERIFY(fakes.sudoCommands().contains(QStringLiteral("disable")));
        QVERIFY(fakes.anyStandInRunning()); // the probe still runs: start-up did not wait for it
        QVERIFY(store.blocking().isBlocking());
        store.blocking().shutDownWebsiteBlocking();
        QVERIFY(!fakes.anyStandInRunning());

        QFile::remove(fakes.dir.filePath(QStringLiteral("hang.disable")));
        TaskStore& again = f.restart();
        QTRY_COMPARE(f.preferences().flag(installed), std::optional<bool>(true));
        // The probe ran the helper's "disable": the old block is gone, and known to be.
        QCOMPARE(readFile(kHosts), kUserLines);
        QVERIFY(!again.blocking().isBlocking());

        const auto enterMode = [&](BossAIMode mode) {
            again.blocking().updateDemonWebsiteBlocking(mode);
            settle(again);
        };
        // Addresses become host names; what names no host is left out, and said so once.
        again.settings().setBlockedSitesText(
            QStringLiteral("https://www.Reddit.com/r/x\n*.bad\nnot a site\nb.org\n"));
        const qsizetype lines = again.chat().chatMessages().size();
        enterMode(BossAIMode::demon);
        enterMode(BossAIMode::demon);
        QCOMPARE(fakes.file(QStringLiteral("sudo.stdin")), QByteArray("www.reddit.com\nb.org\n"));
        QCOMPARE(readFile(kHosts), blockFor({"www.reddit.com", "b.org"}));
        QCOMPARE(again.chat().chatMessages().size(), lines + 1);
        QCOMPARE(again.chat().chatMessages().last().content,
                 QStringLiteral("Website blocking skips entries that are not host names: *.bad, not a site"));

        enterMode(BossAIMode::messianic);
        QCOMPARE(readFile(kHosts), kUserLines);
        qsizetype runs = fakes.sudoCommands().size();
        enterMode(BossAIMode::normal); // nothing blocked: the helper is left alone
        QCOMPARE(fakes.sudoCommands().size(), runs);

        // A mode change while the block is still being written wins.
        again.blocking().updateDemonWebsiteBlocking(BossAIMode::demon);
        enterMode(BossAIMode::normal);
        QCOMPARE(readFile(kHosts), kUserLines);

        // Turning the setting off lifts the block, and Demon mode then blocks nothing.
        enterMode(BossAIMode::demon);
        QVERIFY(again.blocking().isBlocking());
        again.settings().setDemonWebsiteBlockingEnabled(false);
        settle(again);
        QVERIFY(!again.blocking().isBlocking());
        QCOMPARE(readFile(kHosts), kUserLines);
        runs = fakes.sudoCommands().size();
        enterMode(BossAIMode::demon);
        QCOMPARE(fakes.sudoCommands().size(), runs);

        // An empty list blocks the default sites.
        again.settings().setDemonWebsiteBlockingEnabled(true);
        QFile::remove(fakes.dir.filePath(QStringLiteral("sudo.stdin")));
        again.settings().setBlockedSitesText(QStringLiteral(" \n"));
        enterMode(BossAIMode::demon);
        QCOMPARE(fakes.file(QStringLiteral("sudo.stdin")),
                 (HostsBlocker::defaultSites().join('\n') + '\n').toUtf8());
        QVERIFY(again.blocking().isBlocking());
        again.blocking().shutDownWebsiteBlocking();
        QCOMPARE(readFile(kHosts), kUserLines);
    }
};

VORN_TEST_CLASS(HostsBlockerTest)
#include "hosts_blocker_test.moc"
