#include "server.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <iostream>

#include <sys/socket.h>

namespace vorn::proxy {

namespace {

void send(httplib::Response& res, const Reply& reply) {
    res.status = reply.status;
    res.set_content(reply.body, reply.contentType.c_str());
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

} // namespace

Backends makeBackends(const Config& config) {
    Backends backends;
    if (config.chatBackend == "openai")
        backends.chat = std::make_unique<OpenAIChat>(config);
    else
        backends.chat = std::make_unique<BuiltinChat>();
    if (config.voiceBackend == "fishaudio")
        backends.speech = std::make_unique<FishAudioSpeech>(config);
    else if (config.voiceBackend == "openai-speech")
        backends.speech = std::make_unique<OpenAISpeech>(config);
    else
        backends.speech = std::make_unique<EspeakSpeech>(config);
    return backends;
}

ProxyServer::ProxyServer(const Config& config, Backends backends, RateLimiter::Clock clock)
    : m_config(config), m_backends(std::move(backends)), m_tokens(config.tokens),
      m_limiter(config.rateLimitPerMinute, config.rateLimitBurst, std::move(clock)) {
    if (!m_config.tlsCert.empty())
        m_http = std::make_unique<httplib::SSLServer>(m_config.tlsCert.c_str(), m_config.tlsKey.c_str());
    else
        m_http = std::make_unique<httplib::Server>();
    const std::size_t threads = static_cast<std::size_t>(m_config.threads);
    m_http->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    m_http->set_payload_max_length(m_config.maxBodyBytes);
    m_http->set_keep_alive_max_count(1000);
    // The library listens with a backlog of 5, which drops connections (and
    // costs a one-second SYN retry) when dozens of clients connect at once;
    // bind() listens again on the same socket with a deeper queue.
    m_http->set_socket_options([this](int socket) {
        httplib::default_socket_options(socket);
        m_listenSocket = socket;
    });
    installRoutes();
}

ProxyServer::~ProxyServer() = default;

void ProxyServer::installRoutes() {
    m_http->set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        const auto token = m_tokens.match(req.get_header_value("Authorization"));
        if (!token) {
            res.set_header("WWW-Authenticate", "Bearer");
            send(res, Reply::text(401, "Missing or wrong proxy token."));
            return httplib::Server::HandlerResponse::Handled;
        }
        if (!m_limiter.allow(*token)) {
            res.set_header("Retry-After", "10");
            send(res, Reply::text(429, "Too many requests to vorn-proxy; try again shortly."));
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });

    m_http->set_error_handler([this](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty())
            return;
        if (res.status == 413)
            send(res, Reply::text(413, "The request body is larger than " +
                                           std::to_string(m_config.maxBodyBytes / 1024) + " KiB."));
        else if (res.status == 404)
            send(res, Reply::text(404, "No such route."));
        else
            send(res, Reply::text(res.status, "The request could not be handled."));
    });
    m_http->set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
        send(res, Reply::text(500, "vorn-proxy failed on this request."));
    });
    m_http->set_logger([](const httplib::Request& req, const httplib::Response& res) {
        if (res.status >= 400)
            std::cerr << "vorn-proxy: " << req.method << ' ' << req.path << " -> " << res.status << '\n';
    });

    m_http->Get("/healthz", [this](const httplib::Request&, httplib::Response& res) {
        const nlohmann::json body = {
            {"status", "ok"}, {"chat", m_config.chatBackend}, {"voice", m_config.voiceBackend}};
        send(res, {200, "application/json", body.dump()});
    });

    m_http->Post("/api/openai/chat", [this](const httplib::Request& req, httplib::Response& res) {
        const ChatRequestParse parsed = parseChatRequest(req.body);
        if (!parsed.request) {
            send(res, Reply::text(400, parsed.error));
            return;
        }
        send(res, m_backends.chat->chat(*parsed.request));
    });

    m_http->Post("/api/fish-audio/tts", [this](const httplib::Request& req, httplib::Response& res) {
        SpeechRequestParse parsed = parseSpeechRequest(req.body);
        if (!parsed.request) {
            send(res, Reply::text(400, parsed.error));
            return;
        }
        parsed.request->text = trimmed(parsed.request->text);
        const std::size_t length = characterCount(parsed.request->text);
        if (length == 0) {
            send(res, Reply::text(400, "There is no text to speak."));
            return;
        }
        if (length > m_config.maxSpeechChars) {
            send(res, Reply::text(413, "The text is too long to speak: " + std::to_string(length) +
                                           " characters, at most " + std::to_string(m_config.maxSpeechChars) +
                                           "."));
            return;
        }
        send(res, m_backends.speech->speak(*parsed.request));
    });
}

int ProxyServer::bind() {
    int port = -1;
    if (m_config.listenPort == 0)
        port = m_http->bind_to_any_port(m_config.listenHost);
    else if (m_http->bind_to_port(m_config.listenHost, m_config.listenPort))
        port = m_config.listenPort;
    if (port >= 0 && m_listenSocket >= 0)
        ::listen(m_listenSocket, kListenBacklog);
    return port;
}

bool ProxyServer::listen() {
    return m_http->listen_after_bind();
}

void ProxyServer::stop() {
    m_http->stop();
}

bool ProxyServer::isValid() const {
    return m_http->is_valid();
}

bool ProxyServer::isRunning() const {
    return m_http->is_running();
}

} // namespace vorn::proxy
