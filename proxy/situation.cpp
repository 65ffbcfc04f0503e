#include "situation.h"

#include <regex>
#include <sstream>

namespace vorn::proxy {

namespace {

const std::string kUnpromptedRequest = "Write Vorn's message now.";

std::optional<std::string> lineValue(const std::string& text, const std::string& prefix) {
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        if (line.rfind(prefix, 0) == 0)
            return line.substr(prefix.size());
    }
    return std::nullopt;
}

int toInt(const std::string& digits) {
    try {
        return std::stoi(digits);
    } catch (...) {
        return 0;
    }
}

void readTrigger(const std::string& reason, Situation& s) {
    static const std::regex completed(R"(^Task completed (on time|late): (.*)\. (\d+) still pending\.$)");
    static const std::regex reopened(R"(^Task marked incomplete again: (.*)$)");
    static const std::regex escalated(R"(^1\.5× overdue on: (.*)\. Still not done\.$)");
    static const std::regex missed(R"(^Missed deadline on: (.*)\. Still not done\.$)");
    static const std::regex idle(R"(^Inactivity: (\d+)h since last update\. (\d+) tasks still pending\.$)");
    static const std::regex surge(R"(^Surge mode activated in (.*)\. All remaining tasks)");
    std::smatch m;
    if (std::regex_search(reason, m, completed)) {
        s.trigger = m[1] == "on time" ? Trigger::onTime : Trigger::late;
        s.subject = m[2];
        s.pending = toInt(m[3]);
    } else if (std::regex_search(reason, m, reopened)) {
        s.trigger = Trigger::reopened;
        s.subject = m[1];
    } else if (std::regex_search(reason, m, escalated)) {
        s.trigger = Trigger::escalation;
        s.subject = m[1];
    } else if (std::regex_search(reason, m, missed)) {
        s.trigger = Trigger::overdue;
        s.subject = m[1];
    } else if (std::regex_search(reason, m, idle)) {
        s.trigger = Trigger::inactivity;
        s.hours = toInt(m[1]);
        s.pending = toInt(m[2]);
    } else if (std::regex_search(reason, m, surge)) {
        s.trigger = Trigger::surge;
        s.subject = m[1];
    } else if (reason.rfind("New task list imported", 0) == 0 || reason.rfind("User reset Vorn", 0) == 0 ||
               reason.rfind("Timeline restarted", 0) == 0) {
        s.trigger = Trigger::welcome;
    } else if (reason.rfind("User chat", 0) == 0) {
        s.trigger = Trigger::reply;
    }
}

} // namespace

Situation readSituation(const ChatRequest& request) {
    Situation s;
    std::string system;
    for (const ChatMessage& message : request.messages) {
        if (message.role == "system") {
            system = message.content;
            break;
        }
    }
    // The persona is named in the opening, before the context (whose mode
    // probabilities and trigger may name any mode).
    const std::string opening = system.substr(0, system.find("Current context:"));
    if (opening.find("Demon Mode") != std::string::npos)
        s.mode = Mode::demon;
    else if (opening.find("Messianic") != std::string::npos)
        s.mode = Mode::messianic;
    s.intense = system.find("INTENSITY ESCALATION") != std::string::npos;

    static const std::regex active(R"(^(.*) \(est\. (\d+) min, finish by ([^)]*)\)$)");
    std::smatch m;
    if (const auto line = lineValue(system, "Active task: "); line && std::regex_match(*line, m, active)) {
        s.activeTask = m[1];
        s.activeMinutes = toInt(m[2]);
        if (m[3] != "—")
            s.finishBy = m[3];
    }
    static const std::regex progress(R"(^(\d+)/(\d+) tasks completed)");
    if (const auto line = lineValue(system, "Progress: "); line && std::regex_search(*line, m, progress)) {
        s.done = toInt(m[1]);
        s.total = toInt(m[2]);
    }
    static const std::regex limit(R"(Keep it under (\d+) words)");
    if (std::regex_search(system, m, limit))
        s.wordLimit = std::max(20, toInt(m[1]));
    if (const auto reason = lineValue(system, "Trigger: "))
        readTrigger(*reason, s);
    if (!s.pending)
        s.pending = s.total - s.done;

    const ChatMessage& last = request.messages.back();
    if (last.role == "user" && last.content != kUnpromptedRequest) {
        s.userMessage = last.content;
        s.trigger = Trigger::reply;
    }
    if (s.intense && s.trigger == Trigger::overdue)
        s.trigger = Trigger::escalation;
    return s;
}

bool isEstimateRequest(const ChatRequest& request) {
    if (request.responseFormat)
        return true;
    for (const ChatMessage& message : request.messages) {
        if (message.role == "system")
            return false;
    }
    return request.messages.back().content.rfind("Give me an aggressive execution timeline", 0) == 0;
}

} // namespace vorn::proxy
