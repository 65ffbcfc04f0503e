#include "upstream.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <regex>

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

} // namespace

std::string redact(std::string text, const std::string& secret) {
    if (secret.size() < 4)
        return text;
    for (auto pos = text.find(secret); pos != std::string::npos; pos = text.find(secret, pos))
        text.replace(pos, secret.size(), "<redacted>");
    return text;
}

std::string describeUpstreamError(const Upstream& upstream, int status, const std::string& body) {
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
        message += ": " + shorten(detail, 300);
    return redact(message, upstream.key);
}

UpstreamResult postJson(const Upstream& upstream, const std::string& path, const std::string& body) {
    UpstreamResult result;
    const auto url = splitUrl(upstream.baseUrl);
    if (!url) {
        result.failure = Reply::text(502, "The " + upstream.name + " address is not an http(s) address.");
        return result;
    }
    httplib::Client client(url->schemeHostPort);
    client.set_follow_location(false);
    client.set_decompress(true);
    client.set_connection_timeout(upstream.timeout);
    client.set_read_timeout(upstream.timeout);
    client.set_write_timeout(upstream.timeout);

    httplib::Request request;
    request.method = "POST";
    request.path = url->prefix + path;
    request.body = body;
    request.headers.emplace("Content-Type", "application/json");
    request.headers.emplace("Accept", "application/json, audio/mpeg");
    if (!upstream.key.empty())
        request.headers.emplace("Authorization", "Bearer " + upstream.key);
    // A trickling answer must not outlive the limit either.
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + upstream.timeout;
    request.progress = [deadline](uint64_t, uint64_t) { return std::chrono::steady_clock::now() < deadline; };

    const httplib::Result answer = client.send(request);
    if (!answer) {
        const auto elapsed = std::chrono::steady_clock::now() - start;
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(upstream.timeout).count();
        const bool timedOut = answer.error() == httplib::Error::ConnectionTimeout ||
                              answer.error() == httplib::Error::Canceled ||
                              elapsed + std::chrono::milliseconds(50) >= upstream.timeout;
        if (timedOut)
            result.failure = Reply::text(504, "The " + upstream.name + " did not answer within " +
                                                  std::to_string(std::max<long long>(1, seconds)) + " s.");
        else if (answer.error() == httplib::Error::Connection)
            result.failure = Reply::text(502, "Cannot reach the " + upstream.name + ".");
        else
            result.failure = Reply::text(502, "The connection to the " + upstream.name + " failed (" +
                                                  httplib::to_string(answer.error()) + ").");
        return result;
    }
    result.status = answer->status;
    result.body = answer->body;
    return result;
}

} // namespace vorn::proxy
