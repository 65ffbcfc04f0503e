#include "chat_request.h"

namespace vorn::proxy {

using nlohmann::json;

ChatRequestParse parseChatRequest(const std::string& body) {
    ChatRequestParse result;
    const json doc = json::parse(body, nullptr, false);
    if (doc.is_discarded() || !doc.is_object()) {
        result.error = "The request body is not a JSON object.";
        return result;
    }
    ChatRequest request;
    if (auto it = doc.find("model"); it != doc.end()) {
        if (!it->is_string()) {
            result.error = "\"model\" must be a string.";
            return result;
        }
        request.model = it->get<std::string>();
    }
    const auto messages = doc.find("messages");
    if (messages == doc.end() || !messages->is_array() || messages->empty()) {
        result.error = "\"messages\" must be a non-empty array.";
        return result;
    }
    for (const json& message : *messages) {
        const auto role = message.find("role");
        const auto content = message.find("content");
        if (!message.is_object() || role == message.end() || !role->is_string() || content == message.end() ||
            !content->is_string()) {
            result.error = "Every message needs a string \"role\" and \"content\".";
            return result;
        }
        request.messages.push_back({role->get<std::string>(), content->get<std::string>()});
    }
    if (auto it = doc.find("temperature"); it != doc.end()) {
        if (!it->is_number()) {
            result.error = "\"temperature\" must be a number.";
            return result;
        }
        request.temperature = it->get<double>();
    }
    if (auto it = doc.find("max_tokens"); it != doc.end()) {
        if (!it->is_number_integer()) {
            result.error = "\"max_tokens\" must be a whole number.";
            return result;
        }
        request.maxTokens = it->get<long long>();
    }
    if (auto it = doc.find("response_format"); it != doc.end()) {
        if (!it->is_object()) {
            result.error = "\"response_format\" must be an object.";
            return result;
        }
        request.responseFormat = *it;
    }
    result.request = std::move(request);
    return result;
}

std::string completionBody(const std::string& model, const std::string& content) {
    const json body = {
        {"object", "chat.completion"},
        {"model", model},
        {"choices", json::array({{{"index", 0},
                                  {"message", {{"role", "assistant"}, {"content", content}}},
                                  {"finish_reason", "stop"}}})},
    };
    return body.dump(-1, ' ', false, json::error_handler_t::replace);
}

SpeechRequestParse parseSpeechRequest(const std::string& body) {
    SpeechRequestParse result;
    const json doc = json::parse(body, nullptr, false);
    if (doc.is_discarded() || !doc.is_object()) {
        result.error = "The request body is not a JSON object.";
        return result;
    }
    const auto text = doc.find("text");
    if (text == doc.end() || !text->is_string()) {
        result.error = "\"text\" must be a string.";
        return result;
    }
    SpeechRequest request;
    request.text = text->get<std::string>();
    if (auto it = doc.find("reference_id"); it != doc.end() && it->is_string())
        request.referenceId = it->get<std::string>();
    result.request = std::move(request);
    return result;
}

} // namespace vorn::proxy
