// vorn-proxy's routes against loopback fakes: what goes upstream, what comes
// back when the upstream misbehaves, and the gatekeeping in front.
#include "process.h"
#include "raw_server.h"
#include "server.h"
#include "speech_backends.h"

#include "services/audio_output.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <zlib.h>

#include <condition_variable>
#include <mutex>

using namespace vorn::proxy;
using nlohmann::json;

namespace {

const std::string kClientToken = "client-token-0123456789";
const std::string kUpstreamKey = "sk-upstream-secret-key";

// A server of any kind run on its own thread until destroyed.
template <typename Server> struct Running {
    Server& server;
    std::thread thread;
    Running(Server& s, std::function<void()> run) : server(s), thread(std::move(run)) {}
    ~Running() {
        server.stop();
        thread.join();
    }
};

// A fake OpenAI-compatible upstream that records what it was sent.
struct FakeUpstream {
    httplib::Server http;
    int port = 0;
    std::mutex mutex;
    httplib::Request last;
    std::function<void(httplib::Response&)> answer;
    std::unique_ptr<Running<httplib::Server>> running;

    FakeUpstream() {
        http.Post(".*", [this](const httplib::Request& req, httplib::Response& res) {
            {
                std::lock_guard lock(mutex);
                last = req;
            }
            answer(res);
        });
        port = http.bind_to_any_port("127.0.0.1");
        running = std::make_unique<Running<httplib::Server>>(http, [this] { http.listen_after_bind(); });
    }
    ~FakeUpstream() { running.reset(); }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port) + "/v1"; }
};

Config baseConfig() {
    Config config;
    config.listenHost = "127.0.0.1";
    config.listenPort = 0;
    config.tokens = {kClientToken};
    config.rateLimitPerMinute = 6000;
    config.rateLimitBurst = 1000;
    config.threads = 4;
    config.upstreamTimeout = std::chrono::milliseconds(400);
    return config;
}

// The proxy under test on a free port.
struct Proxy {
    ProxyServer server;
    int port;
    Running<ProxyServer> running;
    explicit Proxy(const Config& config, RateLimiter::Clock clock = &std::chrono::steady_clock::now)
        : server(config, makeBackends(config), std::move(clock)), port(server.bind()),
          running(server, [this] { server.listen(); }) {}

    httplib::Result post(const std::string& path, const std::string& body,
                         const std::string& token = kClientToken) {
        httplib::Client client("127.0.0.1", port);
        client.set_read_timeout(std::chrono::seconds(10));
        httplib::Headers headers;
        if (!token.empty())
            headers.emplace("Authorization", "Bearer " + token);
        return client.Post(path.c_str(), headers, body, "application/json");
    }
};

std::string appChatBody(const std::string& model = "gpt-4o-mini") {
    return json{{"model", model},
                {"messages", json::array({{{"role", "system"}, {"content", "You are Vorn in Demon Mode."}},
                                          {{"role", "user"}, {"content", "Write Vorn's message now."}}})},
                {"temperature", 0.8},
                {"max_tokens", 400},
                {"stream", true}, // not something the app sends: must not reach upstream
                {"user", "someone"}}
        .dump();
}

std::string completion(const std::string& content) {
    return json{{"choices", json::array({{{"message", {{"role", "assistant"}, {"content", content}}}}})}}
        .dump();
}

