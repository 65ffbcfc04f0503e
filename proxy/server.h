#pragma once

#include "auth.h"
#include "chat_backends.h"
#include "config.h"
#include "speech_backends.h"

#include <memory>
#include <string>

namespace httplib {
class Server;
}

namespace vorn::proxy {

struct Backends {
    std::unique_ptr<ChatBackend> chat;
    std::unique_ptr<SpeechBackend> speech;
};

// The back ends the configuration names.
Backends makeBackends(const Config& config);

// `text` fit for one log line: control bytes and backslashes escaped.
std::string escapedForLog(const std::string& text);

// The HTTP(S) server with its routes: Vorn's own (POST /api/openai/chat,
// POST /api/fish-audio/tts), the OpenAI ones (POST /v1/chat/completions,
// POST /v1/audio/speech, GET /v1/models) and GET /healthz, each behind the
// bearer token and the rate limits, bodies capped at max_body_bytes.
class ProxyServer {
public:
    ProxyServer(const Config& config, Backends backends,
                RateLimiter::Clock clock = &std::chrono::steady_clock::now);
    ~ProxyServer();

    // False when the TLS certificate or key could not be loaded.
    bool isValid() const;
    // Binds the listen address; returns the port, or -1 when it cannot.
    int bind();
    // Serves until stop(); false when the server could not run.
    bool listen();
    void stop();
    // True once listen() has started accepting.
    bool isRunning() const;

private:
    void installRoutes();
    void installBodyRoutes();

    Config m_config;
    Backends m_backends;
    TokenCheck m_tokens;
    RateLimiter m_limiter;
    RateLimiter m_failedLogins; // per client address
    std::unique_ptr<httplib::Server> m_http;
    int m_listenSocket = -1;
    static constexpr int kListenBacklog = 512;
};

} // namespace vorn::proxy
