#pragma once

#include "chat_request.h"

#include <optional>
#include <string>
#include <vector>

namespace vorn::proxy {

enum class Mode { normal, demon, messianic };

// Why the boss speaks, as the app's trigger text says it.
enum class Trigger { welcome, onTime, late, reopened, overdue, escalation, inactivity, surge, reply, other };

// What the app told the model about the day: the persona, the trigger and
// the parts of the context that a message can name.
struct Situation {
    Mode mode = Mode::normal;
    Trigger trigger = Trigger::other;
    bool intense = false;
    std::optional<std::string> activeTask;
    std::optional<int> activeMinutes;
    std::optional<std::string> finishBy; // "HH:mm"
    int done = 0;
    int total = 0;
    std::optional<std::string> subject; // the task (or list, for a surge) the trigger names
    std::optional<int> pending;
    std::optional<int> hours;
    std::string userMessage;
    int wordLimit = 200;
};

Situation readSituation(const ChatRequest& request);

// The timeline estimate: a JSON reply asked for, or its prompt without a persona.
bool isEstimateRequest(const ChatRequest& request);

} // namespace vorn::proxy
