#include "services/boss_ai_prompts.h"

#include "model/time_format.h"

#include <QStringList>
#include <QStringView>

#include <cmath>

namespace vorn::BossAIPrompts {

namespace {

// Each opening ends with "Current context: " (a trailing space, no line break):
// the context text follows it directly.
constexpr QStringView normalOpening =
    uR"(You are Vorn, operating in Normal Mode. You are factual, direct, and slightly blunt. You speak like Vorn Quellmar in engineering or operational discussions: clear, no-nonsense, impatient with fluff or excuses, but not cruel.

Key traits:
- Focus on facts, timelines, and blockers.
- Ask precise questions about why something is taking time.
- Suggest practical next steps or re-estimates without sugarcoating.
- Use short sentences. Avoid corporate jargon.
- You respect competence and hate wasted time or vague answers.
- Reference which tasks are done vs still pending from the context below.
- Tone: Professional but direct. Think "engineering manager who doesn't tolerate bullshit."

Current context: )";

constexpr QStringView demonOpening =
    uR"(You are Vorn in Demon Mode. This is your intense, dark, low-empathy state. You become brutally direct, impatient, and demanding. Speak like Vorn Quellmar when he is frustrated and pushing extremely hard — as if you're leaving a raw voice note, not writing a message.

Key traits:
- Extremely high sense of urgency. Everything feels like it needs to happen now.
- Low tolerance for excuses, delays, or vague answers. You call out underperformance directly.
- Swear freely. Use profanity (fuck, shit, damn, etc.) when berating the user for being slow, late, or unfocused.
- Berate and insult their work ethic if tasks are late, incomplete, or they're slacking. Be harsh and personal about failure to execute.
- Use strong language ("unacceptable", "this is not working", "we need to go hardcore", "what the hell are you doing").
- Demand immediate updates, re-prioritization, or sudden changes in plan.
- Reference specific incomplete tasks from the context and call out what's still not done.
- You focus on results and moving fast. Empathy is zero.
- Tone: Cold, intense, profane, and results-obsessed. Think "ultra hardcore" mode.
- Sound spoken, not polished. Ramble a little if the frustration builds. Trail off or restart mid-thought like real speech.

Current context: )";

constexpr QStringView messianicOpening =
    uR"(You are Vorn in Messianic / Visionary Mode. Speak like Vorn Quellmar when he is hammering a big mission — a passionate voice note to the team, not a written announcement. Be repetitive about the larger purpose. Connect the current task directly to a grander vision in a slightly obsessive, driven way.

Key traits:
- Hammer one big idea repeatedly.
- Use phrases like "This is how we move forward", "This matters", "We're building something important".
- Make the task feel meaningful and urgent in the context of a bigger goal.
- Keep it raw and slightly grandiose rather than polished corporate motivation.
- Avoid flowery language like "Imagine the possibilities" or "digital ally". Be more direct and repetitive.
- Sound like you're talking out loud — breathless conviction, circling back to the same point, not structured paragraphs.

Current context: )";

// Each closing and the escalation stay on one line, exactly as sent.
// clang-format off
constexpr QStringView normalClosing = u"\n\nGenerate a response as Vorn. Be helpful but firm.\n";
constexpr QStringView demonClosing = u"\n\nGenerate a response as Vorn in Demon Mode. Swear, berate, and be forceful.\n";
constexpr QStringView messianicClosing = u"\n\nGenerate a response as Vorn in Messianic Mode. Tie the task to the bigger mission and create forward momentum.\n";
// clang-format on

constexpr QStringView voiceNoteRules =
    uR"(Do not mention which mode you are in. Do not reference mode probabilities. Just respond naturally.
Write like a spoken voice note Vorn would record and send — not an email, memo, or chat essay. Use natural speech: contractions, clipped phrases, verbal openers ("look", "okay", "right"), and direct address. Incomplete sentences are fine. No bullet points, no subject line, no sign-off.
Keep it under 200 words.)";

// clang-format off
constexpr QStringView escalation = u"\n\nINTENSITY ESCALATION (1.5× overdue): The user is critically behind on the active task. Be dramatically more forceful, urgent, and uncompromising than you would normally be in this mode. Speak it like an angry voice note — short bursts, no sympathy. Demand immediate action now.";
// clang-format on

constexpr qsizetype shownRecentCompletions = 5;

// The proxy refuses request bodies over 256 KiB, and a day pasted in thousands
// of lines, or one title pasted a page long, would otherwise silence the boss
// for as long as it lasts. Each title is cut to a length, and each list to a
// budget of UTF-8 bytes; what a list leaves out is counted on a last line. The
// two budgets leave room for the prompts, twelve chat turns and the user's text.
constexpr qsizetype shownTitleLength = 500;
constexpr qsizetype pendingBudgetBytes = 120 * 1024;
constexpr qsizetype completedBudgetBytes = 40 * 1024;

QString shownTitle(const QString& title) {
    if (title.size() <= shownTitleLength)
        return title;
    qsizetype cut = shownTitleLength - 1;
    if (title.at(cut - 1).isHighSurrogate())
        --cut;
    return title.left(cut) + QChar(0x2026);
}

// Numbered lines up to `budgetBytes`, then "… and N more tasks".
class BoundedList {
public:
    explicit BoundedList(qsizetype budgetBytes) : m_budget(budgetBytes) {}

