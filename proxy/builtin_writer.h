#pragma once

#include "situation.h"

#include <deque>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace vorn::proxy {

// What a user's chat message is about, as far as the built-in writer can tell.
enum class ReplyKind { claimsDone, notDone, moreTime, stuck, question, greeting, other };

ReplyKind classifyUserMessage(const std::string& text);

// Templates for one mode and one trigger (or, for replies, one reply kind).
// Placeholders: {task} {min} {by} the active task, its minutes and finish
// time; {subject} the task or list the trigger names; {pending} {done}
// {total} {hours}. Every bank holds at least one template that needs none.
const std::vector<std::string>& phraseBank(Mode mode, Trigger trigger);
const std::vector<std::string>& replyBank(Mode mode, ReplyKind kind);
// A last push added to escalated messages.
const std::vector<std::string>& escalationBank(Mode mode);
// Short endings in the mode's voice, added to some messages for variety.
const std::vector<std::string>& tailBank(Mode mode);

// The last messages written per situation (mode, trigger, kind of reply).
class RecentMessages {
public:
    static constexpr std::size_t kRemembered = 5;
    bool contains(const std::string& situation, const std::string& message) const;
    void add(const std::string& situation, const std::string& message);

private:
    std::map<std::string, std::deque<std::string>> m_recent;
};

// The most words a built-in message has, whatever the prompt allows.
inline constexpr int kMaxWords = 39;

// The boss's message for `situation`: a template of its mode and trigger whose
// placeholders the context can fill, filled, maybe with a tail, never empty,
// within the word limit; with `recent`, none of the last five for the same
// situation while another is possible.
std::string writeMessage(const Situation& situation, std::mt19937& random, RecentMessages* recent = nullptr);

} // namespace vorn::proxy
