#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

namespace vorn::proxy {

struct ChatMessage {
    std::string role;
    std::string content;
};

// A chat-completion request: the fields the app uses, and for clients of the
// standard OpenAI path also streaming and the common sampling options.
struct ChatRequest {
    std::string model;
    std::vector<ChatMessage> messages;
    std::optional<double> temperature;
    std::optional<long long> maxTokens;
    std::optional<nlohmann::json> responseFormat;
    bool stream = false;
    nlohmann::json options = nlohmann::json::object(); // top_p, stop, seed, …: passed upstream as they are
};

// The deepest nesting a request body may have. Deeper documents are refused
// before they are parsed: copying or freeing them recurses once per level.
inline constexpr int kMaxJsonDepth = 64;

// True when no array or object in `text` nests deeper than `limit` (strings
// are skipped; the text need not be valid JSON).
bool jsonDepthWithin(const std::string& text, int limit = kMaxJsonDepth);

// Reads a request body; the error says what is wrong with it. `standard`:
// the OpenAI wire format (content parts, "stream" and the sampling options).
struct ChatRequestParse {
    std::optional<ChatRequest> request;
    std::string error;
};
ChatRequestParse parseChatRequest(const std::string& body, bool standard = false);

// A chat completion holding one assistant message.
std::string completionBody(const std::string& model, const std::string& content);

// The same message as server-sent events: chunks of a few words each, a last
// chunk with the finish reason, then "data: [DONE]".
std::string completionEvents(const std::string& model, const std::string& content);

// The speech request: text and voice, the rest is fixed by the app.
struct SpeechRequest {
    std::string text;
    std::string referenceId;
};
struct SpeechRequestParse {
    std::optional<SpeechRequest> request;
    std::string error;
};
SpeechRequestParse parseSpeechRequest(const std::string& body);
// The OpenAI form: {"model", "input", "voice", "response_format"}; MP3 only.
SpeechRequestParse parseStandardSpeechRequest(const std::string& body);

} // namespace vorn::proxy
