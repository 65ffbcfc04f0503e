// The hosts helper: which names it accepts, how the block goes in and out, and
// the program itself against a hosts file of its own.
#include "fixtures/blocker_fakes.h"
#include "fixtures/test_main.h"
#include "hosts_block.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include <sys/stat.h>

using namespace vorn::hostsblock;

namespace QTest {
template <> char* toString(const std::string& text) {
    return toString(QByteArray::fromStdString(text));
}
} // namespace QTest

namespace {

const std::string kUserLines = "127.0.0.1 localhost\n::1 localhost\n# my NAS\n10.0.0.5 nas\n";
const QString kHosts = QStringLiteral(VORN_TEST_HOSTS);
const QByteArray kStart = QByteArray(kStartMarker.data(), qsizetype(kStartMarker.size())) + '\n';
const QByteArray kEnd = QByteArray(kEndMarker.data(), qsizetype(kEndMarker.size())) + '\n';

std::string bytes(const QByteArray& data) {
    return data.toStdString();
}

std::string hostsText() {
    return bytes(vorn::test::readFile(kHosts));
}

void writeHosts() {
    QFile::remove(kHosts); // a link or FIFO a failed run left behind
    vorn::test::writeFile(kHosts, QByteArray::fromStdString(kUserLines));
}

// The helper's exit status, or -1 when it crashed or ran for more than 5 s.
int runHelper(const QStringList& arguments, const QByteArray& input = {}, QByteArray* error = nullptr) {
    QProcess helper;
    helper.start(QStringLiteral(VORN_TEST_HELPER), arguments);
    helper.write(input);
    helper.closeWriteChannel();
    if (!helper.waitForFinished(5000)) {
        helper.kill();
        helper.waitForFinished();
        return -1;
    }
    if (error)
        *error = helper.readAllStandardError();
    return helper.exitStatus() == QProcess::NormalExit ? helper.exitCode() : -1;
}

struct stat statOf(const char* path) {
    struct stat info {};
    ::stat(path, &info);
    return info;
}

} // namespace