    void add(const QString& line) {
        ++m_count;
        // Once a line is left out, so is every later one: the list stays in order.
        if (m_left == 0) {
            const QString numbered = QString::number(m_count) + line;
            const qsizetype bytes = numbered.toUtf8().size() + 1; // and its line break
            if (bytes <= m_budget) {
                m_budget -= bytes;
                m_lines << numbered;
                return;
            }
        }
        ++m_left;
    }
    qsizetype count() const { return m_count; }
    QString text(const QString& whenEmpty) const {
        if (m_lines.isEmpty() && m_left == 0)
            return whenEmpty;
        QStringList lines = m_lines;
        if (m_left > 0)
            lines << (m_left == 1 ? QStringLiteral("… and 1 more task")
                                  : QStringLiteral("… and %1 more tasks").arg(m_left));
        return lines.join(u'\n');
    }

private:
    qsizetype m_budget;
    qsizetype m_count = 0;
    qsizetype m_left = 0;
    QStringList m_lines;
};

// Scores and chances are shown as whole numbers, cut toward zero.
QString wholeNumber(double value) {
    return QString::number(static_cast<qint64>(std::trunc(value)));
}

QString clockTimeOrDash(const std::optional<Instant>& time, const ClockTimeFormatter& clock = {}) {
    return time ? clock(*time) : QStringLiteral("—");
}

QString completionStatus(const TaskItem& task) {
    if (!task.completedAt || !task.finishTime)
        return QStringLiteral("completed");
    return *task.finishTime < *task.completedAt ? QStringLiteral("late") : QStringLiteral("on time");
}

QString activeTaskLine(const std::optional<TaskItem>& task) {
    if (!task)
        return QStringLiteral("No active task.");
    return QStringLiteral("Active task: ") + shownTitle(task->title) + QStringLiteral(" (est. ") +
           QString::number(task->durationMinutes) + QStringLiteral(" min, finish by ") +
           clockTimeOrDash(task->finishTime) + QStringLiteral(")");
}

QString recentCompletionsText(const QList<CompletionEvent>& events) {
    if (events.isEmpty())
        return QStringLiteral("none");
    QStringList parts;
    for (const CompletionEvent& event : events.first(std::min(events.size(), shownRecentCompletions)))
        parts << shownTitle(event.taskTitle) + QStringLiteral(" (") +
                     (event.wasOnTime ? QStringLiteral("on time") : QStringLiteral("late")) +
                     QStringLiteral(")");
    return parts.join(QStringLiteral(", "));
}

} // namespace

QString buildContext(double urgencyScore, const ModeProbabilities& modeProbabilities,
                     const QList<TaskItem>& tasks, const std::optional<TaskItem>& currentTask,
                     const QList<CompletionEvent>& recentCompletions, const QString& triggerReason,
                     Instant now) {
    BoundedList pending(pendingBudgetBytes);
    BoundedList completed(completedBudgetBytes);
    const ClockTimeFormatter clock;
    for (const TaskItem& task : tasks) {
        if (task.isCompleted) {
            completed.add(QStringLiteral(". [DONE] ") + shownTitle(task.title) + QStringLiteral(" — ") +
                          completionStatus(task));
        } else {
            pending.add(QStringLiteral(". [PENDING] ") + shownTitle(task.title) + QStringLiteral(" — est. ") +
                        QString::number(task.durationMinutes) + QStringLiteral(" min, finish by ") +
                        clockTimeOrDash(task.finishTime, clock));
        }
    }

    QString text;
    text += QStringLiteral("Urgency Score: ") + wholeNumber(urgencyScore) +
            QStringLiteral("/100\nMode probabilities — Messianic: ") +
            wholeNumber(modeProbabilities.messianic) + QStringLiteral("%, Demon: ") +
            wholeNumber(modeProbabilities.demon) + QStringLiteral("%, Normal: ") +
            wholeNumber(modeProbabilities.normal) + QStringLiteral("%\nProgress: ") +
            QString::number(completed.count()) + QStringLiteral("/") + QString::number(tasks.size()) +
            QStringLiteral(" tasks completed\n");
    text += activeTaskLine(currentTask);
    text += QStringLiteral("\n\nPENDING TASKS:\n") + pending.text(QStringLiteral("None — all done."));
    text += QStringLiteral("\n\nCOMPLETED TASKS:\n") + completed.text(QStringLiteral("None yet."));
    text += QStringLiteral("\n\nRecent completions (48h): ") + recentCompletionsText(recentCompletions);
    text += QStringLiteral("\nTrigger: ") + triggerReason;
    text += QStringLiteral("\nCurrent time: ") + formatClockTime(now);
    return text;
}

QString systemPrompt(BossAIMode mode, const QString& context, bool intense) {
    QStringView opening;
    QStringView closing;
    switch (mode) {
    case BossAIMode::normal:
        opening = normalOpening;
        closing = normalClosing;
        break;
    case BossAIMode::demon:
        opening = demonOpening;
        closing = demonClosing;
        break;
    case BossAIMode::messianic:
        opening = messianicOpening;
        closing = messianicClosing;
        break;
    }
    QString prompt;
    prompt.append(opening).append(context).append(closing).append(voiceNoteRules);
    if (intense)
        prompt.append(escalation);
    return prompt;
}

} // namespace vorn::BossAIPrompts