std::string gzip(const std::string& text) {
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    std::string out(compressBound(text.size()) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

Config openaiConfig(const std::string& url) {
    Config config = baseConfig();
    config.chatBackend = "openai";
    config.openaiBaseUrl = url;
    config.openaiKey = kUpstreamKey;
    return config;
}

} // namespace

class ServerTest : public QObject {
    Q_OBJECT
private slots:
    void tokenIsRequired_data();
    void tokenIsRequired();
    void rateLimitPerToken();
    void oversizeBodyIsRefused();
    void forwardsOnlyWhatTheAppUses_data();
    void forwardsOnlyWhatTheAppUses();
    void misbehavingUpstream_data();
    void misbehavingUpstream();
    void slowUpstreamIsCutOff();
    void gzipUpstreamIsDecodedAndHeadersAreOurOwn();
    void upstreamErrorIsShortAndHidesTheKey();
    void espeakSpeaksMp3();
    void speechUpstreams_data();
    void speechUpstreams();
    void speechLimits_data();
    void speechLimits();
    void missingSpeechProgramIsReported();
    void pipelineTimeLimit();
    void servesHttpsWithCertificate();
};

void ServerTest::tokenIsRequired_data() {
    QTest::addColumn<QString>("token");
    QTest::addColumn<int>("status");
    QTest::newRow("missing") << QString() << 401;
    QTest::newRow("wrong") << QStringLiteral("client-token-0123456780") << 401;
    QTest::newRow("prefix of the right one") << QStringLiteral("client-token") << 401;
    QTest::newRow("right") << QString::fromStdString(kClientToken) << 200;
}

void ServerTest::tokenIsRequired() {
    QFETCH(QString, token);
    QFETCH(int, status);
    Proxy proxy(baseConfig());
    for (const char* path : {"/api/openai/chat", "/healthz"}) {
        httplib::Client client("127.0.0.1", proxy.port);
        httplib::Headers headers;
        if (!token.isEmpty())
            headers.emplace("Authorization", "Bearer " + token.toStdString());
        auto res = std::string(path) == "/healthz"
                       ? client.Get(path, headers)
                       : client.Post(path, headers, appChatBody(), "application/json");
        QVERIFY(res);
        QCOMPARE(res->status, status);
    }
}

void ServerTest::rateLimitPerToken() {
    Config config = baseConfig();
    config.tokens = {kClientToken, "second-token-abcdefgh"};
    config.rateLimitPerMinute = 60;
    config.rateLimitBurst = 3;
    auto now = std::make_shared<std::atomic<std::chrono::steady_clock::rep>>(0);
    Proxy proxy(config, [now] {
        return std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(now->load()));
    });
    for (int i = 0; i < 3; ++i)
        QCOMPARE(proxy.post("/api/openai/chat", appChatBody())->status, 200);
    auto refused = proxy.post("/api/openai/chat", appChatBody());
    QCOMPARE(refused->status, 429);
    QVERIFY(refused->has_header("Retry-After"));
    // Another token has its own bucket; time refills this one.
    QCOMPARE(proxy.post("/api/openai/chat", appChatBody(), "second-token-abcdefgh")->status, 200);
    now->store(
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::seconds(2)).count());
    QCOMPARE(proxy.post("/api/openai/chat", appChatBody())->status, 200);
    QCOMPARE(proxy.post("/api/openai/chat", appChatBody())->status, 200);
    QCOMPARE(proxy.post("/api/openai/chat", appChatBody())->status, 429);
}

void ServerTest::oversizeBodyIsRefused() {
    Proxy proxy(baseConfig());
    const std::string huge(256 * 1024 + 1, 'x');
    auto res = proxy.post("/api/openai/chat", huge);
    QVERIFY(res);
    QCOMPARE(res->status, 413);
    QCOMPARE(res->body, std::string("The request body is larger than 256 KiB."));
    // Without the token the size does not matter: the answer is 401.
    QCOMPARE(proxy.post("/api/openai/chat", huge, "")->status, 401);
}

void ServerTest::forwardsOnlyWhatTheAppUses_data() {
    QTest::addColumn<QString>("override");
    QTest::addColumn<QString>("sentModel");
    QTest::addColumn<QString>("tokensField");
    QTest::newRow("app's model") << QString() << "gpt-4o-mini"
                                 << "max_tokens";
    QTest::newRow("override") << "llama3.1:8b"
                              << "llama3.1:8b"
                              << "max_tokens";
    QTest::newRow("reasoning model") << "o3-mini"
                                     << "o3-mini"
                                     << "max_completion_tokens";
}

