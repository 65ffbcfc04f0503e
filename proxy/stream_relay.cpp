#include "stream_relay.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace vorn::proxy {

namespace {

// Between the thread that talks to the upstream and the server's writer.
struct Relay {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::string> pieces;
    std::string contentType;
    bool started = false;
    bool finished = false;
    bool cancelled = false;
    std::optional<Reply> failure;
    std::thread upstream;

    void end() {
        {
            std::lock_guard lock(mutex);
            cancelled = true;
        }
        changed.notify_all();
        if (upstream.joinable())
            upstream.join();
    }
};

std::string errorEvent(const Reply& failure) {
    const nlohmann::json body = {
        {"error", {{"message", failure.body}, {"type", "server_error"}, {"code", nullptr}}}};
    return "data: " + body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n\n";
}

} // namespace

std::optional<Reply> relayStream(ChatBackend& backend, const ChatRequest& request, httplib::Response& res) {
    auto relay = std::make_shared<Relay>();
    UpstreamSink sink;
    sink.start = [relay](const std::string& contentType) {
        std::lock_guard lock(relay->mutex);
        relay->started = true;
        relay->contentType = contentType;
        relay->changed.notify_all();
        return !relay->cancelled;
    };
    sink.write = [relay](const char* data, std::size_t size) {
        std::lock_guard lock(relay->mutex);
        if (relay->cancelled)
            return false;
        relay->pieces.emplace_back(data, size);
        relay->changed.notify_all();
        return true;
    };
    relay->upstream = std::thread([relay, sink, request, &backend] {
        UpstreamResult result = backend.stream(request, sink);
        std::lock_guard lock(relay->mutex);
        relay->failure = std::move(result.failure);
        relay->finished = true;
        relay->changed.notify_all();
    });

    {
        std::unique_lock lock(relay->mutex);
        relay->changed.wait(lock, [&] { return relay->started || relay->finished; });
        if (!relay->started) {
            lock.unlock();
            relay->upstream.join();
            return relay->failure.value_or(Reply::text(502, "The model server did not answer."));
        }
    }
    res.status = 200;
    res.set_header("Cache-Control", "no-cache");
    res.set_chunked_content_provider(
        "text/event-stream",
        [relay](std::size_t, httplib::DataSink& out) {
            std::unique_lock lock(relay->mutex);
            relay->changed.wait(lock, [&] { return !relay->pieces.empty() || relay->finished; });
            while (!relay->pieces.empty()) {
                const std::string piece = std::move(relay->pieces.front());
                relay->pieces.pop_front();
                lock.unlock();
                if (!out.write(piece.data(), piece.size()))
                    return false;
                lock.lock();
            }
            if (relay->finished) {
                const std::optional<Reply> failure = relay->failure;
                lock.unlock();
                if (failure) {
                    const std::string event = errorEvent(*failure);
                    out.write(event.data(), event.size());
                }
                out.done();
            }
            return true;
        },
        [relay](bool) { relay->end(); });
    return std::nullopt;
}

} // namespace vorn::proxy
