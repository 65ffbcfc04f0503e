// The website blocker and the store's use of it, with stand-ins for sudo and
// the administrator runner. The stand-in sudo runs a build of the helper that
// edits a hosts file of this test's own.
#include "fixtures/await_task.h"
#include "fixtures/log_capture.h"
#include "hosts_block.h"
#include "model/task_store.h"
#include "persistence/database_service.h"
#include "platform/clock.h"
#include "platform/preferences.h"
#include "platform/random_source.h"
#include "services/hosts_blocker.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

using namespace vorn;

namespace {

const QString kHosts = QStringLiteral(VORN_TEST_HOSTS);
const QByteArray kUserLines = "127.0.0.1 localhost\n::1 localhost\n";

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& data, QFile::Permissions extra = {}) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(data);
    file.setPermissions(file.permissions() | extra);
}

QByteArray blockFor(const std::vector<std::string>& hosts) {
    return kUserLines + QByteArray::fromStdString(hostsblock::blockText(hosts));
}

// sudo, the administrator runner and the programs the install command uses,
// as shell scripts that log what they are asked and do what the test says.
struct Fakes {
    QTemporaryDir dir;
    HostsBlockerConfig config;

    Fakes() {
        const QString d = dir.path();
        const auto script = [&](const QString& name, const QString& body) {
            writeFile(d + name, ("#!/bin/sh\nd='" + d + "'\n" + body).toUtf8(), QFile::ExeOwner);
        };
        script(QStringLiteral("/sudo"), QStringLiteral(R"sh(echo "$*" >> "$d/sudo.log"
if [ -f "$d/fail.$3" ]; then cat > /dev/null; exit "$(cat "$d/fail.$3")"; fi
if [ -f "$d/hang.$3" ]; then exec sleep 5; fi
[ "$3" = enable ] || exec "$2" "$3"
tee -a "$d/sudo.stdin" | "$2" "$3"
)sh"));
        script(QStringLiteral("/pkexec"), QStringLiteral(R"sh(echo "$1 $2" >> "$d/admin.log"
if [ -f "$d/dismiss" ]; then echo 'Error executing command as another user: Request dismissed' >&2; exit 126; fi
PATH="$d/bin:$PATH" exec "$@"
)sh"));
        script(QStringLiteral("/bin/chown"), QStringLiteral("exit 0\n"));
        script(QStringLiteral("/bin/visudo"), QStringLiteral("exit 0\n"));

        config.hostsFile = kHosts;
        config.helperPath = d + QStringLiteral("/libexec/vorn-hosts-helper");
        config.sudoersFile = d + QStringLiteral("/sudoers");
        config.sudo = d + QStringLiteral("/sudo");
        config.administratorProgram = d + QStringLiteral("/pkexec");
        config.administratorRunner = HostsBlockerConfig::AdministratorRunner::polkit;
        config.bundledHelper = d + QStringLiteral("/it's bundled/vorn-hosts-helper");
        config.userName = QStringLiteral("alice");
        QDir().mkpath(QFileInfo(config.bundledHelper).path());
        QVERIFY(QFile::copy(QStringLiteral(VORN_TEST_HELPER), config.bundledHelper));
        writeFile(kHosts, kUserLines);
    }

    void install() {
        QDir().mkpath(QFileInfo(config.helperPath).path());
        QVERIFY(QFile::copy(QStringLiteral(VORN_TEST_HELPER), config.helperPath));
        writeFile(config.sudoersFile, "rule\n");
    }
    void failSudo(const char* command, int status) {
        writeFile(dir.filePath(QStringLiteral("fail.") + QLatin1String(command)), QByteArray::number(status));
    }
    QByteArray file(const QString& name) const { return readFile(dir.filePath(name)); }
    // The helper commands sudo was asked to run, in order.
    QStringList sudoCommands() const {
        QStringList commands;
        for (const QByteArray& line : file(QStringLiteral("sudo.log")).split('\n'))
            if (!line.isEmpty())
                commands.append(QString::fromUtf8(line.split(' ').last()));
        return commands;
    }
};

const QStringList kDisable{QStringLiteral("disable")};
const QStringList kEnable{QStringLiteral("enable")};

// A store on throw-away files whose website blocking goes to the fakes.
struct StoreRig {
    QTemporaryDir dir;
    ManualClock clock{1'780'000'000.0};
    ScriptedRandomSource random;
    Preferences preferences{dir.filePath(QStringLiteral("settings.ini"))};
    DatabaseService database{dir.filePath(QStringLiteral("vorn.sqlite")), clock};
    std::optional<TaskStore> store;

    explicit StoreRig(const HostsBlockerConfig& config) {
        StoreEnvironment env;
        env.clock = &clock;
        env.random = &random;
        env.preferences = &preferences;
        env.database = &database;
        env.hostsBlocker = config;
        store.emplace(env);
    }
    void settle() { QTRY_COMPARE_WITH_TIMEOUT(store->hostsBlocker().pendingRequests(), 0, 30000); }
};

} // namespace

class HostsBlockerTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("vorn.db.warning=false")); }

    void enableAndDisableEditTheHostsFile() {
        Fakes fakes;
        fakes.install();
        HostsBlocker blocker(fakes.config);
        QCoro::waitFor(blocker.enable({QStringLiteral("a.com"), QStringLiteral("www.a.com")}));
        QVERIFY(blocker.isBlocking());
        QCOMPARE(readFile(kHosts), blockFor({"a.com", "www.a.com"}));
        QCOMPARE(fakes.file(QStringLiteral("sudo.stdin")), QByteArray("a.com\nwww.a.com\n"));
        QCOMPARE(fakes.file(QStringLiteral("sudo.log")).split('\n').at(1),
                 ("-n " + fakes.config.helperPath + " enable").toUtf8());

        QCoro::waitFor(blocker.disable(false));
        QVERIFY(!blocker.isBlocking());
        QCOMPARE(readFile(kHosts), kUserLines);

        // A block already in the file is only noted.
        writeFile(kHosts, kUserLines + kHostsBlockMarker + '\n');
        const qsizetype runs = fakes.sudoCommands().size();
        QCoro::waitFor(blocker.enable({QStringLiteral("b.com")}));
        QVERIFY(blocker.isBlocking());
        QCOMPARE(fakes.sudoCommands().size(), runs);
    }

    void requestsRunInTheOrderMade() {
        Fakes fakes;
        fakes.install();
        HostsBlocker blocker(fakes.config);
        blocker.enable({QStringLiteral("a.com")});
        blocker.disable(true);
        blocker.enable({QStringLiteral("b.com")});
        QVERIFY(blocker.willBeBlocking());
        QTRY_COMPARE_WITH_TIMEOUT(blocker.pendingRequests(), 0, 30000);
        // Each request probes the helper (its "disable") before it runs.
        QCOMPARE(fakes.sudoCommands(), kDisable + kEnable + kDisable + kDisable + kDisable + kEnable);
        QCOMPARE(readFile(kHosts), blockFor({"b.com"}));

        blocker.enable({QStringLiteral("c.com")});
        blocker.disable(true);
        QVERIFY(!blocker.willBeBlocking());
        QTRY_COMPARE_WITH_TIMEOUT(blocker.pendingRequests(), 0, 30000);
        QVERIFY(!blocker.isBlocking());
        QCOMPARE(readFile(kHosts), kUserLines);
    }

    void failuresAreLoggedNotReported_data() {
        QTest::addColumn<int>("setup");
        QTest::addColumn<QString>("logged");
        const QString prefix = QStringLiteral("HostsBlocker enable failed: ");
        QTest::newRow("helper fails") << 0 << prefix + "Website blocking failed: Helper exited with code 3";
        QTest::newRow("password dialog dismissed")
            << 1
            << prefix + "Website blocking failed: Error executing command as another user: Request dismissed";
        QTest::newRow("no administrator runner") << 2 << prefix + "Could not run privileged command.";
        QTest::newRow("no helper to install")
            << 3 << prefix + "Website blocking helper is missing from the app bundle.";
        QTest::newRow("rule does not take")
            << 4 << prefix + "Website blocking setup did not complete. Try again from Settings.";
        QTest::newRow("helper never answers")
            << 5 << prefix + "Website blocking failed: Helper exited with code -1";
    }

    void failuresAreLoggedNotReported() {
        QFETCH(int, setup);
        QFETCH(QString, logged);
        Fakes fakes;
        if (setup == 0) {
            fakes.install();
            fakes.failSudo("enable", 3);
        }
        if (setup == 1)
            writeFile(fakes.dir.filePath(QStringLiteral("dismiss")), {});
        if (setup == 2)
            fakes.config.administratorProgram = fakes.dir.filePath(QStringLiteral("no-pkexec"));
        if (setup == 3)
            fakes.config.bundledHelper = fakes.dir.filePath(QStringLiteral("no-helper"));
        if (setup == 4)
            fakes.failSudo("disable", 1);
        if (setup == 5) {
            fakes.install();
            writeFile(fakes.dir.filePath(QStringLiteral("hang.enable")), {});
            fakes.config.helperTimeout = std::chrono::milliseconds(300);
        }

        test::LogCapture log;
        HostsBlocker blocker(fakes.config);
        QCoro::waitFor(blocker.enable({QStringLiteral("a.com")}));
        QCOMPARE(log.lines().filter(QStringLiteral("HostsBlocker")), QStringList{logged});
        QVERIFY(!blocker.isBlocking());
        QCOMPARE(readFile(kHosts), kUserLines);
    }

    void disableWithoutTheHelper() {
        Fakes fakes;
        writeFile(kHosts, kUserLines + kHostsBlockMarker + '\n');
        writeFile(fakes.dir.filePath(QStringLiteral("dismiss")), {});
        HostsBlocker blocker(fakes.config);
        blocker.readBlockState();
        test::LogCapture log;
        QCoro::waitFor(blocker.disable(true));
        QCOMPARE(log.lines().filter(QStringLiteral("HostsBlocker")),
                 QStringList{
                     QStringLiteral("HostsBlocker disable failed: Website blocking failed: Error executing "
                                    "command as another user: Request dismissed")});
        QVERIFY(blocker.isBlocking());

        // Without a password prompt the block is only forgotten.
        QCoro::waitFor(blocker.disable(false));
        QVERIFY(!blocker.isBlocking());
        QVERIFY(blocker.hostsFileContainsBlock());
        QCOMPARE(fakes.file(QStringLiteral("admin.log")).count('\n'), 1);
    }

    void installCopiesTheHelperAndWritesTheRule() {
        Fakes fakes;
        Preferences preferences(fakes.dir.filePath(QStringLiteral("settings.ini")));
        HostsBlocker blocker(fakes.config, &preferences);
        QVERIFY(!blocker.isHelperInstalled());
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
        QCOMPARE(preferences.flag(QString::fromLatin1(kHostsHelperInstalledKey)), std::optional<bool>(true));
    }

    void storeBlocksInDemonModeOnly() {
        Fakes fakes;
        fakes.install();
        StoreRig rig(fakes.config);
        TaskStore& store = *rig.store;
        store.setBlockedSitesText(QStringLiteral("  a.com \n\n\tb.org\na.com\n"));
        store.updateDemonWebsiteBlocking(BossAIMode::demon);
        rig.settle();
        QCOMPARE(fakes.file(QStringLiteral("sudo.stdin")), QByteArray("a.com\nb.org\na.com\n"));
        QCOMPARE(readFile(kHosts), blockFor({"a.com", "b.org"}));

        store.updateDemonWebsiteBlocking(BossAIMode::messianic);
        rig.settle();
        QCOMPARE(readFile(kHosts), kUserLines);
        const qsizetype runs = fakes.sudoCommands().size();
        store.updateDemonWebsiteBlocking(BossAIMode::normal); // nothing blocked: the helper is left alone
        rig.settle();
        QCOMPARE(fakes.sudoCommands().size(), runs);

        QFile::remove(fakes.dir.filePath(QStringLiteral("sudo.stdin")));
        store.setBlockedSitesText(QStringLiteral(" \n"));
        store.updateDemonWebsiteBlocking(BossAIMode::demon);
        rig.settle();
        QCOMPARE(fakes.file(QStringLiteral("sudo.stdin")),
                 (HostsBlocker::defaultSites().join('\n') + '\n').toUtf8());
        QCOMPARE(HostsBlocker::defaultSites().size(), 16);
    }

    void storeFollowsTheSetting() {
        Fakes fakes;
        fakes.install();
        StoreRig rig(fakes.config);
        TaskStore& store = *rig.store;
        store.setDemonWebsiteBlockingEnabled(false);
        rig.settle();
        store.updateDemonWebsiteBlocking(BossAIMode::demon);
        rig.settle();
        QVERIFY(!fakes.sudoCommands().contains(QStringLiteral("enable")));

        store.setDemonWebsiteBlockingEnabled(true);
        store.updateDemonWebsiteBlocking(BossAIMode::demon);
        rig.settle();
        QVERIFY(store.hostsBlocker().isBlocking());
        store.setDemonWebsiteBlockingEnabled(false); // turning it off lifts the block
        rig.settle();
        QVERIFY(!store.hostsBlocker().isBlocking());
        QCOMPARE(readFile(kHosts), kUserLines);

        // A mode change while the block is still being written wins.
        store.setDemonWebsiteBlockingEnabled(true);
        store.updateDemonWebsiteBlocking(BossAIMode::demon);
        store.updateDemonWebsiteBlocking(BossAIMode::normal);
        rig.settle();
        QCOMPARE(readFile(kHosts), kUserLines);
    }

    void storeStartUpReadsTheBlockAndTheHelper() {
        Fakes fakes;
        writeFile(kHosts, kUserLines + kHostsBlockMarker + '\n');
        {
            StoreRig rig(fakes.config);
            QVERIFY(rig.store->hostsBlocker().isBlocking());
            QVERIFY(!rig.preferences.contains(QString::fromLatin1(kHostsHelperInstalledKey)));
        }
        fakes.install();
        StoreRig rig(fakes.config);
        QCOMPARE(rig.preferences.flag(QString::fromLatin1(kHostsHelperInstalledKey)),
                 std::optional<bool>(true));
    }
};

QTEST_GUILESS_MAIN(HostsBlockerTest)
#include "hosts_blocker_test.moc"
