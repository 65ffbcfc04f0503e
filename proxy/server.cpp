#include "server.h"

#include "connection_guard.h"
#include "stream_relay.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include <sys/socket.h>

namespace vorn::proxy {

using nlohmann::json;

namespace {

bool isStandardPath(const std::string& path) {
    return path.rfind("/v1/", 0) == 0;
}

// Answers in the route's own dialect: OpenAI clients read errors as
// {"error": {"message", "type"}}, the app reads plain text.
void send(const httplib::Request& req, httplib::Response& res, const Reply& reply) {
    res.status = reply.status;
    if (reply.status >= 400 && isStandardPath(req.path) && reply.contentType.rfind("text/plain", 0) == 0) {
        const char* type = reply.status == 401   ? "authentication_error"
                           : reply.status == 429 ? "rate_limit_exceeded"
                           : reply.status < 500  ? "invalid_request_error"
                                                 : "server_error";
        const json body = {{"error", {{"message", reply.body}, {"type", type}, {"code", nullptr}}}};
        res.set_content(body.dump(-1, ' ', false, json::error_handler_t::replace), "application/json");
        return;
    }
    res.set_content(reply.body, reply.contentType.c_str());
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::uint64_t contentLength(const httplib::Request& req) {
    return std::strtoull(req.get_header_value("Content-Length").c_str(), nullptr, 10);
}

const char* const kBodyRoutes[] = {"/api/openai/chat", "/api/fish-audio/tts", "/v1/chat/completions",
                                   "/v1/audio/speech"};

bool isBodyRoute(const httplib::Request& req) {
    if (req.method != "POST")
        return false;
    for (const char* route : kBodyRoutes)
        if (req.path == route)
            return true;
    return false;
}

enum class BodyRead { ok, tooLarge, failed };

// Reads the body as it arrives, chunked or not, and stops at `cap` bytes.
BodyRead readBody(const httplib::Request& req, const httplib::ContentReader& reader, std::size_t cap,
                  std::string& body) {
    if (contentLength(req) > cap)
        return BodyRead::tooLarge;
    bool tooLarge = false;
    const bool read = reader([&](const char* data, std::size_t size) {
        if (body.size() + size > cap) {
            tooLarge = true;
            return false;
        }
        body.append(data, size);
        return true;
    });
    return tooLarge ? BodyRead::tooLarge : read ? BodyRead::ok : BodyRead::failed;
}

std::size_t addressKey(const std::string& address) {
    return std::hash<std::string>{}(address);
}

} // namespace

std::string escapedForLog(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F || c == '\\') {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02X", c);
            out += code;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

Backends makeBackends(const Config& config) {
    Backends backends;
    if (config.chatBackend == "openai")
        backends.chat = std::make_unique<OpenAIChat>(config);
    else
        backends.chat = std::make_unique<BuiltinChat>(std::random_device{}(), config.configFile);
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
      m_limiter(config.rateLimitPerMinute, config.rateLimitBurst, clock),
      m_failedLogins(config.failedLoginsPerMinute, config.failedLoginBurst, clock) {
    ConnectionLimits limits;
    limits.requestReadTimeout = m_config.requestReadTimeout;
    limits.perClient = static_cast<std::size_t>(m_config.maxConnectionsPerClient);
    if (!m_config.tlsCert.empty())
        m_http = std::make_unique<GuardedSslServer>(limits, m_config.tlsCert, m_config.tlsKey);
    else
        m_http = std::make_unique<GuardedServer>(limits);
    const auto idle = static_cast<std::size_t>(m_config.threads);
    const auto most = static_cast<std::size_t>(m_config.maxConnections);
    m_http->new_task_queue = [idle, most] { return new ElasticPool(idle, most); };
    m_http->set_payload_max_length(m_config.maxBodyBytes);
    m_http->set_keep_alive_max_count(1000);
    m_http->set_read_timeout(m_config.requestReadTimeout);
    // The library listens with a backlog of 5, which drops connections (and
    // costs a one-second SYN retry) when dozens of clients connect at once;
    // bind() listens again on the same socket with a deeper queue.
    m_http->set_socket_options([this](int socket) {
        httplib::default_socket_options(socket);
        m_listenSocket = socket;
    });
    installRoutes();
    installBodyRoutes();
}

ProxyServer::~ProxyServer() = default;

void ProxyServer::installRoutes() {
    m_http->set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        // An address that keeps presenting wrong tokens is turned away first,
        // so that guessing stays slow even for a right guess.
        const std::size_t client = addressKey(req.remote_addr);
        if (!m_failedLogins.available(client)) {
            res.set_header("Retry-After", "60");
            send(req, res, Reply::text(429, "Too many failed logins from this address; try again later."));
            return httplib::Server::HandlerResponse::Handled;
        }
        const auto token = m_tokens.match(req.get_header_value("Authorization"));
        if (!token) {
            m_failedLogins.allow(client);
            res.set_header("WWW-Authenticate", "Bearer");
            send(req, res, Reply::text(401, "Missing or wrong proxy token."));
            return httplib::Server::HandlerResponse::Handled;
        }
        if (!m_limiter.allow(*token)) {
            res.set_header("Retry-After", "10");
            send(req, res, Reply::text(429, "Too many requests to vorn-proxy; try again shortly."));
            return httplib::Server::HandlerResponse::Handled;
        }
        // Only the body routes read a body, and they cap it while reading.
        if (!isBodyRoute(req) && (req.has_header("Transfer-Encoding") || contentLength(req) > 0)) {
            res.set_header("Connection", "close");
            send(req, res,
                 Reply::text(req.method == "POST" ? 404 : 400,
                             req.method == "POST" ? "No such route." : "This route takes no body."));
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });

    m_http->set_error_handler([this](const httplib::Request& req, httplib::Response& res) {
        if (!res.body.empty())
            return;
        if (res.status == 413)
            send(req, res,
                 Reply::text(413, "The request body is larger than " +
                                      std::to_string(m_config.maxBodyBytes / 1024) + " KiB."));
        else if (res.status == 404)
            send(req, res, Reply::text(404, "No such route."));
        else
            send(req, res, Reply::text(res.status, "The request could not be handled."));
    });
    m_http->set_exception_handler(
        [](const httplib::Request& req, httplib::Response& res, std::exception_ptr) {
            send(req, res, Reply::text(500, "vorn-proxy failed on this request."));
        });
    m_http->set_logger([](const httplib::Request& req, const httplib::Response& res) {
        if (res.status >= 400)
            std::cerr << "vorn-proxy: " << escapedForLog(req.remote_addr) << ' ' << escapedForLog(req.method)
                      << ' ' << escapedForLog(req.path) << " -> " << res.status << '\n';
    });

    m_http->Get("/healthz", [this](const httplib::Request& req, httplib::Response& res) {
        const json body = {
            {"status", "ok"}, {"chat", m_config.chatBackend}, {"voice", m_config.voiceBackend}};
        send(req, res, {200, "application/json", body.dump()});
    });

    m_http->Get("/v1/models", [this](const httplib::Request& req, httplib::Response& res) {
        const auto model = [](const std::string& id) {
            return json{{"id", id}, {"object", "model"}, {"created", 0}, {"owned_by", "vorn-proxy"}};
        };
        json data = json::array();
        if (m_config.chatBackend == "openai")
            data.push_back(
                model(m_config.openaiModel.empty() ? std::string("default") : m_config.openaiModel));
        else
            data.push_back(model("vorn-builtin"));
        data.push_back(model(m_config.voiceBackend == "openai-speech" ? m_config.speechModel
                                                                      : "vorn-" + m_config.voiceBackend));
        send(req, res, {200, "application/json", json{{"object", "list"}, {"data", data}}.dump()});
    });
}

void ProxyServer::installBodyRoutes() {
    // Each body route: the body read under the cap, then `handle`.
    const auto route = [this](const char* path, auto handle) {
        m_http->Post(path, [this, handle](const httplib::Request& req, httplib::Response& res,
                                          const httplib::ContentReader& reader) {
            std::string body;
            switch (readBody(req, reader, m_config.maxBodyBytes, body)) {
            case BodyRead::tooLarge:
                res.set_header("Connection", "close");
                send(req, res,
                     Reply::text(413, "The request body is larger than " +
                                          std::to_string(m_config.maxBodyBytes / 1024) + " KiB."));
                return;
            case BodyRead::failed:
                res.set_header("Connection", "close");
                send(req, res, Reply::text(400, "The request body could not be read."));
                return;
            case BodyRead::ok:
                handle(req, res, body);
            }
        });
    };

    const auto speak = [this](const httplib::Request& req, httplib::Response& res,
                              SpeechRequestParse parsed) {
        if (!parsed.request) {
            send(req, res, Reply::text(400, parsed.error));
            return;
        }
        parsed.request->text = trimmed(parsed.request->text);
        const std::size_t length = characterCount(parsed.request->text);
        if (length == 0) {
            send(req, res, Reply::text(400, "There is no text to speak."));
            return;
        }
        if (length > m_config.maxSpeechChars) {
            send(req, res,
                 Reply::text(413, "The text is too long to speak: " + std::to_string(length) +
                                      " characters, at most " + std::to_string(m_config.maxSpeechChars) +
                                      "."));
            return;
        }
        send(req, res, m_backends.speech->speak(*parsed.request));
    };

    route("/api/openai/chat",
          [this](const httplib::Request& req, httplib::Response& res, const std::string& body) {
              const ChatRequestParse parsed = parseChatRequest(body);
              if (!parsed.request) {
                  send(req, res, Reply::text(400, parsed.error));
                  return;
              }
              send(req, res, m_backends.chat->chat(*parsed.request));
          });
    route("/api/fish-audio/tts",
          [speak](const httplib::Request& req, httplib::Response& res, const std::string& body) {
              speak(req, res, parseSpeechRequest(body));
          });
    route("/v1/audio/speech",
          [speak](const httplib::Request& req, httplib::Response& res, const std::string& body) {
              speak(req, res, parseStandardSpeechRequest(body));
          });
    route("/v1/chat/completions",
          [this](const httplib::Request& req, httplib::Response& res, const std::string& body) {
              const ChatRequestParse parsed = parseChatRequest(body, true);
              if (!parsed.request) {
                  send(req, res, Reply::text(400, parsed.error));
                  return;
              }
              const ChatRequest& request = *parsed.request;
              if (request.stream && m_backends.chat->relaysStreams()) {
                  if (auto failure = relayStream(*m_backends.chat, request, res))
                      send(req, res, *failure);
                  return;
              }
              const Reply reply = m_backends.chat->chat(request);
              if (!request.stream || reply.status != 200) {
                  send(req, res, reply);
                  return;
              }
              const json doc = json::parse(reply.body, nullptr, false);
              send(req, res,
                   {200, "text/event-stream",
                    completionEvents(doc.value("model", request.model),
                                     doc["choices"][0]["message"]["content"].get<std::string>())});
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
