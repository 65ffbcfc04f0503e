#include "chat_request.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <string_view>

namespace vorn::proxy {

using nlohmann::json;

namespace {

// Message content as text: a string, or the text parts of a list of parts.
std::optional<std::string> contentText(const json& content, bool standard) {
    if (content.is_string())
        return content.get<std::string>();
    if (!standard || !content.is_array())
        return std::nullopt;
    std::string text;
    for (const json& part : content) {
        if (!part.is_object() || part.value("type", "") != "text" || !part.contains("text") ||
            !part["text"].is_string())
            return std::nullopt;
        text += part["text"].get<std::string>();
    }
    return text;
}

std::string completionId() {
    static std::atomic<unsigned long long> next{1};
    return "chatcmpl-vorn-" + std::to_string(next++);
}

long long now() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string dumpSafe(const json& value) {
    return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

} // namespace

bool jsonDepthWithin(const std::string& text, int limit) {
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit)
                return false;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return true;
}

ChatRequestParse parseChatRequest(const std::string& body, bool standard) {
    ChatRequestParse result;
    if (!jsonDepthWithin(body)) {
        result.error = "The request body nests deeper than " + std::to_string(kMaxJsonDepth) + " levels.";
        return result;
    }
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
        const auto role = message.is_object() ? message.find("role") : message.end();
        const auto content = message.is_object() ? message.find("content") : message.end();
        std::optional<std::string> text;
        if (role != message.end() && role->is_string() && content != message.end())
            text = contentText(*content, standard);
        if (!text) {
            result.error = "Every message needs a string \"role\" and text \"content\".";
            return result;
        }
        request.messages.push_back({role->get<std::string>(), *text});
    }
    if (auto it = doc.find("temperature"); it != doc.end()) {
        if (!it->is_number()) {
            result.error = "\"temperature\" must be a number.";
            return result;
        }
        request.temperature = it->get<double>();
    }
    for (const char* field : {"max_tokens", "max_completion_tokens"}) {
        if (auto it = doc.find(field);
            it != doc.end() && (standard || std::string_view(field) == "max_tokens") && !it->is_null()) {
            if (!it->is_number_integer()) {
                result.error = std::string("\"") + field + "\" must be a whole number.";
                return result;
            }
            request.maxTokens = it->get<long long>();
        }
    }
    if (auto it = doc.find("response_format"); it != doc.end()) {
        if (!it->is_object()) {
            result.error = "\"response_format\" must be an object.";
            return result;
        }
        request.responseFormat = *it;
    }
    if (standard) {
        if (auto it = doc.find("stream"); it != doc.end()) {
            if (!it->is_boolean() && !it->is_null()) {
                result.error = "\"stream\" must be true or false.";
                return result;
            }
            request.stream = it->is_boolean() && it->get<bool>();
        }
        for (const char* field : {"top_p", "stop", "seed", "presence_penalty", "frequency_penalty", "n",
                                  "user", "stream_options"}) {
            if (auto it = doc.find(field); it != doc.end() && !it->is_null())
                request.options[field] = *it;
        }
    }
    result.request = std::move(request);
    return result;
}

std::string completionBody(const std::string& model, const std::string& content) {
    const json body = {
        {"id", completionId()},
        {"object", "chat.completion"},
        {"created", now()},
        {"model", model},
        {"choices", json::array({{{"index", 0},
                                  {"message", {{"role", "assistant"}, {"content", content}}},
                                  {"finish_reason", "stop"}}})},
    };
    return dumpSafe(body);
}

std::string completionEvents(const std::string& model, const std::string& content) {
    const std::string id = completionId();
    const long long created = now();
    std::string events;
    const auto chunk = [&](const json& delta, const json& finish) {
        const json body = {
            {"id", id},
            {"object", "chat.completion.chunk"},
            {"created", created},
            {"model", model},
            {"choices", json::array({{{"index", 0}, {"delta", delta}, {"finish_reason", finish}}})}};
        events += "data: " + dumpSafe(body) + "\n\n";
    };
    chunk({{"role", "assistant"}, {"content", ""}}, nullptr);
    // A few words a chunk, each with the space that follows it.
    std::size_t from = 0;
    while (from < content.size()) {
        std::size_t to = from;
        for (int words = 0; words < 3 && to < content.size(); ++words) {
            to = content.find(' ', to);
            to = to == std::string::npos ? content.size() : to + 1;
        }
        chunk({{"content", content.substr(from, to - from)}}, nullptr);
        from = to;
    }
    chunk(json::object(), "stop");
    events += "data: [DONE]\n\n";
    return events;
}

namespace {

// A speech request body: a JSON object whose `textField` holds the text and
// whose `voiceField`, when a string, names the voice. `check` may refuse the
// rest of the object with an error text.
SpeechRequestParse parseSpeechBody(const std::string& body, const char* textField, const char* voiceField,
                                   const std::function<std::string(const json&)>& check = {}) {
    SpeechRequestParse result;
    const json doc = jsonDepthWithin(body) ? json::parse(body, nullptr, false) : json(nullptr);
    if (doc.is_discarded() || !doc.is_object()) {
        result.error = "The request body is not a JSON object.";
        return result;
    }
    const auto text = doc.find(textField);
    if (text == doc.end() || !text->is_string()) {
        result.error = "\"" + std::string(textField) + "\" must be a string.";
        return result;
    }
    if (check) {
        if (std::string error = check(doc); !error.empty()) {
            result.error = std::move(error);
            return result;
        }
    }
    SpeechRequest request;
    request.text = text->get<std::string>();
    if (auto it = doc.find(voiceField); it != doc.end() && it->is_string())
        request.referenceId = it->get<std::string>();
    result.request = std::move(request);
    return result;
}

} // namespace

SpeechRequestParse parseSpeechRequest(const std::string& body) {
    return parseSpeechBody(body, "text", "reference_id");
}

SpeechRequestParse parseStandardSpeechRequest(const std::string& body) {
    return parseSpeechBody(body, "input", "voice", [](const json& doc) -> std::string {
        if (auto format = doc.find("response_format");
            format != doc.end() && !format->is_null() && *format != json("mp3"))
            return "Only \"response_format\": \"mp3\" is served.";
        return {};
    });
}

} // namespace vorn::proxy
