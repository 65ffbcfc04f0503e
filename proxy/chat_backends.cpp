#include "chat_backends.h"

#include "builtin_writer.h"
#include "situation.h"
#include "upstream.h"

#include <nlohmann/json.hpp>

namespace vorn::proxy {

using nlohmann::json;

std::string estimateNeedsModelText(const std::string& configPath) {
    return std::string(kEstimateNeedsModel) + " Add these two lines to " +
           (configPath.empty() ? std::string("vorn-proxy's configuration file") : configPath) +
           ", then restart Vorn:\n\nchat_backend = openai\nopenai_key = YOUR-OPENAI-KEY";
}

Reply BuiltinChat::chat(const ChatRequest& request) {
    if (isEstimateRequest(request))
        return Reply::text(503, estimateNeedsModelText(m_configPath));
    const Situation situation = readSituation(request);
    std::string text;
    {
        std::lock_guard lock(m_mutex);
        text = writeMessage(situation, m_random, &m_recent);
    }
    return {200, "application/json", completionBody("vorn-builtin", text)};
}

bool wantsMaxCompletionTokens(const std::string& model, const std::vector<std::string>& patterns) {
    for (const std::string& pattern : patterns) {
        if (!pattern.empty() && pattern.back() == '*') {
            if (model.rfind(pattern.substr(0, pattern.size() - 1), 0) == 0)
                return true;
        } else if (model == pattern) {
            return true;
        }
    }
    return false;
}

std::string upstreamChatBody(const ChatRequest& request, const Config& config) {
    const std::string model = config.openaiModel.empty() ? request.model : config.openaiModel;
    json messages = json::array();
    for (const ChatMessage& message : request.messages)
        messages.push_back({{"role", message.role}, {"content", message.content}});
    json body = {{"model", model}, {"messages", std::move(messages)}};
    if (request.temperature)
        body["temperature"] = *request.temperature;
    if (request.maxTokens)
        body[wantsMaxCompletionTokens(model, config.maxCompletionTokensModels) ? "max_completion_tokens"
                                                                               : "max_tokens"] =
            *request.maxTokens;
    if (request.responseFormat)
        body["response_format"] = *request.responseFormat;
    for (const auto& [name, value] : request.options.items())
        body[name] = value;
    if (request.stream)
        body["stream"] = true;
    return body.dump(-1, ' ', false, json::error_handler_t::replace);
}

namespace {

Upstream modelServer(const Config& config) {
    return {config.openaiBaseUrl, config.openaiKey, config.upstreamTimeout, "model server",
            kMaxChatReplyBytes};
}

} // namespace

UpstreamResult OpenAIChat::stream(const ChatRequest& request, const UpstreamSink& sink) {
    const Upstream upstream = modelServer(m_config);
    UpstreamResult result =
        postJson(upstream, "/chat/completions", upstreamChatBody(request, m_config), &sink);
    if (!result.failure && result.status != 200)
        result.failure = Reply::text(502, describeUpstreamError(upstream, result.status, result.body));
    return result;
}

Reply OpenAIChat::chat(const ChatRequest& request) {
    const Upstream upstream = modelServer(m_config);
    ChatRequest plain = request;
    plain.stream = false;
    const std::string body = upstreamChatBody(plain, m_config);
    UpstreamResult result = postJson(upstream, "/chat/completions", body);
    if (result.failure)
        return *result.failure;
    if (result.status != 200)
        return Reply::text(502, describeUpstreamError(upstream, result.status, result.body));

    // Only the first choice's text goes back, in a completion of our own making.
    const json doc = json::parse(result.body, nullptr, false);
    const json* content = nullptr;
    if (doc.is_object() && doc.contains("choices") && doc["choices"].is_array() && !doc["choices"].empty()) {
        const json& first = doc["choices"][0];
        if (first.is_object() && first.contains("message") && first["message"].is_object() &&
            first["message"].contains("content"))
            content = &first["message"]["content"];
    }
    if (!content)
        return Reply::text(502, "The model server answered with something that is not a chat completion.");
    if (!content->is_string() || content->get<std::string>().empty())
        return Reply::text(502, "The model server answered without any text.");
    std::string model = request.model;
    if (doc.contains("model") && doc["model"].is_string())
        model = doc["model"].get<std::string>();
    return {200, "application/json", completionBody(model, content->get<std::string>())};
}

} // namespace vorn::proxy