void ServerTest::forwardsOnlyWhatTheAppUses() {
    QFETCH(QString, override);
    QFETCH(QString, sentModel);
    QFETCH(QString, tokensField);
    FakeUpstream upstream;
    upstream.answer = [](httplib::Response& res) {
        res.set_content(completion("  Move.  "), "application/json");
    };
    Config config = openaiConfig(upstream.url());
    config.openaiModel = override.toStdString();
    Proxy proxy(config);

    auto res = proxy.post("/api/openai/chat", appChatBody());
    QVERIFY(res);
    QCOMPARE(res->status, 200);
    QCOMPARE(json::parse(res->body)["choices"][0]["message"]["content"].get<std::string>(),
             std::string("  Move.  "));

    std::lock_guard lock(upstream.mutex);
    QCOMPARE(upstream.last.path, std::string("/v1/chat/completions"));
    QCOMPARE(upstream.last.get_header_value("Authorization"), "Bearer " + kUpstreamKey);
    const json sent = json::parse(upstream.last.body);
    QCOMPARE(sent["model"].get<std::string>(), sentModel.toStdString());
    QCOMPARE(sent[tokensField.toStdString()].get<int>(), 400);
    QCOMPARE(sent.size(), std::size_t(4)); // model, messages, temperature, the token limit
    QCOMPARE(sent["messages"].size(), std::size_t(2));
    QCOMPARE(sent["messages"][1]["content"].get<std::string>(), std::string("Write Vorn's message now."));
    QVERIFY(upstream.last.body.find(kClientToken) == std::string::npos);
    for (const auto& [name, value] : upstream.last.headers)
        QVERIFY2(value.find(kClientToken) == std::string::npos, name.c_str());
}

void ServerTest::misbehavingUpstream_data() {
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<int>("status");
    QTest::newRow("reset") << QByteArray() << 502;
    QTest::newRow("not HTTP") << QByteArray("garbage, not HTTP at all\r\n\r\n") << 502;
    QTest::newRow("not JSON")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 9\r\nConnection: close\r\n\r\n<html>hi") << 502;
    QTest::newRow("no choices") << QByteArray(
                                       "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\n{}")
                                << 502;
}

void ServerTest::misbehavingUpstream() {
    QFETCH(QByteArray, raw);
    QFETCH(int, status);
    RawServer upstream(raw.toStdString());
    Proxy proxy(openaiConfig("http://127.0.0.1:" + std::to_string(upstream.port())));
    auto res = proxy.post("/api/openai/chat", appChatBody());
    QVERIFY(res);
    QCOMPARE(res->status, status);
    QVERIFY(!res->body.empty());
    QVERIFY(res->body.find(kUpstreamKey) == std::string::npos);
    QCOMPARE(res->get_header_value("Content-Type"), std::string("text/plain; charset=utf-8"));
}

void ServerTest::slowUpstreamIsCutOff() {
    // Declared before the upstream, whose handler uses them until it is gone.
    std::mutex mutex;
    std::condition_variable released;
    bool release = false;
    FakeUpstream upstream;
    upstream.answer = [&](httplib::Response& res) {
        std::unique_lock lock(mutex);
        released.wait_for(lock, std::chrono::seconds(5), [&] { return release; });
        res.set_content(completion("late"), "application/json");
    };
    Proxy proxy(openaiConfig(upstream.url()));
    const auto start = std::chrono::steady_clock::now();
    auto res = proxy.post("/api/openai/chat", appChatBody());
    const auto took = std::chrono::steady_clock::now() - start;
    {
        std::lock_guard lock(mutex);
        release = true;
    }
    released.notify_all();
    QVERIFY(res);
    QCOMPARE(res->status, 504);
    QVERIFY2(took < std::chrono::seconds(3), "the proxy waited past its limit");
}

