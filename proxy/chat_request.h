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

// The chat-completion request the app sends: only the fields it uses.
struct ChatRequest {
    std::string model;
    std::vector<ChatMessage> messages;
    std::optional<double> temperature;
    std::optional<long long> maxTokens;
    std::optional<nlohmann::json> responseFormat;
};

// Reads a request body; the error says what is wrong with it.
struct ChatRequestParse {
    std::optional<ChatRequest> request;
    std::string error;
};
ChatRequestParse parseChatRequest(const std::string& body);

// A chat completion holding one assistant message, as the app reads it.
std::string completionBody(const std::string& model, const std::string& content);

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

} // namespace vorn::proxy
