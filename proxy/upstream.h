#pragma once

#include "reply.h"

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vorn::proxy {

// One upstream HTTP(S) service: its base address, its key and a time limit
// for the whole exchange.
struct Upstream {
    std::string baseUrl; // "https://host[:port][/prefix]"
    std::string key;     // sent as "Authorization: Bearer <key>" when not empty
    std::chrono::milliseconds timeout{50'000};
    std::string name; // in messages: "model server", "voice server"
};

// What came back: the status and body of an HTTP answer, or a readable
// failure (the status to give the app and a message) when there was none.
struct UpstreamResult {
    int status = 0;
    std::string body;
    std::optional<Reply> failure;
};

// POSTs a JSON body to `path` under the upstream. Redirects are not followed;
// a gzip-encoded answer is decoded. The key never appears in a failure.
UpstreamResult postJson(const Upstream& upstream, const std::string& path, const std::string& body);

// A short readable text for a non-200 answer: the provider's error message
// when its body carries one, else the status alone; the key masked.
std::string describeUpstreamError(const Upstream& upstream, int status, const std::string& body);

// `text` with every occurrence of `secret` masked.
std::string redact(std::string text, const std::string& secret);

} // namespace vorn::proxy
