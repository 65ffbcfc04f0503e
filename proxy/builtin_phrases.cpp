// The built-in writer's words: per mode, one bank per trigger and per kind of
// user reply. Each bank ends with a line that needs no placeholder, so a
// sparse context still gets an answer.
#include "builtin_writer.h"

#include <array>

namespace vorn::proxy {

namespace {

using Bank = std::vector<std::string>;

struct ModeWords {
    std::array<Bank, 10> triggers; // indexed by Trigger
    std::array<Bank, 7> replies;   // indexed by ReplyKind
    Bank escalation;
    Bank tails; // short endings that vary a message without changing what it says
};

const ModeWords kNormal = {
    {{
        // welcome
        {"Okay. {total} tasks on the list. First up is {task}, {min} minutes, done by {by}. Start now, not "
         "in "
         "five minutes.",
         "Right, new list. {task} goes first. You've got {min} minutes. If something blocks you, tell me. "
         "Otherwise I expect it done by {by}.",
         "Fresh start. {total} tasks, {done} done. Pick up {task} and get moving.",
         "Okay, fresh start. The list is set. Take the first task and get going. No warm-up."},
        // onTime
        {"Good. {subject} done on time. {pending} still pending. Next is {task}, {min} minutes. Keep that "
         "pace.",
         "{subject}, done, on schedule. That's how it should go. {task} now. Finish by {by}.",
         "Okay, {subject} landed on time. {pending} left. Don't celebrate, just start {task}.",
         "On time. Good. Next task, same pace."},
        // late
        {"{subject} is done, but late. Why did it run over? Figure that out before {task} does the same.",
         "Late on {subject}. It's done, fine, but either the estimate was wrong or the focus was. {task} is "
         "next, {min} minutes. Hit it.",
         "Okay, {subject} finished late. {pending} still pending. Re-estimate if you need to, but don't "
         "drift.",
         "Done, but late. Look at why, fix it on the next one."},
        // reopened
        {"You reopened {subject}. So it wasn't actually done. What's missing? Be specific.",
         "{subject} is back on the list. Fine. Finish it properly this time.",
         "Something went back to open. Tell me what's missing and close it."},
        // overdue
        {"{subject} missed its deadline. What's blocking it? Either finish it now or re-estimate. Pick one.",
         "Look, {subject} should've been done by now. Give me a real reason or give me the finished task.",
         "You're past the deadline. What's the blocker? Name it, then deal with it."},
        // escalation
        {"{subject} is way over. Half again its time. Stop everything else and close it out.",
         "Okay, this is dragging. {subject} is one and a half times over. What's the blocker? Name it or "
         "finish it.",
         "This task is far over its time. Close it out now."},
        // inactivity
        {"{hours} hours without an update. {pending} tasks pending. What's going on? Pick up {task} and "
         "report "
         "back.",
         "Nothing's moved in {hours} hours. That's a problem. {pending} tasks are still open.",
         "No updates for a while. Where are you on the list?"},
        // surge
        {"Surge. Everything left in {subject} just got cut in half. Tighter blocks, same work. Move faster.",
         "Times in {subject} are halved. No debate. {task} now, {min} minutes.",
         "Remaining times just got halved. Tighter blocks. Go."},
        // reply (unused: replies have their own banks)
        {"Okay. Back to work."},
        // other
        {"Okay. {done} of {total} done. {task} is next. Keep moving.", "Right. {task}, {min} minutes. Go.",
         "Okay. Next task. Keep moving."},
    }},
    {{
        // claimsDone
        {"If it's done, tick it off. Then {task}.", "Then mark it complete. The list should say what's true.",
         "Good. Tick it off so the schedule moves."},
        // notDone
        {"Okay, not done yet. What's left on {task}? Name the next step and do it.",
         "Fine, it's still open. You have until {by}. Keep at it.",
         "Not done is okay as long as it's moving. What's the next concrete step?"},
        // moreTime
        {"More time on {task}? Re-estimate honestly, then hold to the new number.",
         "If the estimate was wrong, change it once. Then finish inside it.",
         "You can have more time if you tell me why. What took longer than planned?"},
        // stuck
        {"I hear you. Doesn't change the deadline. {task}, {min} minutes. Break it into the smallest next "
         "step "
         "and do that.",
         "Okay, what exactly is blocking you? One sentence. Then we fix it and you get back to {task}.",
         "Understood. Now the smallest next step. Do that."},
        // question
        {"Short answer: focus on {task}. It's due by {by}. Ask me again when it's done.",
         "Good question, wrong time. {task} first, then we talk.",
         "Short answer: do the next task on the list. Then ask again."},
        // greeting
        {"Hi. {done} of {total} done. {task} is next.", "Hello. Good to see you. Let's pick up {task}.",
         "Hi. Let's get going: next task on the list."},
        // other
        {"Noted. {done} of {total} done. {task} is what matters right now.",
         "Okay. What's the next concrete step on {task}? Do it.", "Noted. Back to the list."},
    }},
    {"Now. Not later.", "No more delay on this.", "Close it out now."},
    {"Keep moving.", "One step at a time.", "Tell me when it's done.", "Stay on it.", "You've got this."},
};

const ModeWords kDemon = {
    {{
        // welcome
        {"Okay, listen. {total} tasks. {done} done. {task} is first, {min} minutes, done by {by}. Not a "
         "minute "
         "later. Go.",
         "New list. Great. Lists don't ship anything, you do. {task}. Now. Move.",
         "Right, we're starting. No warm-up, no coffee run, no bullshit. First task, now."},
        // onTime
        {"{subject}, on time. Fine. That's the bare minimum. {pending} still pending and {task} is already "
         "ticking. Don't you dare slow down.",
         "Okay, {subject} done. On time. Good. Don't get comfortable, {task} is next and it's due by {by}.",
         "On time. That's the job, not a favour. Next one. Go."},
        // late
        {"{subject} late. Again. What the hell happened? {pending} still pending and you're bleeding time. "
         "{task}, right now.",
         "Late. {subject} was late. Unacceptable. You had the time, you burned it. {task}, {min} minutes, "
         "and I "
         "mean {min}.",
         "Late. Damn it. That's not how this works. Next task, faster, now."},
        // reopened
        {"You reopened {subject}? So it was never done. You told me it was done. Fix it. Now.",
         "{subject} is open again. What the hell. Finish it properly this time.",
         "Something you called done isn't done. That's worse than late. Fix it."},
        // overdue
        {"{subject} is past its deadline. What the hell are you doing? Finish it. Now.",
         "Look. {subject}. Missed. Deadline gone. I don't want excuses, I want it done.",
         "You're past the deadline and nothing's moving. Unacceptable. Finish it."},
        // escalation
        {"{subject}. One and a half times over. This is not working. Drop everything else. Finish it. Now.",
         "What the fuck is going on with {subject}? Fifty percent over. Close it out. Right now.",
         "Way over time. This is not working. We need to go hardcore. Now."},
        // inactivity
        {"{hours} hours. {hours} hours and nothing. {pending} tasks sitting there. What the hell are you "
         "doing? "
         "{task}. Now.",
         "Nothing for {hours} hours. Unacceptable. {pending} still pending. Get back in.",
         "Silence. Hours of it. Get back to the list. Now."},
        // surge
        {"Surge. Everything left in {subject} is cut in half. You heard me. Half. {task}, {min} minutes. Go.",
         "Times in {subject} just got halved. No complaints. Move twice as fast.",
         "Surge. Half the time for everything left. Move."},
        // reply
        {"Enough talk. Work."},
        // other
        {"{done} of {total}. Not good enough. {task}, now.", "{task}. {min} minutes. Go. Now.",
         "Stop reading this and work."},
    }},
    {{
        // claimsDone
        {"Then tick it off, damn it. And start {task}.", "If it's done, mark it done. Then next task. Go.",
         "Done? Prove it. Tick it off."},
        // notDone
        {"Not done. Obviously. {task} is due by {by}. Finish it.",
         "Not finished? Then why are you typing? Back to {task}.", "Not done yet. I noticed. Get it done."},
        // moreTime
        {"More time? You had time. {task}, {min} minutes, like we said.",
         "No extensions. Cut the scope, not the deadline. Finish {task}.",
         "More time. Sure. Re-estimate once and hit it. No second extension."},
        // stuck
        {"I don't care. {task} is due by {by}. Excuses don't ship. Work.",
         "Tired? Stuck? Doesn't matter. {task}, {min} minutes. Smallest next step. Now.",
         "No. No excuses. Get back to work."},
        // question
        {"You want an answer? {task}. That's the answer. Now.",
         "Stop asking, start doing. {task}, done by {by}.", "Wrong question. Do the work first."},
        // greeting
        {"Hi. Skip the small talk. {task}. Now.", "Hello yourself. {done} of {total}. Move.",
         "Yeah, hi. Back to work."},
        // other
        {"{done} of {total}. That's where you are. Stop typing, start working on {task}.",
         "Is {task} done? No? Then why are you talking to me?", "Enough. Back to work."},
    }},
    {"Now. Right now.", "Move. Now.", "No more excuses. Go."},
    {"Go.", "Now.", "Move it.", "Clock's running.", "No excuses."},
};

const ModeWords kMessianic = {
    {{
        // welcome
        {"This is it. {total} tasks, and every one of them matters. We start with {task}. {min} minutes. "
         "This "
         "is how we move forward.",
         "Okay. Fresh start. This matters. {task} is the first step, and the first step is everything. Go.",
         "Right. A clean slate. We're building something important, one task at a time. Start now."},
        // onTime
        {"{subject}, done, on time. See? This is how we move forward. {task} is next. Same energy. This "
         "matters.",
         "On time. {subject} is done. {pending} to go, and every one of them moves the whole thing forward. "
         "Keep going.",
         "On time. That's it. That's how we build something that matters. Next one."},
        // late
        {"{subject} is done. Late, but done. The mission doesn't care about late, it cares about forward. "
         "{task}, now. Forward.",
         "Late on {subject}. Okay. We learn, we keep moving. This matters too much to stall. {task} next.",
         "Done, late. Doesn't matter now. Forward. The next one matters."},
        // reopened
        {"{subject} is open again. Good, honest. We don't build on cracks. Finish it right. This matters.",
         "Back to {subject}. Do it properly. Everything we build stands on it.",
         "Something went back to open. Fine. Get it right. It matters."},
        // overdue
        {"{subject} is past its time. Look, this matters. Every minute it sits there, the whole thing waits. "
         "Finish it.",
         "{subject}. Deadline's gone. But the mission isn't. Close it and move forward.",
         "Past the deadline. The bigger thing is waiting on this. Finish it."},
        // escalation
        {"{subject} is way over. This matters. The whole mission is stuck behind it. Finish it. Now.",
         "One and a half times over on {subject}. We're building something important and it's stuck here. "
         "Close it.",
         "Way over time. Everything is waiting on this one. Now."},
        // inactivity
        {"{hours} hours without a move. {pending} tasks, and each one is part of something bigger. Come "
         "back. "
         "{task}. Now.",
         "It's been {hours} hours. The mission doesn't pause. {pending} still pending. Forward.",
         "It's gone quiet. The mission doesn't. Come back and move."},
        // surge
        {"Surge. Everything in {subject} gets half the time. This is how we move forward, fast. {task}. Go.",
         "Half the time on everything left in {subject}. We're going faster because this matters.",
         "Surge. Half the time. Twice the momentum. Go."},
        // reply
        {"This matters. Back to it."},
        // other
        {"{done} of {total}. We're moving. {task} is next, and it matters.",
         "This is how we move forward: {task}, {min} minutes.", "This matters. Keep moving forward."},
    }},
    {{
        // claimsDone
        {"Then tick it off. Every tick is a step toward the thing we're building. Then {task}.",
         "Done? Mark it. That's forward. That's the mission.", "Tick it off. Forward."},
        // notDone
        {"Not done yet. That's fine. {task} is still the next step forward. Take it.",
         "Still open. The mission waits on it. Finish {task} by {by}.",
         "Not finished yet. Keep going. This matters."},
        // moreTime
        {"More time on {task}? Take what it truly needs, then give it everything.",
         "Re-estimate once, honestly. Then we move forward inside it.",
         "Time is the one thing the mission can't get back. Use the extra well."},
        // stuck
        {"I hear you. But this matters more than tired. {task}, just the next step. That's how we move "
         "forward.",
         "Stuck is part of building something important. Smallest step on {task}. Now.",
         "This matters more than how you feel right now. One step. Go."},
        // question
        {"The answer is always the same: {task}. It's the next step toward the bigger thing.",
         "Everything comes back to one thing: {task}, done by {by}.",
         "The answer is the next task. It always is."},
        // greeting
        {"Hello. {done} of {total}, and we're building. {task} is next.",
         "Hi. Good to have you back. The mission continues with {task}.", "Hello. Today we move forward."},
        // other
        {"{done} of {total}. Every one of these matters. {task} is next.",
         "Okay. Back to {task}. This is how we move forward.", "This matters. Keep building."},
    }},
    {"Now. This matters.", "Right now. Forward.", "No more waiting. This matters."},
    {"Forward.", "This matters.", "Keep building.", "Every step counts.", "The mission continues."},
};

const ModeWords& words(Mode mode) {
    switch (mode) {
    case Mode::demon:
        return kDemon;
    case Mode::messianic:
        return kMessianic;
    case Mode::normal:
        break;
    }
    return kNormal;
}

} // namespace

const std::vector<std::string>& phraseBank(Mode mode, Trigger trigger) {
    return words(mode).triggers[static_cast<std::size_t>(trigger)];
}

const std::vector<std::string>& replyBank(Mode mode, ReplyKind kind) {
    return words(mode).replies[static_cast<std::size_t>(kind)];
}

const std::vector<std::string>& escalationBank(Mode mode) {
    return words(mode).escalation;
}

const std::vector<std::string>& tailBank(Mode mode) {
    return words(mode).tails;
}

} // namespace vorn::proxy
