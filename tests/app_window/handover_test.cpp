// The hand-over between a second start and the running copy, and what
// --import agrees to read, in-process: the client runs on a thread of its own
// while the test's event loop serves as the window's.
#include "app/import_source.h"
#include "app/instance_handover.h"
#include "fixtures/blocker_fakes.h"
#include "fixtures/test_main.h"

#include <QDataStream>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vorn;
using namespace std::chrono_literals;

namespace {

// Runs `client` on a thread while the event loop turns; its result.
template <typename Client> auto whileServing(Client client) {
    std::optional<decltype(client())> result;
    std::atomic_bool done = false;
    std::thread thread([&] {
        result = client();
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    thread.join();
    return *result;
}

// Lets the server take what is waiting on its sockets.
void serve() {
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
}

} // namespace

class HandOverTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString name() const { return handOverServerName(m_dir.path()); }

private slots:
    // Beside the instance lock, whatever the environment says; a folder too
    // deep for a socket path gets an abstract name of the user and the folder.
    void socketIsFoundFromTheFolderAlone() {
        const QString beside = m_dir.filePath(QStringLiteral("vorn.socket"));
        QCOMPARE(name(), beside);
        qputenv("XDG_RUNTIME_DIR", m_dir.path().toUtf8());
        QCOMPARE(name(), beside);
        qunsetenv("XDG_RUNTIME_DIR");
        QCOMPARE(name(), beside);
        const QString deep = m_dir.filePath(QString(120, QLatin1Char('d')));
        QVERIFY(!handOverServerName(deep).startsWith(QLatin1Char('/')));
        QVERIFY(handOverServerName(deep) != handOverServerName(deep + QLatin1Char('2')));
        QCOMPARE(handOverServerName(deep), handOverServerName(deep));
    }

    // One request, one application: a retry of the same request ID gets the
    // first answer again without a second import.
    void requestIsAppliedOnce_data() {
        QTest::addColumn<QString>("folder");
        QTest::newRow("socket beside the lock") << QString();
        QTest::newRow("abstract name") << QString(120, QLatin1Char('d'));
    }
    void requestIsAppliedOnce() {
        QFETCH(QString, folder);
        const QString server = handOverServerName(m_dir.filePath(folder));
        int applied = 0;
        HandOverServer window([&](const HandOverRequest& request) {
            ++applied;
            return HandOverReply{true, QStringLiteral("got ") + request.payload};
        });
        QVERIFY2(window.listen(server), qPrintable(window.errorString()));
        const HandOverRequest request{QStringLiteral("import"), QStringLiteral("1. A\n2. B\n")};
        for (int attempt = 0; attempt < 2; ++attempt) {
            const HandOverOutcome outcome =
                whileServing([&] { return sendToRunningCopy(server, request, 5s, 5s); });
            QVERIFY(outcome.connected && outcome.acknowledged);
            QVERIFY(outcome.reply && outcome.reply->ok);
            QCOMPARE(outcome.reply->text, QStringLiteral("got 1. A\n2. B\n"));
        }
        QCOMPARE(applied, 1);
        QCOMPARE(window.appliedCount(), 1);
        // A new request (a new ID) is a new import.
        QVERIFY(whileServing([&] {
                    return sendToRunningCopy(server, {QStringLiteral("import"), QStringLiteral("x")}, 5s, 5s);
                }).reply);
        QCOMPARE(applied, 2);
    }

    // The window was busy (or stopped) while the client gave up: when it gets
    // to the request, the client has gone and nothing is applied.
    void requestOfAClientThatHasGoneIsDropped() {
        int applied = 0;
        HandOverServer window([&](const HandOverRequest&) {
            ++applied;
            return HandOverReply{true, {}};
        });
        QVERIFY(window.listen(name()));
        HandOverOutcome outcome;
        std::thread client([&] {
            outcome = sendToRunningCopy(name(), {QStringLiteral("import"), QStringLiteral("1. A\n2. B\n")},
                                        100ms, 100ms);
        });
        client.join(); // the event loop stands still meanwhile
        QVERIFY(outcome.connected);
        QVERIFY(!outcome.acknowledged && !outcome.reply);
        serve();
        QCOMPARE(applied, 0);
    }

    // A request of another protocol, or larger than the cap, is refused
    // before anything is applied (and the cap is read from the header alone).
    void foreignOrOversizeRequestIsRefused_data() {
        QTest::addColumn<quint32>("mark");
        QTest::addColumn<quint64>("size");
        QTest::addColumn<QString>("answer");
        QTest::newRow("other protocol")
            << quint32(0x12345678) << quint64(10) << QStringLiteral("another version of the hand-over");
        QTest::newRow("over 64 MB") << quint32(0x564f524e) << quint64(kMaxHandOverRequestBytes + 1)
                                    << QStringLiteral("larger than 64 MB");
    }
    void foreignOrOversizeRequestIsRefused() {
        QFETCH(quint32, mark);
        QFETCH(quint64, size);
        QFETCH(QString, answer);
        int applied = 0;
        HandOverServer window([&](const HandOverRequest&) {
            ++applied;
            return HandOverReply{true, {}};
        });
        QVERIFY(window.listen(name()));
        const QByteArray reply = whileServing([&] {
            QLocalSocket socket;
            socket.connectToServer(name());
            if (!socket.waitForConnected(5000))
                return QByteArray();
            QByteArray header;
            QDataStream out(&header, QIODevice::WriteOnly);
            out.setVersion(QDataStream::Qt_6_4);
            out << mark << quint32(2) << size;
            socket.write(header);
            socket.waitForBytesWritten(5000);
            QByteArray received;
            while (socket.waitForReadyRead(5000))
                received += socket.readAll();
            return received + socket.readAll();
        });
        QVERIFY2(reply.contains(answer.toUtf8()), reply.constData());
        QCOMPARE(applied, 0);
    }

    // What --import agrees to read: never an endless source, never a wait for
    // a writer that does not come.
    void importSourceIsBounded() {
        const ImportLimits limits{1024, 50ms};
        const auto refusal = [&](const QString& path) {
            const auto read = readImportText(path, limits);
            return read ? QStringLiteral("(read)") : read.error().message;
        };
        QVERIFY(refusal(QStringLiteral("/dev/zero")).contains(QStringLiteral("is not a regular file")));
        QVERIFY(refusal(QStringLiteral("/")).contains(QStringLiteral("is not a regular file")));

        const QString big = m_dir.filePath(QStringLiteral("big.txt"));
        test::writeFile(big, QByteArray(1025, 'x'));
        QVERIFY(refusal(big).contains(QStringLiteral("is larger than")));
        const QString fits = m_dir.filePath(QStringLiteral("fits.txt"));
        test::writeFile(fits, QByteArray("1. A\n2. B\n"));
        QCOMPARE(readImportText(fits, limits).value(), QStringLiteral("1. A\n2. B\n"));

        // A FIFO nobody writes to: refused after the silence, not waited on for ever.
        const QString fifo = m_dir.filePath(QStringLiteral("fifo"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(refusal(fifo).contains(QStringLiteral("gave no data for 0.05 s")));
        // One that is written to is read; one that gives too much is refused.
        for (const QByteArray& sent : {QByteArray("1. A\n2. B\n"), QByteArray(2048, 'x')}) {
            std::thread writer([&] {
                const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY);
                [[maybe_unused]] const ssize_t n = ::write(fd, sent.constData(), size_t(sent.size()));
                ::close(fd);
            });
            const auto read = readImportText(fifo, {1024, 5s});
            writer.join();
            if (sent.size() > 1024)
                QVERIFY(!read && read.error().message.contains(QStringLiteral("is larger than")));
            else
                QCOMPARE(read.value(), QString::fromUtf8(sent));
        }
    }
};

VORN_TEST_CLASS(HandOverTest)
#include "handover_test.moc"