void ServerTest::gzipUpstreamIsDecodedAndHeadersAreOurOwn() {
    const std::string zipped = gzip(completion("Zipped words."));
    RawServer upstream("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Encoding: gzip\r\n"
                       "X-Upstream-Secret: abc\r\nSet-Cookie: session=1\r\nContent-Length: " +
                       std::to_string(zipped.size()) + "\r\nConnection: close\r\n\r\n" + zipped);
    Proxy proxy(openaiConfig("http://127.0.0.1:" + std::to_string(upstream.port())));
    // The proxy decodes and answers plain JSON with headers of its own.
    auto res = proxy.post("/api/openai/chat", appChatBody());
    QVERIFY(res);
    QCOMPARE(res->status, 200);
    QVERIFY(!res->has_header("Content-Encoding"));
    QVERIFY(!res->has_header("X-Upstream-Secret"));
    QVERIFY(!res->has_header("Set-Cookie"));
    QCOMPARE(json::parse(res->body)["choices"][0]["message"]["content"].get<std::string>(),
             std::string("Zipped words."));
}

void ServerTest::upstreamErrorIsShortAndHidesTheKey() {
    FakeUpstream upstream;
    upstream.answer = [](httplib::Response& res) {
        res.status = 401;
        res.set_content(
            json{{"error", {{"message", "Incorrect API key provided: " + kUpstreamKey + "."}}}}.dump(),
            "application/json");
    };
    Proxy proxy(openaiConfig(upstream.url()));
    auto res = proxy.post("/api/openai/chat", appChatBody());
    QVERIFY(res);
    QCOMPARE(res->status, 502);
    QCOMPARE(res->body,
             std::string("The model server answered 401: Incorrect API key provided: <redacted>."));
}

void ServerTest::espeakSpeaksMp3() {
    Proxy proxy(baseConfig());
    const std::string body = json{
        {"text", "Okay. Ship the invoice export now."},
        {"reference_id", "af31746d9d39416e98605ea35e3e79bd"},
        {"format", "mp3"},
        {"normalize", true}}.dump();
    auto res = proxy.post("/api/fish-audio/tts", body);
    QVERIFY(res);
    QCOMPARE(res->status, 200);
    QCOMPARE(res->get_header_value("Content-Type"), std::string("audio/mpeg"));
    QVERIFY(res->body.size() > 1000);
    // An MPEG-1/2 Layer III frame header: sync bits, then layer bits 01.
    const auto* bytes = reinterpret_cast<const unsigned char*>(res->body.data());
    QCOMPARE(int(bytes[0]), 0xFF);
    QCOMPARE(bytes[1] & 0xE0, 0xE0);
    QCOMPARE((bytes[1] >> 1) & 0x3, 0x1);
    // And the app's player takes it.
    QVERIFY(vorn::looksLikeMp3(QByteArray::fromStdString(res->body)));
}

void ServerTest::speechUpstreams_data() {
    QTest::addColumn<QString>("backend");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("textField");
    QTest::newRow("fishaudio") << "fishaudio"
                               << "/v1/tts"
                               << "text";
    QTest::newRow("openai-speech") << "openai-speech"
                                   << "/v1/audio/speech"
                                   << "input";
}

void ServerTest::speechUpstreams() {
    QFETCH(QString, backend);
    QFETCH(QString, path);
    QFETCH(QString, textField);
    FakeUpstream upstream;
    const std::string mp3 = "\xFF\xF3\x48\xC4 not really audio";
    upstream.answer = [&](httplib::Response& res) {
        res.set_header("Content-Encoding", "identity");
        res.set_content(mp3, "audio/mpeg");
    };
    Config config = baseConfig();
    config.voiceBackend = backend.toStdString();
    config.fishaudioBaseUrl = "http://127.0.0.1:" + std::to_string(upstream.port);
    config.speechBaseUrl = upstream.url();
    config.fishaudioKey = kUpstreamKey;
    config.speechKey = kUpstreamKey;
    Proxy proxy(config);
    auto res = proxy.post("/api/fish-audio/tts",
                          json{{"text", "  Move.  "}, {"reference_id", "abc"}, {"format", "mp3"}}.dump());
    QVERIFY(res);
    QCOMPARE(res->status, 200);
    QCOMPARE(res->body, mp3);
    QCOMPARE(res->get_header_value("Content-Type"), std::string("audio/mpeg"));
    QVERIFY(!res->has_header("Content-Encoding"));
    std::lock_guard lock(upstream.mutex);
    QCOMPARE(upstream.last.path, path.toStdString());
    QCOMPARE(upstream.last.get_header_value("Authorization"), "Bearer " + kUpstreamKey);
    const json sent = json::parse(upstream.last.body);
    QCOMPARE(sent[textField.toStdString()].get<std::string>(), std::string("Move."));
    if (backend == QLatin1String("fishaudio"))
        QCOMPARE(sent["reference_id"].get<std::string>(), std::string("abc"));
    else
        QCOMPARE(sent["response_format"].get<std::string>(), std::string("mp3"));
}

