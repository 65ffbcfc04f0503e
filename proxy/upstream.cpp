#include "upstream.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <regex>
#include <thread>
#include <vector>

namespace vorn::proxy {

namespace {

struct SplitUrl {
    std::string schemeHostPort;
    std::string prefix;
};

std::optional<SplitUrl> splitUrl(const std::string& url) {
    static const std::regex shape(R"(^(https?://[^/]+)(/.*)?$)");
    std::smatch m;
    if (!std::regex_match(url, m, shape))
        return std::nullopt;
    std::string prefix = m[2];
    while (!prefix.empty() && prefix.back() == '/')
        prefix.pop_back();
    return SplitUrl{m[1], prefix};
}

std::string shorten(std::string text, std::size_t limit) {
    if (text.size() > limit) {
        text.resize(limit);
        // Do not cut a UTF-8 sequence in half.
        while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80)
            text.pop_back();
        if (!text.empty() && (static_cast<unsigned char>(text.back()) & 0x80))
            text.pop_back();
        text += "…";
    }
    return text;
}

bool isReadableText(const std::string& text) {
    for (unsigned char c : text) {
        if (c < 0x20 && c != '\n' && c != '\t' && c != '\r')
            return false;
    }
    return !text.empty();
}

// Idle keep-alive clients per upstream host, so that a request does not pay
// for a new connection and TLS handshake. A client serves one exchange at a
// time; busy ones are not shared.
class ClientPool {
public:
    std::unique_ptr<httplib::Client> take(const std::string& schemeHostPort) {
        {
            std::lock_guard lock(m_mutex);
            auto& idle = m_idle[schemeHostPort];
            if (!idle.empty()) {
                auto client = std::move(idle.back());
                idle.pop_back();
                return client;
            }
        }
        auto client = std::make_unique<httplib::Client>(schemeHostPort);
        client->set_follow_location(false);
        client->set_decompress(true);
        client->set_keep_alive(true);
        return client;
    }
    void give(const std::string& schemeHostPort, std::unique_ptr<httplib::Client> client) {
        std::lock_guard lock(m_mutex);
        auto& idle = m_idle[schemeHostPort];
        if (idle.size() < kMaxIdle)
            idle.push_back(std::move(client));
    }

private:
    static constexpr std::size_t kMaxIdle = 16;
    std::mutex m_mutex;
    std::map<std::string, std::vector<std::unique_ptr<httplib::Client>>> m_idle;
};

ClientPool& clientPool() {
    static ClientPool pool;
    return pool;
}

// Stops a client's exchange at a deadline, whatever it is waiting for.
class Watchdog {
public:
    Watchdog(httplib::Client& client, std::chrono::steady_clock::time_point deadline)
        : m_thread([this, &client, deadline] {
              std::unique_lock lock(m_mutex);
              if (!m_done.wait_until(lock, deadline, [this] { return m_finished; })) {
                  m_fired = true;
                  client.stop();
              }
          }) {}
    ~Watchdog() { finish(); }
    // Ends the watch; true when the deadline had already cut the exchange.
    bool finish() {
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_all();
        if (m_thread.joinable())
            m_thread.join();
        return m_fired;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    bool m_fired = false;
    std::thread m_thread;
};

std::string megabytes(std::size_t bytes) {
    return std::to_string(bytes / (1024 * 1024)) + " MB";
}

} // namespace

std::string redact(std::string text, const std::string& secret) {
    if (secret.size() < 4)
        return text;
    for (auto pos = text.find(secret); pos != std::string::npos; pos = text.find(secret, pos))
        text.replace(pos, secret.size(), "<redacted>");
    return text;
}

std::string StreamRedactor::feed(const char* data, std::size_t size) {
    m_held.append(data, size);
    if (m_secret.size() < 4) {
        std::string out;
        out.swap(m_held);
        return out;
    }
    m_held = redact(std::move(m_held), m_secret);
    const std::size_t keep = std::min(m_held.size(), m_secret.size() - 1);
    std::string out = m_held.substr(0, m_held.size() - keep);
    m_held.erase(0, m_held.size() - keep);
    return out;
}

std::string StreamRedactor::finish() {
    std::string out;
    out.swap(m_held);
    return out;
}

std::string describeUpstreamError(const Upstream& upstream, int status, const std::string& rawBody) {
    // Masked before anything is cut, so that no cut leaves part of the key.
    const std::string body = redact(rawBody, upstream.key);
    std::string detail;
    const auto doc = nlohmann::json::parse(body, nullptr, false);
    if (!doc.is_discarded() && doc.is_object()) {
        if (auto e = doc.find("error"); e != doc.end()) {
            if (e->is_object() && e->contains("message") && (*e)["message"].is_string())
                detail = (*e)["message"].get<std::string>();
            else if (e->is_string())
                detail = e->get<std::string>();
        } else if (auto m = doc.find("message"); m != doc.end() && m->is_string()) {
            detail = m->get<std::string>();
        } else if (auto d = doc.find("detail"); d != doc.end() && d->is_string()) {
            detail = d->get<std::string>();
        }
    } else if (doc.is_discarded() && body.size() < 400 && isReadableText(body) &&
               body.find('<') == std::string::npos) {
        detail = body;
    }
    std::string message = "The " + upstream.name + " answered " + std::to_string(status);
    if (!detail.empty())
        message += ": " + shorten(redact(detail, upstream.key), 300);
    return message;
}

UpstreamResult postJson(const Upstream& upstream, const std::string& path, const std::string& body,
                        const UpstreamSink* sink) {
    UpstreamResult result;
    const auto url = splitUrl(upstream.baseUrl);
    if (!url) {
        result.failure = Reply::text(502, "The " + upstream.name + " address is not an http(s) address.");
        return result;
    }
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + upstream.timeout;
    std::unique_ptr<httplib::Client> client = clientPool().take(url->schemeHostPort);
    client->set_connection_timeout(upstream.timeout);
    client->set_read_timeout(upstream.timeout);
    client->set_write_timeout(upstream.timeout);

    httplib::Request request;
    request.method = "POST";
    request.path = url->prefix + path;
    request.body = body;
    request.headers.emplace("Content-Type", "application/json");
    request.headers.emplace("Accept",
                            sink ? "text/event-stream, application/json" : "application/json, audio/mpeg");
    if (!upstream.key.empty())
        request.headers.emplace("Authorization", "Bearer " + upstream.key);

    bool streaming = false;
    bool tooLarge = false;
    bool sinkGone = false;
    std::size_t received = 0;
    StreamRedactor redactor(upstream.key);
    request.response_handler = [&](const httplib::Response& response) {
        result.status = response.status;
        result.contentType = response.get_header_value("Content-Type");
        if (sink && response.status == 200) {
            streaming = true;
            sinkGone = !sink->start(result.contentType);
            return !sinkGone;
        }
        return true;
    };
    request.content_receiver = [&](const char* data, std::size_t size, uint64_t, uint64_t) {
        received += size;
        if (received > upstream.maxBytes) {
            tooLarge = true;
            return false;
        }
        if (!streaming) {
            result.body.append(data, size);
            return true;
        }
        const std::string safe = redactor.feed(data, size);
        if (!safe.empty() && !sink->write(safe.data(), safe.size()))
            sinkGone = true;
        return !sinkGone;
    };

    Watchdog watchdog(*client, deadline);
    const httplib::Result answer = client->send(request);
    // The read timeout and the watchdog race for the same moment; whichever wins, a
    // failure that ends past the deadline is the upstream's silence, not a broken answer.
    const bool cutByDeadline =
        watchdog.finish() || (!answer && std::chrono::steady_clock::now() >= deadline);
    if (answer && !tooLarge && !cutByDeadline)
        clientPool().give(url->schemeHostPort, std::move(client));

    if (streaming && !tooLarge && !cutByDeadline && !sinkGone) {
        const std::string rest = redactor.finish();
        if (!rest.empty())
            sink->write(rest.data(), rest.size());
    }
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(upstream.timeout).count();
    if (tooLarge)
        result.failure = Reply::text(502, "The " + upstream.name + " answered with more than " +
                                              megabytes(upstream.maxBytes) + "; the answer was dropped.");
    else if (cutByDeadline || (!answer && answer.error() == httplib::Error::ConnectionTimeout))
        result.failure = Reply::text(504, "The " + upstream.name + " did not answer within " +
                                              std::to_string(std::max<long long>(1, seconds)) + " s.");
    else if (sinkGone)
        result.failure = Reply::text(499, "The client went away.");
    else if (!answer && answer.error() == httplib::Error::Connection)
        result.failure = Reply::text(502, "Cannot reach the " + upstream.name + ".");
    else if (!answer)
        result.failure = Reply::text(502, "The connection to the " + upstream.name + " failed (" +
                                              httplib::to_string(answer.error()) + ").");
    result.streamed = streaming;
    if (result.failure) {
        result.body.clear();
        return result;
    }
    result.body = redact(std::move(result.body), upstream.key);
    return result;
}

} // namespace vorn::proxy
