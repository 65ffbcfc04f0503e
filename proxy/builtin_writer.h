#pragma once

#include "situation.h"

#include <random>
#include <string>
#include <vector>

namespace vorn::proxy {

// What a user's chat message is about, as far as the built-in writer can tell.
enum class ReplyKind { claimsDone, excuse, question, other };

ReplyKind classifyUserMessage(const std::string& text);

// Templates for one mode and one trigger (or, for replies, one reply kind).
// Placeholders: {task} {min} {by} the active task, its minutes and finish
// time; {subject} the task or list the trigger names; {pending} {done}
// {total} {hours}. Every bank holds at least one template that needs none.
const std::vector<std::string>& phraseBank(Mode mode, Trigger trigger);
const std::vector<std::string>& replyBank(Mode mode, ReplyKind kind);
// A last push added to escalated messages.
const std::vector<std::string>& escalationBank(Mode mode);

// The boss's message for `situation`: a template of its mode and trigger whose
// placeholders the context can fill, filled, never empty, within the word limit.
std::string writeMessage(const Situation& situation, std::mt19937& random);

} // namespace vorn::proxy