void ServerTest::speechLimits_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("status");
    QTest::newRow("blank") << QStringLiteral(" \n ") << 400;
    QTest::newRow("over the limit") << QString(41, QChar(0x00E9)) << 413; // 41 characters, 82 bytes
}

void ServerTest::speechLimits() {
    QFETCH(QString, text);
    QFETCH(int, status);
    Config config = baseConfig();
    config.maxSpeechChars = 40;
    Proxy proxy(config);
    auto res = proxy.post("/api/fish-audio/tts", json{{"text", text.toStdString()}}.dump());
    QVERIFY(res);
    QCOMPARE(res->status, status);
    QVERIFY(!res->body.empty());
    QCOMPARE(characterCount(std::string(40, 'a') + "\xC3\xA9"), std::size_t(41));
}

void ServerTest::missingSpeechProgramIsReported() {
    Config config = baseConfig();
    config.espeakPath = "/nonexistent/espeak-ng";
    Proxy proxy(config);
    auto res = proxy.post("/api/fish-audio/tts", json{{"text", "hello"}}.dump());
    QVERIFY(res);
    QCOMPARE(res->status, 500);
    QVERIFY(res->body.find("espeak-ng") != std::string::npos);
}

void ServerTest::pipelineTimeLimit() {
    const auto start = std::chrono::steady_clock::now();
    const PipelineResult result = runPipeline({{"sleep", "5"}}, "", std::chrono::milliseconds(100));
    QVERIFY(result.timedOut);
    QVERIFY(!result.ok);
    QVERIFY(std::chrono::steady_clock::now() - start < std::chrono::seconds(2));
    const PipelineResult echoed =
        runPipeline({{"cat"}, {"tr", "a-z", "A-Z"}}, "vorn", std::chrono::seconds(5));
    QVERIFY(echoed.ok);
    QCOMPARE(echoed.output, std::string("VORN"));
}

void ServerTest::servesHttpsWithCertificate() {
    QTemporaryDir dir;
    const QString cert = dir.filePath(QStringLiteral("cert.pem"));
    const QString key = dir.filePath(QStringLiteral("key.pem"));
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"), {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
                                              "-out", cert, "-days", "1", "-subj", "/CN=localhost"});
    if (!openssl.waitForFinished(20000) || openssl.exitCode() != 0)
        QSKIP("the openssl program is not available to make a test certificate");

    Config config = baseConfig();
    config.tlsCert = cert.toStdString();
    config.tlsKey = key.toStdString();
    QVERIFY(!validate(config));
    Proxy proxy(config);
    QVERIFY(proxy.server.isValid());
    httplib::SSLClient client("127.0.0.1", proxy.port);
    client.enable_server_certificate_verification(false);
    auto res = client.Get("/healthz", {{"Authorization", "Bearer " + kClientToken}});
    QVERIFY(res);
    QCOMPARE(res->status, 200);
    // Plain HTTP to the TLS port gets no answer.
    httplib::Client plain("127.0.0.1", proxy.port);
    plain.set_read_timeout(std::chrono::seconds(2));
    auto refused = plain.Get("/healthz", {{"Authorization", "Bearer " + kClientToken}});
    QVERIFY(!refused || refused->status != 200);
}

QTEST_GUILESS_MAIN(ServerTest)
#include "server_test.moc"
