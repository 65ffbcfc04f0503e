// One row per fault found when vorn-proxy was attacked as a hostile client
// and as a hostile upstream, each against a real server on loopback.
#include "process.h"
#include "proxy_harness.h"
#include "raw_server.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <poll.h>

#include <functional>
#include <iostream>
#include <sstream>

using namespace vorn::proxy;
using namespace proxytest;

namespace {

using Clock = std::chrono::steady_clock;

// A TCP connection to the proxy from `source` (any 127.x.y.z address).
int connectFrom(int port, const char* source = "127.0.0.1") {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    ::inet_pton(AF_INET, source, &address.sin_addr);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    address.sin_port = htons(static_cast<uint16_t>(port));
    ::inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
    ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    return fd;
}

// What arrives on `fd` until it closes or `limit` passes.
std::string readAll(int fd, std::chrono::milliseconds limit = std::chrono::milliseconds(3000)) {
    std::string in;
    const auto until = Clock::now() + limit;
    char buffer[4096];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0)
            return in;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return in;
        in.append(buffer, std::size_t(n));
    }
}

std::string chatBody(const json& extra = json::object()) {
    json body = {{"model", "m"}, {"messages", kAppMessages}};
    body.update(extra);
    return body.dump();
}

// Answers `reply` as the chat upstream and returns what the client saw.
httplib::Result throughUpstream(const std::string& reply, std::chrono::milliseconds drip = {}) {
    RawServer upstream(reply, false, drip);
    Proxy proxy(upstreamConfig(upstream.port()));
    return proxy.send("/api/openai/chat", chatBody());
}

