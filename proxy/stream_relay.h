#pragma once

#include "chat_backends.h"

#include <optional>

namespace httplib {
struct Response;
}

namespace vorn::proxy {

// Relays a streamed completion from the upstream to the client as its events
// arrive. Returns the reply to send instead when the upstream did not start
// a 200 stream; a failure after the start ends the stream with an error event.
std::optional<Reply> relayStream(ChatBackend& backend, const ChatRequest& request, httplib::Response& res);

} // namespace vorn::proxy
