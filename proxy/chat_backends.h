#pragma once

#include "builtin_writer.h"
#include "chat_request.h"
#include "config.h"
#include "reply.h"
#include "upstream.h"

#include <mutex>
#include <random>

namespace vorn::proxy {

// How the built-in writer's refusal of the timeline estimate begins; the rest
// names the configuration file and the lines to add.
inline constexpr const char* kEstimateNeedsModel = "AI Estimate needs a language model.";

// The whole refusal, for the configuration file at `configPath`.
std::string estimateNeedsModelText(const std::string& configPath);

class ChatBackend {
public:
    virtual ~ChatBackend() = default;
    virtual Reply chat(const ChatRequest& request) = 0;
    // True when stream() relays an upstream's events as they arrive; else a
    // streamed request is answered from chat() in one go.
    virtual bool relaysStreams() const { return false; }
    virtual UpstreamResult stream(const ChatRequest&, const UpstreamSink&) { return {}; }
};

// Vorn's own offline writer: answers in the persona of the request's mode
// from phrase banks; refuses the timeline estimate, which needs a model.
class BuiltinChat : public ChatBackend {
public:
    explicit BuiltinChat(unsigned seed = std::random_device{}(), std::string configPath = {})
        : m_random(seed), m_configPath(std::move(configPath)) {}
    Reply chat(const ChatRequest& request) override;

private:
    std::mutex m_mutex;
    std::mt19937 m_random;
    RecentMessages m_recent;
    std::string m_configPath;
};

// Any OpenAI-compatible chat-completions server.
class OpenAIChat : public ChatBackend {
public:
    explicit OpenAIChat(const Config& config) : m_config(config) {}
    Reply chat(const ChatRequest& request) override;
    bool relaysStreams() const override { return true; }
    // The upstream's events; a non-200 answer comes back as a failure.
    UpstreamResult stream(const ChatRequest& request, const UpstreamSink& sink) override;

private:
    Config m_config;
};

// The body sent upstream: the fields the request carries, the model override
// applied, max_tokens renamed for the models configured to need it.
std::string upstreamChatBody(const ChatRequest& request, const Config& config);

bool wantsMaxCompletionTokens(const std::string& model, const std::vector<std::string>& patterns);

} // namespace vorn::proxy