class HostsHelperTest : public QObject {
    Q_OBJECT

private slots:
    void hostNames_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("valid");
        const QByteArray label63(63, 'a');
        QTest::newRow("plain") << QByteArray("www.my-site2.example") << true;
        QTest::newRow("63-character label") << label63 + ".com" << true;
        QTest::newRow("253 in all") << label63 + '.' + label63 + '.' + label63 + '.' + QByteArray(61, 'b')
                                    << true;
        QTest::newRow("64-character label") << label63 + "a.com" << false;
        QTest::newRow("254 in all") << label63 + '.' + label63 + '.' + label63 + '.' + QByteArray(62, 'b')
                                    << false;
        QTest::newRow("empty label") << QByteArray("a..com") << false;
        QTest::newRow("trailing dot") << QByteArray("a.com.") << false;
        QTest::newRow("leading hyphen") << QByteArray("-rf.com") << false;
        QTest::newRow("path") << QByteArray("../../etc/shadow") << false;
        QTest::newRow("shell") << QByteArray("a.com;reboot") << false;
        QTest::newRow("non-ASCII") << QByteArray("bücher.de") << false;
        QTest::newRow("NUL") << QByteArray("a.com\0evil", 10) << false;
        QTest::newRow("IPv4 address") << QByteArray("127.0.0.1") << false;
        QTest::newRow("digits inside") << QByteArray("1.2.3.example") << true;
    }

    void hostNames() {
        QFETCH(QByteArray, name);
        QFETCH(bool, valid);
        QCOMPARE(isValidHostName(bytes(name)), valid);
    }

    // Only what the helper itself writes goes; every line of the user's stays,
    // and a block put in comes out again whole.
    void blockGoesInAndOut_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray whole = QByteArray::fromStdString(blockText({"a.com"}));
        const QByteArray user = QByteArray::fromStdString(kUserLines), crlf = "x\r\n\n\n";
        QTest::newRow("no block") << user << user;
        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("no final line feed") << user.chopped(1) << user.chopped(1);
        QTest::newRow("CRLF and blank lines") << crlf << crlf;
        QTest::newRow("no end marker: pairs go, the rest stays")
            << "x\n" + kStart + "0.0.0.0 a.com\n:: a.com\n0.0.0.0 mine.com # pinned\n10.0.0.1 nas\n"
            << QByteArray("x\n0.0.0.0 mine.com # pinned\n10.0.0.1 nas\n");
        QTest::newRow("stray marker above an ad-block list")
            << "x\n" + kStart + "0.0.0.0 ads.com\n0.0.0.0 tracker.com\n:: other.com\n"
            << QByteArray("x\n0.0.0.0 ads.com\n0.0.0.0 tracker.com\n:: other.com\n");
        QTest::newRow("pair of two names") << kStart + "0.0.0.0 a.com\n:: b.com\n"
                                           << QByteArray("0.0.0.0 a.com\n:: b.com\n");
        // An older block: names without their IPv6 partner. It goes whole, markers and all.
        QTest::newRow("older block of IPv4 lines")
            << "x\n" + kStart + "0.0.0.0 a.com\n0.0.0.0 www.a.com\n:: b.org\n" + kEnd + "y\n"
            << QByteArray("x\ny\n");
        QTest::newRow("whole block between user lines") << "x\n" + whole + "y\n" << QByteArray("x\ny\n");
        QTest::newRow("broken block before a whole one") << "x\n" + kStart + "0.0.0.0 a.com\n" + whole + "y\n"
                                                         << QByteArray("x\n0.0.0.0 a.com\ny\n");
        QTest::newRow("stray marker ends a file after a blank line")
            << "x\n\n" + kStart.chopped(1) << QByteArray("x\n\n");
        QTest::newRow("CRLF and trailing blanks")
            << "x\r\n" + kStart.chopped(1) + " \r\n0.0.0.0 a.com\t\r\n:: a.com\r\n" + kEnd
            << QByteArray("x\r\n");
    }

    void blockGoesInAndOut() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, expected);
        const std::string kept = bytes(expected);
        QCOMPARE(withoutBlock(bytes(text)).value_or("(refused)"), kept);
        const std::string once = *withBlock(bytes(text), {"b.org"});
        QCOMPARE(once.substr(0, kept.size()), kept);
        if (kept.empty() || kept.back() == '\n') // otherwise the block brings the line feed
            QCOMPARE(once.substr(kept.size()), blockText({"b.org"}));
        const std::string twice = *withBlock(once, {"c.net"});
        QCOMPARE(twice.find(kStartMarker), twice.rfind(kStartMarker));
        QVERIFY(twice.find("b.org") == std::string::npos);
        QCOMPARE(withoutBlock(twice).value_or("(refused)"), kept);
    }

    // Lines of someone else's closed in by the end marker: neither the markers
    // nor the lines are taken, and the helper says why.
    void blockWithForeignLinesIsLeftAlone() {
        const std::string text = bytes("x\n" + kStart + "0.0.0.0 a.com\n:: a.com\n127.0.0.1 mine\n" + kEnd);
        std::string why;
        QVERIFY(!withoutBlock(text, &why));
        QCOMPARE(
            why,
            std::string("the block that starts on line 2 holds lines Vorn did not write; remove it by hand"));
        QVERIFY(!withBlock(text, {"b.org"}));
    }

    // One rule on both sides: a marker is a whole line, trailing blanks aside.
    void markerIsAWholeLine_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("block");
        const QByteArray marker = kStart.chopped(1);
        QTest::newRow("alone") << "x\n" + kStart << true;
        QTest::newRow("last line, no line feed") << "x\n" + marker << true;
        QTest::newRow("trailing blanks and CR") << marker + " \t\r\nx\n" << true;
        QTest::newRow("indented") << "  " + kStart << false;
        QTest::newRow("in a comment") << "# old: " + kStart << false;
        QTest::newRow("after an entry") << "0.0.0.0 a.com " + kStart << false;
        QTest::newRow("longer word") << marker + "_X\n" << false;
        QTest::newRow("end marker only") << kEnd.chopped(1) << false;
    }

    void markerIsAWholeLine() {
        QFETCH(QByteArray, text);
        QFETCH(bool, block);
        QCOMPARE(containsBlockMarker(bytes(text)), block);
        // Whatever counts as a block, taking the block out lifts it.
        QVERIFY(!containsBlockMarker(*withoutBlock(bytes(text))));
        QCOMPARE(withoutBlock(bytes(text)) == bytes(text), !block);
    }

    void helperRewritesTheFileWhole() {
        writeHosts();
        const QByteArray path = QByteArray(VORN_TEST_HOSTS);
        QCOMPARE(::chmod(path.constData(), 0640), 0);
        const struct stat before = statOf(path.constData());

        const QByteArray hostile = QByteArray("a.com\n/etc/shadow\n$(reboot)\n0.0.0.0 x.com\n") +
                                   QByteArray("x\0y.com\n", 8) + "b.org\na.com\nlast.org";
        QCOMPARE(runHelper({QStringLiteral("enable")}, hostile), 0);
        QCOMPARE(hostsText(), *withBlock(kUserLines, {"a.com", "b.org", "last.org"}));
        const struct stat after = statOf(path.constData());
        QVERIFY(after.st_ino != before.st_ino); // replaced, never written in place
        QCOMPARE(after.st_mode & 07777, 0640u);
        QCOMPARE(after.st_uid, before.st_uid);
        QCOMPARE(after.st_gid, before.st_gid);
        QCOMPARE(QDir(QFileInfo(kHosts).path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("hosts")});

        QCOMPARE(runHelper({QStringLiteral("enable")}, "c.net\n"), 0);
        QCOMPARE(hostsText(), kUserLines + bytes(kStart) + "0.0.0.0 c.net\n:: c.net\n" + bytes(kEnd));
        QCOMPARE(runHelper({QStringLiteral("disable")}), 0);
        QCOMPARE(hostsText(), kUserLines);

        // A block closing a line of the user's: disable fails, says why, leaves every byte.
        const std::string foreign = kUserLines + bytes(kStart + "0.0.0.0 c.net\n10.0.0.1 nas\n" + kEnd);
        vorn::test::writeFile(kHosts, QByteArray::fromStdString(foreign));
        QByteArray error;
        QCOMPARE(runHelper({QStringLiteral("disable")}, {}, &error), 1);
        QVERIFY2(error.contains("holds lines Vorn did not write"), error.constData());
        QCOMPARE(hostsText(), foreign);
        // An older block (no IPv6 partners) goes whole.
        vorn::test::writeFile(kHosts,
                              QByteArray::fromStdString(kUserLines) + kStart + "0.0.0.0 c.net\n" + kEnd);
        QCOMPARE(runHelper({QStringLiteral("disable")}), 0);
        QCOMPARE(hostsText(), kUserLines);
        const ino_t restored = statOf(path.constData()).st_ino;
        QCOMPARE(runHelper({QStringLiteral("disable")}), 0); // nothing to lift: success, file left as is
        QCOMPARE(statOf(path.constData()).st_ino, restored);
    }

    void helperRefusesWhatItDoesNotTrust() {
        writeHosts();
        QByteArray error;
        QVERIFY(runHelper({}) != 0);
        // Nothing valid left to block: a failure, not an empty block.
        QCOMPARE(runHelper({QStringLiteral("enable")}, "https://a.com/\n\n-x.com\n", &error), 1);
        QCOMPARE(error, QByteArray("vorn-hosts-helper: no valid host name to block\n"));
        QCOMPARE(runHelper({QStringLiteral("enable")}, ""), 1);
        QVERIFY(runHelper({QStringLiteral("ENABLE")}, "a.com\n") != 0);
        QVERIFY(runHelper({QStringLiteral("enable"), QStringLiteral("/tmp/other-hosts")}, "a.com\n") != 0);
        QVERIFY(runHelper({QStringLiteral("enable")}, QByteArray(2 << 20, 'a')) != 0);
        QCOMPARE(hostsText(), kUserLines);

        // A link in place of the hosts file is not followed.
        const QString target = QFileInfo(kHosts).path() + QStringLiteral("/elsewhere");
        QFile::remove(target);
        QVERIFY(QFile::rename(kHosts, target) && QFile::link(target, kHosts));
        QVERIFY(runHelper({QStringLiteral("enable")}, "a.com\n") != 0);
        QVERIFY(QFileInfo(kHosts).isSymLink());
        QCOMPARE(bytes(vorn::test::readFile(target)), kUserLines);
        QVERIFY(QFile::remove(kHosts) && QFile::remove(target));

        // A FIFO in place of the hosts file is refused at once, not waited on.
        const QByteArray path(VORN_TEST_HOSTS);
        QCOMPARE(::mkfifo(path.constData(), 0644), 0);
        QCOMPARE(runHelper({QStringLiteral("disable")}), 1);
        QCOMPARE(runHelper({QStringLiteral("enable")}, "a.com\n"), 1);
        QVERIFY(S_ISFIFO(statOf(path.constData()).st_mode));
        QFile::remove(kHosts);
    }
};

VORN_TEST_CLASS(HostsHelperTest)
#include "hosts_helper_test.moc"
