#pragma once

#include <string>

namespace vorn::proxy {

// What a route answers. Headers are always the proxy's own: a status, a
// content type and the body, never anything copied from an upstream.
struct Reply {
    int status = 200;
    std::string contentType = "application/json";
    std::string body;

    static Reply text(int status, std::string message) {
        return {status, "text/plain; charset=utf-8", std::move(message)};
    }
};

} // namespace vorn::proxy
