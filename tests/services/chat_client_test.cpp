// The chat-completion client against a fake proxy on loopback, the reading of
// its replies and the proxy configuration.
#include "fixtures/await_task.h"
#include "fixtures/fake_proxy.h"
#include "fixtures/log_capture.h"
#include "fixtures/test_main.h"
#include "platform/preferences.h"
#include "services/fish_audio_service.h"
#include "services/network.h"
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
const QString speechPath = QString::fromLatin1(kSpeechPath);
const QString token = QStringLiteral("tok-123456");

const QByteArray completion =
    R"({"id":"x","choices":[{"index":0,"message":{"role":"assistant","content":"Move."}}]})";

Result<QByteArray, OpenAIError> post(const ProxyConfig& proxy, const QJsonObject& body = {{"model", "m"}},
                                     QNetworkAccessManager* network = nullptr) {
    return vorn::test::awaitTask(OpenAIService(network).postChatCompletion(body, proxy));
}

// The text of a transport failure, or nothing for any other outcome.
template <typename Reply, typename Kind> QString transportFailure(const Reply& result, Kind transport) {
    return result.ok() || result.error().kind != transport ? QString() : result.error().description();
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
        proxy.reply(chatPath, ScriptedReply::json(completion));
        const QJsonObject body{{"messages", QJsonArray{QJsonObject{{"role", "user"}, {"content", "Hi"}}}},
                               {"response_format", QJsonObject{{"type", "json_object"}}}};
        const auto result = post(proxy.config(QStringLiteral("s3cret")), body);
        QVERIFY(result.ok());
        QCOMPARE(result.value(), completion);

        QCOMPARE(proxy.requests(chatPath).size(), 1);
        const auto request = proxy.requests().first();
        QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
        QCOMPARE(request.header("Authorization"), QByteArray("Bearer s3cret"));
        QCOMPARE(request.json.object(), body);
        // Packing replies on loopback only costs both processes; a remote proxy may.
        QCOMPARE(request.header("Accept-Encoding"), QByteArray("identity"));
        ProxyConfig remote;
        remote.baseUrl = QUrl(QStringLiteral("https://proxy.example.com"));
        QVERIFY(!proxyRequest(remote, chatPath).hasRawHeader("Accept-Encoding"));
    }

    void failedRequests_data() {
        QTest::addColumn<ScriptedReply>("reply");
        QTest::addColumn<QString>("description");
        ScriptedReply moved = ScriptedReply::text("moved", 307);
        // Following a redirect would hand the credential to wherever it points.
        moved.headers = {{"Location", "/elsewhere"}};
        QTest::newRow("redirect not followed") << moved << "AI error (307): moved";
        QTest::newRow("201 with a completion")
            << ScriptedReply::json(completion, 201) << "AI error (201): " + QString(completion);
        QTest::newRow("500 not UTF-8")
            << ScriptedReply::text("\xff\xfe\x80 oops", 500) << "AI error (500): Unknown error";
        QTest::newRow("body passed whole")
            << ScriptedReply::text("  slow down\n", 429) << "AI error (429):   slow down\n";
        QTest::newRow("empty body") << ScriptedReply::text({}, 503) << "AI error (503): ";
        // The proxy's advice when no model is configured is shown as it says it.
        const QByteArray advice = "AI Estimate needs a language model. Add these two lines to "
                                  "/home/u/.config/Vorn/vorn-proxy.conf, then restart Vorn:\n\n"
                                  "chat_backend = openai\nopenai_key = YOUR-OPENAI-KEY";
        QTest::newRow("no model configured") << ScriptedReply::text(advice, 503) << QString::fromUtf8(advice);
        QTest::newRow("naming the token") << ScriptedReply::text("bad token " + token.toUtf8(), 401)
                                          << "AI error (401): bad token <redacted>";
    }

    void failedRequests() {
        QFETCH(ScriptedReply, reply);
        QFETCH(QString, description);
        vorn::test::LogCapture log;
        FakeProxy proxy;
        proxy.reply(chatPath, reply);
        proxy.reply(QStringLiteral("/elsewhere"), ScriptedReply::json(completion));

        const auto result = post(proxy.config(token));
        QVERIFY(!result.ok());
        QCOMPARE(result.error().kind, OpenAIError::Kind::apiError);
        QCOMPARE(result.error().status, reply.status);
        QCOMPARE(result.error().description(), description);
        QCOMPARE(proxy.requests().size(), 1);
        // The credential shows in no log line either.
        QVERIFY(!log.lines().isEmpty());
        for (const QString& line : log.lines())
            QVERIFY2(!line.contains(token), qPrintable(line));
    }

    void aRequestWhoseNetworkGoesAwayEndsWithAnError() {
        FakeProxy proxy;
        proxy.reply(chatPath, ScriptedReply::silence());
        auto* network = new QNetworkAccessManager;

        std::optional<Result<ProxyReply, QString>> result;
        auto send = [&]() -> QCoro::Task<> {
            result.emplace(co_await postToProxy(network, proxy.config(QStringLiteral("t"), 60'000), chatPath,
                                                QByteArrayLiteral("{}"), kMaxChatReplyBytes));
        };
        QCoro::Task<> sending = send();
        QTRY_COMPARE_WITH_TIMEOUT(proxy.requests(chatPath).size(), 1, 2000);

        delete network;
        QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 2000);
        QVERIFY(!result->ok());
        QCOMPARE(result->error(), QStringLiteral("Network access was shut down."));
    }

    // At the end of a run the shared manager goes first: a request still waiting
    // ends with an error, and a later one gets a new manager.
    void shuttingDownTheSharedNetworkEndsWhatIsRunning() {
        FakeProxy proxy;
        proxy.reply(chatPath, ScriptedReply::silence());
        const ProxyConfig config = proxy.config(QStringLiteral("t"), 60'000);
        std::optional<Result<ProxyReply, QString>> result;
        auto send = [&]() -> QCoro::Task<> {
            result.emplace(co_await postToProxy(nullptr, config, chatPath, "{}", kMaxChatReplyBytes));
        };
        QCoro::Task<> sending = send();
        QTRY_COMPARE_WITH_TIMEOUT(proxy.requests(chatPath).size(), 1, 2000);

        shutDownSharedNetworkAccess();
        QVERIFY(result && !result->ok());
        proxy.reply(chatPath, ScriptedReply::json(completion));
        QCOMPARE(post(config).value(), completion);
    }

    void cutOffAndLeaveNothingBehind_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<ScriptedReply>("reply");
        QTest::addColumn<int>("deadlineMs");
        QTest::addColumn<QString>("description");
        const QString late = QStringLiteral("The request timed out.");
        QTest::newRow("silent") << chatPath << ScriptedReply::silence() << 200 << late;
        // A byte every 10 ms keeps a transfer alive, but not past the deadline.
        QTest::newRow("chat drips past the deadline")
            << chatPath << ScriptedReply::drip(completion, 10) << 300 << late;
        QTest::newRow("speech drips past the deadline")
            << speechPath << ScriptedReply::drip(QByteArray(100, 'm'), 10) << 300 << late;
        // Deadlines far off: the size alone stops these.
        QTest::newRow("chat declared too large")
            << chatPath << ScriptedReply::json(QByteArray(4 * 1024 * 1024 + 1, ' ')) << 60000
            << "The reply was too large (over 4 MB).";
        QTest::newRow("chat without end") << chatPath << ScriptedReply::stream(5 * 1024 * 1024) << 60000
                                          << "The reply was too large (over 4 MB).";
        QTest::newRow("speech without end") << speechPath << ScriptedReply::stream(33 * 1024 * 1024) << 60000
                                            << "The reply was too large (over 32 MB).";
    }

    void cutOffAndLeaveNothingBehind() {
        QFETCH(QString, path);
        QFETCH(ScriptedReply, reply);
        QFETCH(int, deadlineMs);
        QFETCH(QString, description);
        FakeProxy proxy;
        proxy.reply(path, reply);
        const ProxyConfig config = proxy.config(QStringLiteral("t"), deadlineMs);
        QNetworkAccessManager network;

        QCOMPARE(path == chatPath ? transportFailure(post(config, {}, &network), OpenAIError::Kind::transport)
                                  : transportFailure(vorn::test::awaitTask(FishAudioService::synthesize(
                                                         QStringLiteral("Go."), config, &network)),
                                                     FishAudioError::Kind::transport),
                 description);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(network.findChildren<QNetworkReply*>().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(proxy.openSilentConnections(), 0, 2000);
    }

    void theCredentialIsMaskedInAnyCaseAndInPieces_data() {
        QTest::addColumn<QString>("token");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char* name, const QString& key, const QString& text, const QString& shown) {
            QTest::newRow(name) << key << text << shown;
        };
        const QString key = QStringLiteral("sk-Live-0123456789abcdef");
        row("exact", key, "bad key sk-Live-0123456789abcdef!", "bad key <redacted>!");
        row("other case", key, "bad key SK-LIVE-0123456789ABCDEF", "bad key <redacted>");
        row("8-character piece", key, "key …456789ab… rejected", "key …<redacted>… rejected");
        row("long piece, lower case", key, "prefix sk-live-01234 and 89ABCDEF",
            "prefix <redacted> and <redacted>");
        row("7 characters stay", key, "ends in 9abcdef", "ends in 9abcdef");
        row("twice", key, key + "/" + key, "<redacted>/<redacted>");
        row("short token left alone", "abc1234", "abc1234 ABC1234", "abc1234 ABC1234");
        row("no token", "", "nothing here", "nothing here");
    }

    void theCredentialIsMaskedInAnyCaseAndInPieces() {
        QFETCH(QString, token);
        QFETCH(QString, text);
        QFETCH(QString, shown);
        ProxyConfig config;
        config.token = token;
        QCOMPARE(config.redacted(text), shown);
    }

    // A port the system handed out, closed again: the platform's own text.
    void aClosedPortKeepsThePlatformsText() {
        ProxyConfig proxy;
        proxy.baseUrl = QUrl(QStringLiteral("http://127.0.0.1:%1").arg(FakeProxy().baseUrl().port()));
        const QString refused = transportFailure(post(proxy), OpenAIError::Kind::transport);
        QVERIFY(!refused.isEmpty() && refused != QStringLiteral("The request timed out."));
    }

    void readingReplies_data() {
        QTest::addColumn<QByteArray>("reply");
        // The content or error description from readReplyContent, then from readBossReplyText.
        QTest::addColumn<QStringList>("outcomes");
        const auto choices = [](const char* list) { return R"({"choices":)" + QByteArray(list) + "}"; };
        const QString empty = QStringLiteral("AI returned empty content.");
        const QStringList bad{"<decoding>", "<decoding>"};
        QTest::newRow("plain") << completion << QStringList{"Move.", "Move."};
        QTest::newRow("padded") << choices(R"([{"message":{"content":"\n  Go now. \t"}}])")
                                << QStringList{"\n  Go now. \t", "Go now."};
        QTest::newRow("blank") << choices(R"([{"message":{"content":" \n "}}])")
                               << QStringList{" \n ", empty};
        QTest::newRow("no choices") << choices("[]") << QStringList{empty, empty};
        QTest::newRow("two choices") << choices(
                                            R"([{"message":{"content":"A"}},{"message":{"content":"B"}}])")
                                     << QStringList{"A", "A"};
        QTest::newRow("content null") << choices(R"([{"message":{"content":null}}])") << bad;
        QTest::newRow("no message") << choices(R"([{"index":0}])") << bad;
        QTest::newRow("second choice broken")
            << choices(R"([{"message":{"content":"A"}},{"message":{}}])") << bad;
        QTest::newRow("choices not an array") << choices("{}") << bad;
        QTest::newRow("not JSON") << QByteArray("<html>") << bad;
    }

    void readingReplies() {
        QFETCH(QByteArray, reply);
        QFETCH(QStringList, outcomes);
        const auto outcome = [](const Result<QString, OpenAIError>& r) {
            if (r.ok())
                return r.value();
            if (r.error().kind == OpenAIError::Kind::decoding) {
                // Whatever the wording, a decoding failure says something.
                return r.error().description().isEmpty() ? QString() : QStringLiteral("<decoding>");
            }
            return r.error().description();
        };
        QCOMPARE((QStringList{outcome(readReplyContent(reply)), outcome(readBossReplyText(reply))}),
                 outcomes);
    }

    // Which address wins (a blank one does not) and how its path joins the
    // route's; the tokens are the local proxy's test.
    void proxyAddressComesFromEnvironmentThenPreferences() {
        QTemporaryDir dir;
        Preferences preferences(dir.filePath(QStringLiteral("prefs.ini")));
        preferences.setText(QStringLiteral("proxy_base_url"), QStringLiteral("https://prefs.example/"));
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("VORN_PROXY_URL"), QStringLiteral("  "));
        const auto endpoint = [&] {
            return ProxyConfig::resolve(preferences, environment).endpoint(chatPath);
        };
        QCOMPARE(endpoint(), QUrl(QStringLiteral("https://prefs.example/api/openai/chat")));
        environment.insert(QStringLiteral("VORN_PROXY_URL"), QStringLiteral("https://env.example/v1"));
        QCOMPARE(endpoint(), QUrl(QStringLiteral("https://env.example/v1/api/openai/chat")));
    }

    void whichAddressesMayCarryTheCredential_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("https") << "https://proxy.example.com" << true;
        QTest::newRow("loopback v4") << "http://127.0.0.1:8765" << true;
        QTest::newRow("loopback range") << "http://127.8.9.10" << true;
        QTest::newRow("loopback v6") << "http://[::1]:8765" << true;
        QTest::newRow("localhost") << "http://localhost:8765" << true;
        QTest::newRow("plain http") << "http://user:pw@proxy.example.com:8765/base" << false;
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
        config.token = QStringLiteral("s3cret");
        QCOMPARE(config.isSecureEnough(), allowed);
        if (allowed)
            return;
        // Refused before anything is sent, naming the address without its password.
        CountingNetwork network;
        const QString refused = transportFailure(post(config, {}, &network), OpenAIError::Kind::transport);
        QVERIFY2(refused.startsWith(QStringLiteral("Proxy address must use https: ")) &&
                     !refused.contains("pw"),
                 qPrintable(refused));
        QCOMPARE(network.created, 0);
    }
};

VORN_TEST_CLASS(ChatClientTest)
#include "chat_client_test.moc"
