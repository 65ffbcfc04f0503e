#include "builtin_writer.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <sstream>

namespace vorn::proxy {

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool containsAny(const std::string& text, std::initializer_list<const char*> words) {
    return std::any_of(words.begin(), words.end(),
                       [&](const char* word) { return text.find(word) != std::string::npos; });
}

std::map<std::string, std::string> placeholders(const Situation& s) {
    std::map<std::string, std::string> values;
    if (s.activeTask)
        values["task"] = *s.activeTask;
    if (s.activeMinutes)
        values["min"] = std::to_string(*s.activeMinutes);
    if (s.finishBy)
        values["by"] = *s.finishBy;
    if (s.subject)
        values["subject"] = *s.subject;
    if (s.pending)
        values["pending"] = std::to_string(*s.pending);
    if (s.hours)
        values["hours"] = std::to_string(*s.hours);
    if (s.total > 0) {
        values["done"] = std::to_string(s.done);
        values["total"] = std::to_string(s.total);
    }
    return values;
}

// The template with its placeholders filled, or nullopt when one is unknown.
std::optional<std::string> fill(const std::string& text, const std::map<std::string, std::string>& values) {
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto open = text.find('{', pos);
        if (open == std::string::npos) {
            out += text.substr(pos);
            break;
        }
        const auto close = text.find('}', open);
        if (close == std::string::npos)
            return std::nullopt;
        const auto it = values.find(text.substr(open + 1, close - open - 1));
        if (it == values.end())
            return std::nullopt;
        out += text.substr(pos, open - pos) + it->second;
        pos = close + 1;
    }
    return out;
}

std::string pick(const std::vector<std::string>& bank, const std::map<std::string, std::string>& values,
                 std::mt19937& random) {
    // Lines that name the day's particulars are drawn more often than the
    // general ones.
    std::vector<std::string> usable;
    std::vector<double> weights;
    for (const std::string& entry : bank) {
        if (auto filled = fill(entry, values)) {
            usable.push_back(std::move(*filled));
            weights.push_back(1.0 + static_cast<double>(std::count(entry.begin(), entry.end(), '{')));
        }
    }
    if (usable.empty())
        return {};
    std::discrete_distribution<std::size_t> index(weights.begin(), weights.end());
    return usable[index(random)];
}

std::string limitWords(const std::string& text, int limit) {
    std::istringstream stream(text);
    std::string word, out;
    int count = 0;
    while (stream >> word) {
        if (count == limit)
            break;
        out += (count++ ? " " : "") + word;
    }
    return out;
}

} // namespace

ReplyKind classifyUserMessage(const std::string& text) {
    const std::string t = lower(text);
    if (containsAny(t, {"done", "finished", "completed", "shipped", "it's in", "ticked"}))
        return ReplyKind::claimsDone;
    if (containsAny(t, {"tired", "break", "can't", "cannot", "stuck", "hard", "later", "tomorrow", "sick",
                        "busy", "blocked", "no time"}))
        return ReplyKind::excuse;
    if (t.find('?') != std::string::npos)
        return ReplyKind::question;
    return ReplyKind::other;
}

std::string writeMessage(const Situation& situation, std::mt19937& random) {
    const auto values = placeholders(situation);
    const auto& bank = situation.trigger == Trigger::reply
                           ? replyBank(situation.mode, classifyUserMessage(situation.userMessage))
                           : phraseBank(situation.mode, situation.trigger);
    std::string message = pick(bank, values, random);
    if (message.empty())
        message = pick(phraseBank(situation.mode, Trigger::other), values, random);
    if (situation.intense)
        message += " " + pick(escalationBank(situation.mode), values, random);
    return limitWords(message, situation.wordLimit);
}

} // namespace vorn::proxy
