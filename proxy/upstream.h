#pragma once

#include "reply.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace vorn::proxy {

// One upstream HTTP(S) service: its base address, its key, one deadline for
// the whole exchange and the most it may answer (counted after decoding).
struct Upstream {
    std::string baseUrl; // "https://host[:port][/prefix]"
    std::string key;     // sent as "Authorization: Bearer <key>" when not empty
    std::chrono::milliseconds timeout{50'000};
    std::string name; // in messages: "model server", "voice server"
    std::size_t maxBytes = 4 * 1024 * 1024;
};

inline constexpr std::size_t kMaxChatReplyBytes = 4 * 1024 * 1024;
inline constexpr std::size_t kMaxSpeechReplyBytes = 32 * 1024 * 1024;

// What came back: the status and body of an HTTP answer (the key masked in
// it), or a readable failure (the status to give the client and a message).
struct UpstreamResult {
    int status = 0;
    std::string contentType;
    std::string body;
    std::optional<Reply> failure;
    bool streamed = false; // a 200 answer went to the sink (maybe cut short: see failure)
};

// Where a streamed answer goes as it arrives: `start` once a 200 answer's
// headers are in (false cancels), then `write` per piece (false cancels).
// A non-200 answer is not streamed: it comes back whole in the result.
struct UpstreamSink {
    std::function<bool(const std::string& contentType)> start;
    std::function<bool(const char* data, std::size_t size)> write;
};

// POSTs a JSON body to `path` under the upstream. Redirects are not followed;
// a gzip-encoded answer is decoded; past `maxBytes` or the deadline the
// exchange is cut off (502, 504), whatever the upstream drips. Connections
// are kept and reused per upstream host. With a sink a 200 answer streams
// into it and the result's body stays empty.
UpstreamResult postJson(const Upstream& upstream, const std::string& path, const std::string& body,
                        const UpstreamSink* sink = nullptr);

// A short readable text for a non-200 answer: the provider's error message
// when its body carries one, else the status alone; the key masked.
std::string describeUpstreamError(const Upstream& upstream, int status, const std::string& body);

// `text` with every occurrence of `secret` masked.
std::string redact(std::string text, const std::string& secret);

// Masks a secret in a stream cut at arbitrary places: holds back just enough
// of the end of each piece to see a secret that straddles the next one.
class StreamRedactor {
public:
    explicit StreamRedactor(std::string secret) : m_secret(std::move(secret)) {}
    // The text that is safe to pass on now.
    std::string feed(const char* data, std::size_t size);
    // Whatever was held back, at the end of the stream.
    std::string finish();

private:
    std::string m_secret;
    std::string m_held;
};

} // namespace vorn::proxy
