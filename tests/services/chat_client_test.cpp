// The chat-completion client against a fake proxy on loopback, the reading of
// its replies and the proxy configuration.
#include "fixtures/await_task.h"
#include "fixtures/fake_proxy.h"
#include "fixtures/log_capture.h"
#include "platform/preferences.h"
#include "services/openai_service.h"

#include <QJsonArray>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <QtTest>

#include <qcoro/qcorotask.h>

using namespace vorn;
using vorn::test::FakeProxy;
using vorn::test::ScriptedReply;

namespace {

const QString chatPath = QString::fromLatin1(kChatCompletionPath);

const QByteArray completion =
    R"({"id":"x","choices":[{"index":0,"message":{"role":"assistant","content":"Move."}}]})";

Result<QByteArray, OpenAIError> post(const ProxyConfig& proxy, const QJsonObject& body = {{"model", "m"}},
                                     QNetworkAccessManager* network = nullptr) {
    return vorn::test::awaitTask(OpenAIService(network).postChatCompletion(body, proxy));
}

// Counts the requests that actually leave through it.
class CountingNetwork : public QNetworkAccessManager {
public:
    int created = 0;

protected:
    QNetworkReply* createRequest(Operation op, const QNetworkRequest& request, QIODevice* data) override {
        ++created;
        return QNetworkAccessManager::createRequest(op, request, data);
    }
};

} // namespace

class ChatClientTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("vorn.net.debug=true")); }

    void sendsTheBodyAndHeadersAndReturnsTheReplyBytes() {
        FakeProxy proxy;
        QVERIFY(proxy.isListening());
        proxy.reply(chatPath, ScriptedReply::json(completion));
        const QJsonObject body{{"model", "gpt-4o-mini"},
                               {"messages", QJsonArray{QJsonObject{{"role", "user"}, {"content", "Hi"}}}},
                               {"temperature", 0.3},
                               {"response_format", QJsonObject{{"type", "json_object"}}}};

        const auto result = post(proxy.config(QStringLiteral("s3cret")), body);
        QVERIFY(result.ok());
        QCOMPARE(result.value(), completion);

        QCOMPARE(proxy.requests().size(), 1);
        const auto request = proxy.requests().first();
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.path, chatPath);
        QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
        QCOMPARE(request.header("Authorization"), QByteArray("Bearer s3cret"));
        QCOMPARE(request.json.object(), body);
        QVERIFY(!request.body.contains('\n'));
        QVERIFY(!request.body.contains(": "));
    }

    void onlyStatus200YieldsData_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("description");
        QTest::newRow("201 with a completion")
            << 201 << completion << "AI error (201): " + QString(completion);
        QTest::newRow("500 not UTF-8")
            << 500 << QByteArray("\xff\xfe\x80 oops") << "AI error (500): Unknown error";
        QTest::newRow("body passed whole")
            << 429 << QByteArray("  slow down\n") << "AI error (429):   slow down\n";
        QTest::newRow("empty body") << 503 << QByteArray() << "AI error (503): ";
    }

    void onlyStatus200YieldsData() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, description);
        FakeProxy proxy;
        proxy.reply(chatPath, ScriptedReply::text(body, status));

        const auto result = post(proxy.config());
        QVERIFY(!result.ok());
        QCOMPARE(result.error().kind, OpenAIError::Kind::apiError);
        QCOMPARE(result.error().status, status);
        QCOMPARE(result.error().description(), description);
    }

    void redirectsAreNotFollowed() {
        // Following one would hand the credential to wherever it points.
        FakeProxy proxy;
        ScriptedReply moved = ScriptedReply::text("moved", 307);
        moved.headers = {{"Location", proxy.baseUrl().toString().toUtf8() + "/elsewhere"}};
        proxy.reply(chatPath, moved);
        proxy.reply(QStringLiteral("/elsewhere"), ScriptedReply::json(completion));

        const auto result = post(proxy.config());
        QVERIFY(!result.ok());
        QCOMPARE(result.error().description(), QStringLiteral("AI error (307): moved"));
        QCOMPARE(proxy.requests().size(), 1);
    }

    void aSilentProxyTimesOutAndLeavesNothingBehind() {
        FakeProxy proxy;
        proxy.reply(chatPath, ScriptedReply::silence());
        QNetworkAccessManager network;

        const auto result = post(proxy.config(QStringLiteral("t"), 200), {}, &network);
        QVERIFY(!result.ok());
        QCOMPARE(result.error().kind, OpenAIError::Kind::transport);
        QCOMPARE(result.error().description(), QStringLiteral("The request timed out."));

        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(network.findChildren<QNetworkReply*>().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(proxy.openSilentConnections(), 0, 2000);
    }

    void transportFailuresKeepThePlatformsText() {
        // Take a port the system handed out, then close it again.
        quint16 port = 0;
        {
            FakeProxy gone;
            port = gone.baseUrl().port();
        }
        ProxyConfig proxy;
        proxy.baseUrl = QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port));
        const auto result = post(proxy);
        QVERIFY(!result.ok());
        QCOMPARE(result.error().kind, OpenAIError::Kind::transport);
        QVERIFY(!result.error().description().isEmpty());
        QVERIFY(result.error().description() != QStringLiteral("The request timed out."));
    }

    void refusesPlainHttpOutsideLoopbackBeforeSending() {
        CountingNetwork network;
        ProxyConfig proxy;
        proxy.baseUrl = QUrl(QStringLiteral("http://user:pw@proxy.example.com:8765/base"));
        proxy.token = QStringLiteral("s3cret");
        const auto result = post(proxy, {}, &network);
        QVERIFY(!result.ok());
        QCOMPARE(result.error().description(),
                 QStringLiteral("Proxy address must use https: http://proxy.example.com:8765/base"));
        QCOMPARE(network.created, 0);
    }

    void theCredentialNeverShowsInErrorsOrLogs() {
        const QString token = QStringLiteral("tok-123456");
        vorn::test::LogCapture log;
        FakeProxy proxy;
        proxy.reply(chatPath, ScriptedReply::text("bad token tok-123456", 401));
        const auto result = post(proxy.config(token));
        QVERIFY(!result.ok());
        QVERIFY(!result.error().description().contains(token));
        QVERIFY(result.error().description().startsWith(QStringLiteral("AI error (401): bad token ")));
        QVERIFY(!log.lines().isEmpty());
        for (const QString& line : log.lines())
            QVERIFY2(!line.contains(token), qPrintable(line));
    }

    void readingReplies_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("raw");  // content, or the error description
        QTest::addColumn<QString>("boss"); // likewise, for boss replies
        const QString empty = QStringLiteral("AI returned empty content.");
        const QString unreadable = QStringLiteral("<decoding>");
        QTest::newRow("plain") << completion << "Move."
                               << "Move.";
        QTest::newRow("padded") << QByteArray(R"({"choices":[{"message":{"content":"\n  Go now. \t"}}]})")
                                << "\n  Go now. \t"
                                << "Go now.";
        QTest::newRow("blank") << QByteArray(R"({"choices":[{"message":{"content":" \n "}}]})") << " \n "
                               << empty;
        QTest::newRow("empty string")
            << QByteArray(R"({"choices":[{"message":{"content":""}}]})") << "" << empty;
        QTest::newRow("no choices") << QByteArray(R"({"choices":[]})") << empty << empty;
        QTest::newRow("two choices")
            << QByteArray(R"({"choices":[{"message":{"content":"A"}},{"message":{"content":"B"}}]})") << "A"
            << "A";
        QTest::newRow("extra members")
            << QByteArray(
                   R"({"usage":{"total":3},"choices":[{"finish_reason":"stop","message":{"role":"assistant","content":"C","refusal":null}}]})")
            << "C"
            << "C";
        QTest::newRow("content null")
            << QByteArray(R"({"choices":[{"message":{"content":null}}]})") << unreadable << unreadable;
        QTest::newRow("no message") << QByteArray(R"({"choices":[{"index":0}]})") << unreadable << unreadable;
        QTest::newRow("second choice broken")
            << QByteArray(R"({"choices":[{"message":{"content":"A"}},{"message":{}}]})") << unreadable
            << unreadable;
        QTest::newRow("choices not an array") << QByteArray(R"({"choices":{}})") << unreadable << unreadable;
        QTest::newRow("not JSON") << QByteArray("<html>") << unreadable << unreadable;
    }

    void readingReplies() {
        QFETCH(QByteArray, reply);
        QFETCH(QString, raw);
        QFETCH(QString, boss);
        const auto outcome = [](const Result<QString, OpenAIError>& r) {
            if (r.ok())
                return r.value();
            if (r.error().kind == OpenAIError::Kind::decoding) {
                // Whatever the wording, a decoding failure says something.
                return r.error().description().isEmpty() ? QString() : QStringLiteral("<decoding>");
            }
            return r.error().description();
        };
        QCOMPARE(outcome(readReplyContent(reply)), raw);
        QCOMPARE(outcome(readBossReplyText(reply)), boss);
    }

    void errorDescriptions() {
        QCOMPARE(OpenAIError::invalid().description(), QStringLiteral("Invalid response from Vorn servers."));
        QCOMPARE(OpenAIError::api(500, "x").description(), QStringLiteral("AI error (500): x"));
    }

    void proxyConfigurationComesFromEnvironmentThenPreferences() {
        QTemporaryDir dir;
        Preferences preferences(dir.filePath(QStringLiteral("prefs.ini")));
        QProcessEnvironment environment;

        ProxyConfig config = ProxyConfig::resolve(preferences, environment);
        QCOMPARE(config.baseUrl, QUrl(QStringLiteral("http://127.0.0.1:8765")));
        QVERIFY(config.token.isEmpty());
        QCOMPARE(config.timeoutMs, 60000);

        preferences.setText(QStringLiteral("proxy_base_url"), QStringLiteral("https://prefs.example/"));
        preferences.setText(QStringLiteral("proxy_token"), QStringLiteral("from-prefs"));
        environment.insert(QStringLiteral("VORN_PROXY_URL"), QStringLiteral("  "));
        config = ProxyConfig::resolve(preferences, environment);
        QCOMPARE(config.baseUrl, QUrl(QStringLiteral("https://prefs.example/")));
        QCOMPARE(config.token, QStringLiteral("from-prefs"));
        QCOMPARE(config.endpoint(chatPath), QUrl(QStringLiteral("https://prefs.example/api/openai/chat")));

        environment.insert(QStringLiteral("VORN_PROXY_URL"), QStringLiteral("https://env.example/v1"));
        environment.insert(QStringLiteral("VORN_PROXY_TOKEN"), QStringLiteral("from-env"));
        config = ProxyConfig::resolve(preferences, environment);
        QCOMPARE(config.endpoint(chatPath), QUrl(QStringLiteral("https://env.example/v1/api/openai/chat")));
        QCOMPARE(config.token, QStringLiteral("from-env"));
    }

    void whichAddressesMayCarryTheCredential_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("https") << "https://proxy.example.com" << true;
        QTest::newRow("loopback v4") << "http://127.0.0.1:8765" << true;
        QTest::newRow("loopback range") << "http://127.8.9.10" << true;
        QTest::newRow("loopback v6") << "http://[::1]:8765" << true;
        QTest::newRow("localhost") << "http://localhost:8765" << true;
        QTest::newRow("plain http") << "http://proxy.example.com" << false;
        QTest::newRow("lan address") << "http://192.168.1.10:8765" << false;
        QTest::newRow("look-alike host") << "http://127.0.0.1.example.com" << false;
        QTest::newRow("other scheme") << "ftp://127.0.0.1" << false;
        QTest::newRow("no scheme") << "proxy.example.com" << false;
    }

    void whichAddressesMayCarryTheCredential() {
        QFETCH(QString, address);
        QFETCH(bool, allowed);
        ProxyConfig config;
        config.baseUrl = QUrl(address);
        QCOMPARE(config.isSecureEnough(), allowed);
    }
};

QTEST_GUILESS_MAIN(ChatClientTest)
#include "chat_client_test.moc"
