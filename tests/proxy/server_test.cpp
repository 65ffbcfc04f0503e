// vorn-proxy's routes against loopback fakes: what goes upstream, what comes
// back when the upstream misbehaves, and the gatekeeping in front.
#include "process.h"
#include "proxy_harness.h"
#include "raw_server.h"

#include "services/audio_output.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <mutex>
#include <set>
#include <thread>

using namespace vorn::proxy;
using namespace proxytest;
using nlohmann::json;

namespace {

std::string appChatBody() {
    return json{
        {"model", "gpt-4o-mini"}, {"messages", kAppMessages}, {"temperature", 0.8},
        {"max_tokens", 400},      {"stream", true}, // not something the app sends: must not reach upstream
        {"user", "someone"}}
        .dump();
}

// What a client sees of an answer: a completion's text, or the bytes.
std::string shown(const httplib::Result& res) {
    if (res->get_header_value("Content-Type") != "application/json")
        return res->body;
    return json::parse(res->body)["choices"][0]["message"]["content"].get<std::string>();
}

} // namespace

class ServerTest : public QObject {
    Q_OBJECT
private slots:
    // What the proxy answers by itself: the token and size checks in front,
    // and the built-in espeak voice (a 500 row runs without the program).
    void answersOfItsOwn_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("token");
        QTest::addColumn<QByteArray>("body"); // empty: the app's chat body
        QTest::addColumn<int>("status");
        const QString chat = QStringLiteral("/api/openai/chat"), tts = QStringLiteral("/api/fish-audio/tts");
        const auto row = [](const char* name, const QString& path, const char* token, const QByteArray& body,
                            int status) { QTest::newRow(name) << path << QString(token) << body << status; };
        const auto speak = [](const std::string& text) { // as the app sends it
            const json body = {
                {"text", text}, {"reference_id", "abc"}, {"format", "mp3"}, {"normalize", true}};
            return QByteArray::fromStdString(body.dump());
        };
        const char* right = kClientToken.c_str();
        const QByteArray tooLarge(256 * 1024 + 1, 'x');
        row("missing", chat, "", {}, 401);
        row("wrong", chat, "client-token-0123456780", {}, 401);
        row("prefix of the right one", chat, "client-token", {}, 401);
        row("right", chat, right, {}, 200);
        row("too large", chat, right, tooLarge, 413);
        row("too large, no token", chat, "", tooLarge, 401); // the size does not matter then
        row("speaks MP3 at the limit", tts, right, speak(QString(40, QChar(0xE9)).toStdString()),
            200); // 80 bytes
        row("blank", tts, right, speak(" \n "), 400);
        row("over the limit", tts, right, speak(QString(41, QChar(0xE9)).toStdString()), 413);
        row("missing program", tts, right, speak("hello"), 500);
    }

    void answersOfItsOwn() {
        QFETCH(QString, path);
        QFETCH(QString, token);
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        Config config = baseConfig();
        config.maxSpeechChars = 40;
        if (status == 500)
            config.espeakPath = "/nonexistent/espeak-ng";
        Proxy proxy(config);
        auto res = proxy.send(path.toStdString(), body.isEmpty() ? appChatBody() : body.toStdString(),
                              token.toStdString());
        QVERIFY(res);
        QCOMPARE(res->status, status);
        if (body.isEmpty()) // the health check asks for the token as well
            QCOMPARE(proxy.send("/healthz", {}, token.toStdString())->status, status);
        if (status != 200) {
            QVERIFY(!res->body.empty());
            QCOMPARE(res->body.find("espeak-ng") != std::string::npos, status == 500);
        } else if (!body.isEmpty()) {
            QCOMPARE(res->get_header_value("Content-Type"), std::string("audio/mpeg"));
            QVERIFY(vorn::looksLikeMp3(QByteArray::fromStdString(res->body))); // the app's player takes it
        }
    }

    void rateLimitPerToken() {
        Config config = baseConfig();
        config.tokens = {kClientToken, "second-token-abcdefgh"};
        config.rateLimitPerMinute = 60;
        config.rateLimitBurst = 3;
        auto now = std::make_shared<std::atomic<std::chrono::steady_clock::rep>>(0);
        Proxy proxy(config, [now] {
            return std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(now->load()));
        });
        const auto status = [&](const std::string& token = kClientToken) {
            return proxy.send("/api/openai/chat", appChatBody(), token)->status;
        };
        for (int i = 0; i < 3; ++i)
            QCOMPARE(status(), 200);
        auto refused = proxy.send("/api/openai/chat", appChatBody());
        QCOMPARE(refused->status, 429);
        QVERIFY(refused->has_header("Retry-After"));
        // Another token has its own bucket; time refills this one.
        QCOMPARE(status("second-token-abcdefgh"), 200);
        now->store(
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::seconds(2)).count());
        QCOMPARE(status(), 200);
        QCOMPARE(status(), 200);
        QCOMPARE(status(), 429);
    }

    // The chat and speech routes through an upstream at the wire: what goes up
    // (when `upstreamPath` is set) and what comes back, however it answers.
    void throughTheUpstream_data() {
        QTest::addColumn<bool>("speech");
        QTest::addColumn<QString>("backend");   // the model override, or the voice backend
        QTest::addColumn<QByteArray>("answer"); // empty: the connection is reset
        QTest::addColumn<int>("status");        // 504: the upstream takes the request and never answers
        QTest::addColumn<QByteArray>("shown");  // empty: any text
        QTest::addColumn<QString>("upstreamPath");
        QTest::addColumn<QByteArray>("sent");
        const auto row = [](const char* name, bool speech, const char* backend, const std::string& answer,
                            int status, const std::string& shown, const char* path = "",
                            const json& sent = {}) {
            QTest::newRow(name) << speech << backend << QByteArray::fromStdString(answer) << status
                                << QByteArray::fromStdString(shown) << path
                                << QByteArray::fromStdString(sent.dump());
        };
        const auto chat = [](const char* model, const char* tokensField) {
            return json{
                {"model", model}, {"messages", kAppMessages}, {"temperature", 0.8}, {tokensField, 400}};
        };
        const std::string moved = completion("  Move.  "), mp3 = "\xFF\xF3\x48\xC4 not really audio";
        const std::string chatAnswer =
            httpReply("200 OK", "Content-Type: application/json\r\nContent-Encoding: identity\r\n", moved);
        const std::string speechAnswer =
            httpReply("200 OK", "Content-Type: audio/mpeg\r\nContent-Encoding: identity\r\n", mp3);
        row("app's model", false, "", chatAnswer, 200, "  Move.  ", "/v1/chat/completions",
            chat("gpt-4o-mini", "max_tokens"));
        row("override", false, "llama3.1:8b", chatAnswer, 200, "  Move.  ", "/v1/chat/completions",
            chat("llama3.1:8b", "max_tokens"));
        row("reasoning model", false, "o3-mini", chatAnswer, 200, "  Move.  ", "/v1/chat/completions",
            chat("o3-mini", "max_completion_tokens"));
        row("fishaudio", true, "fishaudio", speechAnswer, 200, mp3, "/v1/tts",
            {{"text", "Move."}, {"reference_id", "abc"}, {"format", "mp3"}, {"normalize", true}});
        row("openai-speech", true, "openai-speech", speechAnswer, 200, mp3, "/v1/audio/speech",
            {{"model", "speech-model"},
             {"input", "Move."},
             {"voice", "some-voice"},
             {"response_format", "mp3"}});
        row("reset", false, "", "", 502, "");
        row("not HTTP", false, "", "garbage, not HTTP at all\r\n\r\n", 502, "");
        row("not JSON", false, "", httpReply("200 OK", "", "<html>hi"), 502, "");
        row("no choices", false, "", httpReply("200 OK", "", "{}"), 502, "");
        row("silent", false, "", "unused", 504, "");
        // The key in the upstream's own words is hidden, and the message stays short.
        row("error naming the key", false, "",
            httpReply(
                "401 Unauthorized", "Content-Type: application/json\r\n",
                json{{"error", {{"message", "Incorrect API key provided: " + kUpstreamKey + "."}}}}.dump()),
            502, "The model server answered 401: Incorrect API key provided: <redacted>.");
        // Decoded, and answered with headers of the proxy's own.
        row("gzip with headers of its own", false, "",
            httpReply("200 OK",
                      "Content-Type: application/json\r\nContent-Encoding: gzip\r\nX-Upstream-Secret: abc\r\n"
                      "Set-Cookie: session=1\r\n",
                      gzip(completion("Zipped words."))),
            200, "Zipped words.");
    }

    void throughTheUpstream() {
        QFETCH(bool, speech);
        QFETCH(QString, backend);
        QFETCH(QByteArray, answer);
        QFETCH(int, status);
        QFETCH(QByteArray, shown);
        QFETCH(QString, upstreamPath);
        QFETCH(QByteArray, sent);
        RawServer upstream(answer.toStdString(), status == 504);
        Config config = upstreamConfig(upstream.port());
        (speech ? config.voiceBackend : config.openaiModel) = backend.toStdString();
        Proxy proxy(config);

        const auto start = std::chrono::steady_clock::now();
        auto res = speech ? proxy.send("/api/fish-audio/tts",
                                       R"({"text":"  Move.  ","reference_id":"abc","format":"mp3"})")
                          : proxy.send("/api/openai/chat", appChatBody());
        QVERIFY2(std::chrono::steady_clock::now() - start < std::chrono::seconds(3),
                 "the proxy waited past its limit");
        QVERIFY(res);
        QCOMPARE(res->status, status);
        QCOMPARE(res->get_header_value("Content-Type"),
                 std::string(status != 200 ? "text/plain; charset=utf-8"
                             : speech      ? "audio/mpeg"
                                           : "application/json"));
        QVERIFY(!res->body.empty());
        QVERIFY(res->body.find(kUpstreamKey) == std::string::npos);
        for (const char* header : {"Content-Encoding", "X-Upstream-Secret", "Set-Cookie"})
            QVERIFY2(!res->has_header(header), header);
        if (!shown.isEmpty())
            QCOMPARE(::shown(res), shown.toStdString());
        if (upstreamPath.isEmpty())
            return;

        // The upstream's key goes with the request, and no trace of the client's token.
        const std::string request = upstream.received();
        QVERIFY2(request.rfind("POST " + upstreamPath.toStdString() + " HTTP/1.1\r\n", 0) == 0,
                 request.c_str());
        QVERIFY(request.find("\r\nAuthorization: Bearer " + kUpstreamKey + "\r\n") != std::string::npos);
        QVERIFY(request.find(kClientToken) == std::string::npos);
        QVERIFY2(json::parse(request.substr(request.find("\r\n\r\n") + 4)) == json::parse(sent.toStdString()),
                 request.c_str());
    }

    // The OpenAI paths, as any SDK uses them: built-in answers, and an
    // upstream's stream relayed with its key masked.
    void standardPaths_data() {
        QTest::addColumn<QByteArray>("upstream"); // empty: the built-in writer and voice
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("body"); // empty: a GET
        QTest::addColumn<QString>("token");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("contentType");
        QTest::addColumn<QByteArray>("contains");
        const auto row = [](const char* name, const std::string& upstream, const char* path, const json& body,
                            const std::string& token, int status, const char* type,
                            const std::string& contains) {
            QTest::newRow(name) << QByteArray::fromStdString(upstream) << path
                                << (body.is_null() ? QByteArray() : QByteArray::fromStdString(body.dump()))
                                << QString::fromStdString(token) << status << type
                                << QByteArray::fromStdString(contains);
        };
        const json chat = {{"model", "any"}, {"messages", kAppMessages}};
        json streamed = chat;
        streamed["stream"] = true;
        const std::string events =
            "data: {\"choices\":[{\"delta\":{\"content\":\"" + kUpstreamKey + "\"}}]}\n\ndata: [DONE]\n\n";
        const std::string sse = "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nTransfer-Encoding: "
                                "chunked\r\nConnection: close\r\n\r\n" +
                                [&] {
                                    std::string chunked;
                                    for (std::size_t at = 0; at < events.size(); at += 9) { // the key cut up
                                        const std::string piece = events.substr(at, 9);
                                        char size[8];
                                        std::snprintf(size, sizeof size, "%zx", piece.size());
                                        chunked += std::string(size) + "\r\n" + piece + "\r\n";
                                    }
                                    return chunked + "0\r\n\r\n";
                                }();
        const std::string json401 = json{{"error", {{"message", "no"}}}}.dump();
        const json wav = {
            {"model", "tts-1"}, {"input", "Hi."}, {"voice", "alloy"}, {"response_format", "wav"}};
        row("chat", "", "/v1/chat/completions", chat, kClientToken, 200, "application/json",
            "\"chat.completion\"");
        row("streamed chat", "", "/v1/chat/completions", streamed, kClientToken, 200, "text/event-stream",
            "\"finish_reason\":\"stop\"");
        row("models", "", "/v1/models", nullptr, kClientToken, 200, "application/json", "\"vorn-builtin\"");
        row("speech as WAV", "", "/v1/audio/speech", wav, kClientToken, 400, "application/json",
            "\"invalid_request_error\"");
        row("wrong token", "", "/v1/models", nullptr, "wrong-token-0123456789", 401, "application/json",
            "\"authentication_error\"");
        row("upstream stream relayed", sse, "/v1/chat/completions", streamed, kClientToken, 200,
            "text/event-stream", "{\"content\":\"<redacted>\"}}]}\n\ndata: [DONE]\n\n");
        row("upstream stream refused", httpReply("401 Unauthorized", "", json401), "/v1/chat/completions",
            streamed, kClientToken, 502, "application/json", "The model server answered 401: no");
    }

    void standardPaths() {
        QFETCH(QByteArray, upstream);
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        QFETCH(QString, token);
        QFETCH(int, status);
        QFETCH(QString, contentType);
        QFETCH(QByteArray, contains);
        RawServer server(upstream.isEmpty() ? "unused" : upstream.toStdString());
        Proxy proxy(upstream.isEmpty() ? baseConfig() : upstreamConfig(server.port()));
        auto res = proxy.send(path.toStdString(), body.toStdString(), token.toStdString());
        QVERIFY(res);
        QCOMPARE(res->status, status);
        QCOMPARE(QString::fromStdString(res->get_header_value("Content-Type")), contentType);
        QVERIFY2(res->body.find(contains.toStdString()) != std::string::npos, res->body.c_str());
        QVERIFY(res->body.find(kUpstreamKey) == std::string::npos);
        if (contentType == "text/event-stream")
            QVERIFY(res->body.ends_with("}\n\ndata: [DONE]\n\n"));
        if (!upstream.isEmpty()) // the stream is asked for upstream too
            QVERIFY(server.received().find("\"stream\":true") != std::string::npos);
    }

    // One connection to the upstream serves request after request.
    void reusesUpstreamConnections() {
        httplib::Server upstream;
        std::mutex mutex;
        std::set<int> ports;
        upstream.Post(".*", [&](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lock(mutex);
            ports.insert(req.remote_port);
            res.set_content(completion("Move."), "application/json");
        });
        upstream.set_keep_alive_timeout(1); // the kept connection holds stop() no longer
        const int port = upstream.bind_to_any_port("127.0.0.1");
        std::thread serving([&] { upstream.listen_after_bind(); });
        {
            Proxy proxy(upstreamConfig(port));
            for (int i = 0; i < 3; ++i)
                QCOMPARE(proxy.send("/api/openai/chat", appChatBody())->status, 200);
        }
        upstream.stop();
        serving.join();
        QCOMPARE(ports.size(), std::size_t(1));
    }

    void pipelineTimeLimit() {
        const auto start = std::chrono::steady_clock::now();
        const PipelineResult result = runPipeline({{"sleep", "5"}}, "", std::chrono::milliseconds(100));
        QVERIFY(result.timedOut);
        QVERIFY(!result.ok);
        QVERIFY(std::chrono::steady_clock::now() - start < std::chrono::seconds(2));
    }

    void servesHttpsWithCertificate() {
        QTemporaryDir dir;
        const QString cert = dir.filePath(QStringLiteral("cert.pem"));
        const QString key = dir.filePath(QStringLiteral("key.pem"));
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"), {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout",
                                                  key, "-out", cert, "-days", "1", "-subj", "/CN=localhost"});
        if (!openssl.waitForFinished(20000) || openssl.exitCode() != 0)
            QSKIP("the openssl program is not available to make a test certificate");

        Config config = baseConfig();
        config.tlsCert = cert.toStdString();
        config.tlsKey = key.toStdString();
        config.requestReadTimeout = std::chrono::milliseconds(500);
        QVERIFY(!validate(config));
        Proxy proxy(config);
        QVERIFY(proxy.server.isValid());
        httplib::SSLClient client("127.0.0.1", proxy.port);
        client.enable_server_certificate_verification(false);
        auto res = client.Get("/healthz", {{"Authorization", "Bearer " + kClientToken}});
        QVERIFY(res);
        QCOMPARE(res->status, 200);
        // Plain HTTP to the TLS port gets no answer.
        auto refused = proxy.send("/healthz", {});
        QVERIFY(!refused || refused->status != 200);
        // A handshake that never ends is cut off at the request deadline.
        const auto start = std::chrono::steady_clock::now();
        RawServer::sendAndWait(proxy.port, std::string("\x16\x03\x01", 3));
        QVERIFY(std::chrono::steady_clock::now() - start < std::chrono::seconds(2));
    }
};

QTEST_GUILESS_MAIN(ServerTest)
#include "server_test.moc"
