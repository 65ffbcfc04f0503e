#pragma once

#include "chat_request.h"
#include "config.h"
#include "reply.h"

#include <mutex>
#include <random>

namespace vorn::proxy {

inline constexpr const char* kEstimateNeedsModel =
    "AI Estimate needs a language model. Set an upstream in vorn-proxy's configuration.";

class ChatBackend {
public:
    virtual ~ChatBackend() = default;
    virtual Reply chat(const ChatRequest& request) = 0;
};

// Vorn's own offline writer: answers in the persona of the request's mode
// from phrase banks; refuses the timeline estimate, which needs a model.
class BuiltinChat : public ChatBackend {
public:
    explicit BuiltinChat(unsigned seed = std::random_device{}()) : m_random(seed) {}
    Reply chat(const ChatRequest& request) override;

private:
    std::mutex m_mutex;
    std::mt19937 m_random;
};

// Any OpenAI-compatible chat-completions server.
class OpenAIChat : public ChatBackend {
public:
    explicit OpenAIChat(const Config& config) : m_config(config) {}
    Reply chat(const ChatRequest& request) override;

private:
    Config m_config;
};

// The body sent upstream: only the fields the app uses, the model override
// applied, max_tokens renamed for the models configured to need it.
std::string upstreamChatBody(const ChatRequest& request, const Config& config);

bool wantsMaxCompletionTokens(const std::string& model, const std::vector<std::string>& patterns);

} // namespace vorn::proxy
