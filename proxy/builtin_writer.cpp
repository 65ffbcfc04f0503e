#include "builtin_writer.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <regex>
#include <sstream>
#include <string_view>

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

// A title as a sentence's part: its own trailing punctuation and spaces
// dropped, so that "Renew passport." is not followed by a second full stop.
std::string title(std::string text) {
    while (!text.empty() && std::string_view(" .!?,;:").find(text.back()) != std::string_view::npos)
        text.pop_back();
    return text;
}

// "1 tasks" and "1 hours" read as the singular.
std::string singulars(const std::string& text) {
    static const std::regex one(R"((^|[^\d])1 (task|hour)s\b)");
    return std::regex_replace(text, one, "$011 $2");
}

std::map<std::string, std::string> placeholders(const Situation& s) {
    std::map<std::string, std::string> values;
    if (s.activeTask)
        values["task"] = title(*s.activeTask);
    if (s.activeMinutes)
        values["min"] = std::to_string(*s.activeMinutes);
    if (s.finishBy)
        values["by"] = *s.finishBy;
    if (s.subject)
        values["subject"] = title(*s.subject);
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

struct Candidates {
    std::vector<std::string> texts;
    std::vector<double> weights;
};

// The bank's entries that the values fill. Lines that name the day's
// particulars weigh more than the general ones.
Candidates fillable(const std::vector<std::string>& bank, const std::map<std::string, std::string>& values) {
    Candidates out;
    for (const std::string& entry : bank) {
        if (auto filled = fill(entry, values)) {
            out.texts.push_back(singulars(*filled));
            out.weights.push_back(1.0 + static_cast<double>(std::count(entry.begin(), entry.end(), '{')));
        }
    }
    return out;
}

std::string draw(const Candidates& candidates, std::mt19937& random) {
    if (candidates.texts.empty())
        return {};
    std::discrete_distribution<std::size_t> index(candidates.weights.begin(), candidates.weights.end());
    return candidates.texts[index(random)];
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
    // Negations first: "I haven't finished it" is not a claim to be done.
    std::string t = lower(text);
    std::replace(t.begin(), t.end(), '\'', ' ');
    t = " " + t + " ";
    if (containsAny(t, {"not done", "not finished", "haven t finished", "havent finished", "haven t done",
                        "not yet", "isn t done", "still working", "not complete", "didn t finish",
                        "unfinished"}))
        return ReplyKind::notDone;
    if (containsAny(t, {"more time", "extension", "extend", "another hour", "another few", "more minutes",
                        "longer", "need time", "extra time"}))
        return ReplyKind::moreTime;
    if (containsAny(t, {"done", "finished", "completed", "shipped", "it s in", "ticked"}))
        return ReplyKind::claimsDone;
    if (containsAny(t, {"tired", "break", "can t", "cannot", "stuck", "hard", "later", "tomorrow", "sick",
                        "busy", "blocked", "no time", "don t know how", "confused", "lost"}))
        return ReplyKind::stuck;
    if (t.find('?') != std::string::npos)
        return ReplyKind::question;
    if (containsAny(t,
                    {" hi ", " hey ", "hello", "good morning", "morning ", "good evening", "yo ", " sup "}))
        return ReplyKind::greeting;
    return ReplyKind::other;
}

bool RecentMessages::contains(const std::string& situation, const std::string& message) const {
    const auto it = m_recent.find(situation);
    return it != m_recent.end() &&
           std::find(it->second.begin(), it->second.end(), message) != it->second.end();
}

void RecentMessages::add(const std::string& situation, const std::string& message) {
    auto& recent = m_recent[situation];
    recent.push_back(message);
    if (recent.size() > kRemembered)
        recent.pop_front();
}

std::string writeMessage(const Situation& situation, std::mt19937& random, RecentMessages* recent) {
    const auto values = placeholders(situation);
    const ReplyKind kind = classifyUserMessage(situation.userMessage);
    const bool reply = situation.trigger == Trigger::reply;
    Candidates bodies = fillable(
        reply ? replyBank(situation.mode, kind) : phraseBank(situation.mode, situation.trigger), values);
    if (bodies.texts.empty())
        bodies = fillable(phraseBank(situation.mode, Trigger::other), values);

    // Every body alone and with each tail: enough different messages that the
    // last five need never come back.
    const int limit = std::min(situation.wordLimit, kMaxWords);
    Candidates messages;
    const auto& tails = tailBank(situation.mode);
    for (std::size_t b = 0; b < bodies.texts.size(); ++b) {
        for (std::size_t t = 0; t <= tails.size(); ++t) {
            std::string text = bodies.texts[b];
            if (t < tails.size())
                text += " " + tails[t];
            if (situation.intense)
                text += " " + escalationBank(situation.mode)[(b + t) % escalationBank(situation.mode).size()];
            messages.texts.push_back(limitWords(text, limit));
            messages.weights.push_back(bodies.weights[b] * (t < tails.size() ? 1.0 : 2.0));
        }
    }
    const std::string key = std::to_string(static_cast<int>(situation.mode)) + "/" +
                            std::to_string(static_cast<int>(situation.trigger)) + "/" +
                            (reply ? std::to_string(static_cast<int>(kind)) : std::string());
    if (recent) {
        Candidates fresh;
        for (std::size_t i = 0; i < messages.texts.size(); ++i) {
            if (!recent->contains(key, messages.texts[i])) {
                fresh.texts.push_back(messages.texts[i]);
                fresh.weights.push_back(messages.weights[i]);
            }
        }
        if (!fresh.texts.empty())
            messages = std::move(fresh);
    }
    std::string message = draw(messages, random);
    if (recent)
        recent->add(key, message);
    return message;
}

} // namespace vorn::proxy