void deepJsonIsRefused() {
    Proxy proxy(baseConfig());
    const std::string deep = std::string(100'000, '[') + std::string(100'000, ']');
    auto res =
        proxy.send("/api/openai/chat", chatBody().insert(1, "\"response_format\":{\"x\":" + deep + "},"));
    QVERIFY(res);
    QCOMPARE(res->status, 400);
    QCOMPARE(proxy.send("/healthz", {})->status, 200);
}

void chunkedBodyIsCapped() {
    Proxy proxy(baseConfig());
    const int fd = connectFrom(proxy.port);
    const std::string head = "POST /api/openai/chat HTTP/1.1\r\nHost: x\r\nAuthorization: Bearer " +
                             kClientToken +
                             "\r\nTransfer-Encoding: chunked\r\nContent-Type: application/json\r\n\r\n";
    ::send(fd, head.data(), head.size(), MSG_NOSIGNAL);
    const std::string chunk = "10000\r\n" + std::string(0x10000, ' ') + "\r\n";
    for (int i = 0; i < 32; ++i) // 2 MiB, while the cap is 256 KiB
        if (::send(fd, chunk.data(), chunk.size(), MSG_NOSIGNAL) < 0)
            break;
    const std::string answer = readAll(fd);
    ::close(fd);
    QVERIFY2(answer.rfind("HTTP/1.1 413", 0) == 0, answer.substr(0, 80).c_str());
}

void slowClientsLeaveRoom() {
    Config config = baseConfig();
    config.requestReadTimeout = std::chrono::milliseconds(600);
    Proxy proxy(config);
    std::vector<int> slow;
    for (int i = 0; i < 70; ++i) {
        slow.push_back(connectFrom(proxy.port, "127.0.0.2"));
        ::send(slow.back(), "G", 1, MSG_NOSIGNAL);
    }
    const auto start = Clock::now();
    auto res = proxy.send("/healthz", {});
    QVERIFY(res);
    QCOMPARE(res->status, 200);
    QVERIFY(Clock::now() - start < std::chrono::seconds(1));
    // Those over the per-address cap were turned away at once, the others
    // when their request did not arrive in time, byte by byte or not.
    ::send(slow.front(), "E", 1, MSG_NOSIGNAL);
    int closed = 0;
    for (int fd : slow) {
        const std::string answer = readAll(fd, std::chrono::milliseconds(1500));
        closed +=
            answer.empty() || answer.rfind("HTTP/1.1 503", 0) == 0 || answer.rfind("HTTP/1.1 400", 0) == 0;
        ::close(fd);
    }
    QCOMPARE(closed, 70);
}

void hugeUpstreamReplyIsCut() {
    const std::string zipped = gzip(completion(std::string(5 * 1024 * 1024, 'a')));
    QVERIFY(zipped.size() < 64 * 1024);
    auto res = throughUpstream(
        httpReply("200 OK", "Content-Type: application/json\r\nContent-Encoding: gzip\r\n", zipped));
    QVERIFY(res);
    QCOMPARE(res->status, 502);
    QVERIFY2(res->body.find("more than 4 MB") != std::string::npos, res->body.c_str());
}

void drippingUpstreamMeetsTheDeadline() {
    // Headers that never end, one byte every 50 ms; then a body that never ends.
    const std::string headers = "HTTP/1.1 200 OK\r\nX-Pad: " + std::string(2000, 'a');
    const std::string body = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + std::string(2000, '1');
    for (const std::string& reply : {headers, body}) {
        const auto start = Clock::now();
        auto res = throughUpstream(reply, std::chrono::milliseconds(50));
        QVERIFY(res);
        QCOMPARE(res->status, 504);
        QVERIFY(Clock::now() - start < std::chrono::milliseconds(400 + 1000));
    }
}

void keyIsMaskedWhereverItIs() {
    for (std::size_t at = 285; at < 305; ++at) { // around the 300-character cut of error texts
        const json error = {{"error", {{"message", std::string(at, 'x') + kUpstreamKey + " more"}}}};
        auto res =
            throughUpstream(httpReply("400 Bad Request", "Content-Type: application/json\r\n", error.dump()));
        QVERIFY(res);
        QVERIFY2(res->body.find(kUpstreamKey.substr(0, 6)) == std::string::npos, res->body.c_str());
    }
    auto res = throughUpstream(httpReply("200 OK", "", completion("the key is " + kUpstreamKey)));
    QVERIFY(res);
    QCOMPARE(res->status, 200);
    QVERIFY(res->body.find(kUpstreamKey) == std::string::npos);
    QVERIFY(res->body.find("<redacted>") != std::string::npos);
}

void loggedPathsAreEscaped() {
    std::ostringstream log;
    std::streambuf* saved = std::cerr.rdbuf(log.rdbuf());
    {
        Proxy proxy(baseConfig());
        const int fd = connectFrom(proxy.port);
        const std::string request = "GET /x%0Avorn-proxy:%20forged%1B[2J HTTP/1.1\r\nHost: x\r\n\r\n";
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        readAll(fd, std::chrono::milliseconds(500));
        ::close(fd);
    }
    std::cerr.rdbuf(saved);
    const std::string text = log.str();
    QVERIFY2(text.find("\\x0Avorn-proxy: forged\\x1B[2J -> 401") != std::string::npos, text.c_str());
    QCOMPARE(std::count(text.begin(), text.end(), '\n'), 1);
    QVERIFY(text.find('\x1b') == std::string::npos);
}

void childrenGetNoSecrets() {
    ::setenv("VORN_PROXY_OPENAI_KEY", kUpstreamKey.c_str(), 1);
    const PipelineResult result = runPipeline({{"env"}}, "", std::chrono::seconds(5));
    ::unsetenv("VORN_PROXY_OPENAI_KEY");
    QVERIFY(result.ok);
    QStringList names;
    for (const QString& line : QString::fromStdString(result.output).split('\n', Qt::SkipEmptyParts))
        names << line.section('=', 0, 0);
    QCOMPARE(names, QStringList({"PATH", "LANG"}));
}

void tokensAndLogins() {
    Config config = baseConfig();
    config.tokens = {"x"};
    const auto problem = validate(config);
    QVERIFY(problem && problem->message.find("at least 16") != std::string::npos);

    config = baseConfig();
    config.failedLoginBurst = 3;
    Proxy proxy(config);
    QCOMPARE(proxy.send("/healthz", {}, kClientToken, "bearer  ")->status, 200);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(proxy.send("/healthz", {}, "wrong-token-0123456789")->status, 401);
    // Then even the right token waits: guessing must not go on at full speed.
    QCOMPARE(proxy.send("/healthz", {}, "wrong-token-0123456789")->status, 429);
    QCOMPARE(proxy.send("/healthz", {})->status, 429);
}

void appChildEndsWithTheApp() {
    RawServer silent("", true);
    QTemporaryDir dir;
    const QString conf = dir.filePath("vorn-proxy.conf");
    QFile file(conf);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("listen = 0.0.0.0:1\ntls_cert = /nonexistent/cert.pem\ntls_key = /nonexistent/key.pem\n"
               "chat_backend = openai\nopenai_base_url = http://127.0.0.1:" +
               QByteArray::number(silent.port()) + "/v1\nupstream_timeout_seconds = 30\n");
    file.close();
    QProcess child;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VORN_PROXY_TOKEN", QString::fromStdString(kClientToken));
    child.setProcessEnvironment(environment);
    child.start(VORN_PROXY_PROGRAM,
                {"--config", conf, "--listen", "127.0.0.1:0", "--print-port", "--exit-on-stdin-close"});
    QVERIFY(child.waitForReadyRead(5000));
    const int port = child.readLine().trimmed().toInt();
    QVERIFY2(port > 0, child.readAllStandardError().constData());
    std::thread client([port] {
        httplib::Client c("127.0.0.1", port);
        c.Post("/api/openai/chat", {{"Authorization", "Bearer " + kClientToken}}, chatBody(),
               "application/json");
    });
    QTest::qWait(200); // the request is now waiting on the silent upstream
    const auto start = Clock::now();
    child.closeWriteChannel();
    QVERIFY(child.waitForFinished(1000));
    QVERIFY(Clock::now() - start < std::chrono::seconds(1));
    client.join();
}

void loopbackIsAnAddress() {
    for (const char* host : {"127.0.0.1", "127.1.2.3", "::1", "::ffff:127.0.0.1", "localhost"})
        QVERIFY2(isLoopbackHost(host), host);
    for (const char* host : {"127.evil.example", "127.0.0.1.nip.io", "1270::1", "0.0.0.0", "::"})
        QVERIFY2(!isLoopbackHost(host), host);
}

const struct {
    const char* fault;
    void (*check)();
} kRows[] = {
    {"1 deep JSON", deepJsonIsRefused},
    {"2 chunked body past the cap", chunkedBodyIsCapped},
    {"3 slow clients hold every thread", slowClientsLeaveRoom},
    {"4 upstream reply without a size cap", hugeUpstreamReplyIsCut},
    {"5 dripping upstream outlives the limit", drippingUpstreamMeetsTheDeadline},
    {"6 key cut in half or echoed", keyIsMaskedWhereverItIs},
    {"7 raw path in the log", loggedPathsAreEscaped},
    {"8 children inherit secrets", childrenGetNoSecrets},
    {"9 short tokens, unlimited guessing, scheme case", tokensAndLogins},
    {"10 app's child outlives the app", appChildEndsWithTheApp},
    {"11 loopback by text prefix", loopbackIsAnAddress},
};

} // namespace

class RegressionTest : public QObject {
    Q_OBJECT
private slots:
    void fault_data() {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(kRows)); ++i)
            QTest::newRow(kRows[i].fault) << i;
    }
    void fault() {
        QFETCH(int, row);
        kRows[row].check();
    }
};

QTEST_GUILESS_MAIN(RegressionTest)
#include "regression_test.moc"
