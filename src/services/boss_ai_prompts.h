#pragma once

#include "model/mode_probabilities.h"
#include "model/records.h"
#include "platform/instant.h"

#include <QList>
#include <QString>

#include <optional>

// The words the boss persona is built from: the state of the day as text for the
// language model, and the system prompt of each mode around it.
namespace vorn::BossAIPrompts {

// The context text: urgency, mode chances, the pending and completed tasks (in
// `tasks` order), the recent completions (newest first; the first five are
// shown), the trigger and `now`. Clock times are "HH:mm" in the local time zone.
// Titles are cut at 500 characters and each task list at a size that keeps the
// request within the proxy's limit; a cut list ends "… and N more tasks".
QString buildContext(double urgencyScore, const ModeProbabilities& modeProbabilities,
                     const QList<TaskItem>& tasks, const std::optional<TaskItem>& currentTask,
                     const QList<CompletionEvent>& recentCompletions, const QString& triggerReason,
                     Instant now);

// The mode's opening, the context, the mode's closing line, the voice-note
// rules and, when `intense`, the escalation paragraph.
QString systemPrompt(BossAIMode mode, const QString& context, bool intense);

} // namespace vorn::BossAIPrompts
