#pragma once

// vorn-proxy under test on a free loopback port, and what its tests share:
// tokens, configurations, upstream answers as raw HTTP.
#include "server.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <string>
#include <thread>

namespace proxytest {

using nlohmann::json;
using vorn::proxy::Config;
using vorn::proxy::ProxyServer;
using vorn::proxy::RateLimiter;

inline const std::string kClientToken = "client-token-0123456789";
inline const std::string kUpstreamKey = "sk-upstream-secret-key";

inline Config baseConfig() {
    Config config;
    config.listenHost = "127.0.0.1";
    config.listenPort = 0;
    config.tokens = {kClientToken};
    config.rateLimitPerMinute = 6000;
    config.rateLimitBurst = 1000;
    config.failedLoginBurst = 1000;
    config.threads = 4;
    config.upstreamTimeout = std::chrono::milliseconds(400);
    return config;
}

// The proxy under test on a free port.
struct Proxy {
    ProxyServer server;
    int port;
    std::thread thread;
    explicit Proxy(const Config& config, RateLimiter::Clock clock = &std::chrono::steady_clock::now)
        : server(config, vorn::proxy::makeBackends(config), std::move(clock)), port(server.bind()),
          thread([this] { server.listen(); }) {}
    ~Proxy() {
        server.stop();
        thread.join();
    }

    // A POST of `body`, or a GET without one.
    httplib::Result send(const std::string& path, const std::string& body,
                         const std::string& token = kClientToken, const std::string& scheme = "Bearer ") {
        httplib::Client client("127.0.0.1", port);
        client.set_read_timeout(std::chrono::seconds(10));
        httplib::Headers headers;
        if (!token.empty())
            headers.emplace("Authorization", scheme + token);
        return body.empty() ? client.Get(path, headers)
                            : client.Post(path, headers, body, "application/json");
    }
};

inline std::string completion(const std::string& content) {
    return json{{"choices", json::array({{{"message", {{"role", "assistant"}, {"content", content}}}}})}}
        .dump();
}

inline std::string gzip(const std::string& text) {
    std::string out;
    httplib::detail::gzip_compressor().compress(text.data(), text.size(), true,
                                                [&](const char* data, size_t n) {
                                                    out.append(data, n);
                                                    return true;
                                                });
    return out;
}

// Every upstream at `port`, each with the key.
inline Config upstreamConfig(int port) {
    Config config = baseConfig();
    config.chatBackend = "openai";
    config.openaiBaseUrl = config.speechBaseUrl = "http://127.0.0.1:" + std::to_string(port) + "/v1";
    config.fishaudioBaseUrl = "http://127.0.0.1:" + std::to_string(port);
    config.openaiKey = config.fishaudioKey = config.speechKey = kUpstreamKey;
    config.speechModel = "speech-model";
    config.speechVoice = "some-voice";
    return config;
}

inline std::string httpReply(const std::string& status, const std::string& headers, const std::string& body) {
    return "HTTP/1.1 " + status + "\r\n" + headers + "Content-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

inline const json kAppMessages =
    json::array({{{"role", "system"}, {"content", "You are Vorn in Demon Mode."}},
                 {{"role", "user"}, {"content", "Write Vorn's message now."}}});

} // namespace proxytest
