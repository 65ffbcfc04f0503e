#include "model/schedule.h"

#include "model/outline.h"

#include <QCoreApplication>
#include <QHash>
#include <QRegularExpression>
#include <QtNumeric>

#include <algorithm>
#include <cmath>
#include <limits>

namespace vorn::schedule {

bool recalculateFinishTimes(QList<TaskItem>& tasks, Instant scheduleStart) {
    bool changed = false;
    Instant cursor = scheduleStart;
    for (qsizetype i = 0; i < tasks.size(); ++i) {
        const TaskItem& task = std::as_const(tasks).at(i);
        Instant finish;
        if (task.isCompleted) {
            // A completion keeps its real time; the cursor never moves backwards.
            finish = task.completedAt.value_or(task.finishTime.value_or(cursor));
            if (finish >= cursor)
                cursor = finish;
        } else {
            const qint64 minutes = std::max<qint64>(task.durationMinutes, 1);
            finish = cursor + double(minutes) * 60.0;
            cursor = finish;
        }
        // Written only on change, so an unchanged schedule leaves a shared array undetached.
        if (task.finishTime != finish) {
            tasks[i].finishTime = finish;
            changed = true;
        }
    }
    return changed;
}

Instant taskStartTime(const QList<TaskItem>& tasks, const QUuid& taskID, Instant scheduleStart) {
    const auto it =
        std::find_if(tasks.cbegin(), tasks.cend(), [&](const TaskItem& task) { return task.id == taskID; });
    if (it == tasks.cend() || it == tasks.cbegin())
        return scheduleStart;
    const TaskItem& previous = *(it - 1);
    if (previous.isCompleted && previous.completedAt)
        return *previous.completedAt;
    return previous.finishTime.value_or(scheduleStart);
}

std::optional<Instant> sectionFinishTime(const Workspace& ws, const QUuid& sectionID) {
    QHash<QUuid, qsizetype> taskByID;
    taskByID.reserve(ws.tasks.size());
    for (qsizetype i = ws.tasks.size() - 1; i >= 0; --i)
        taskByID.insert(ws.tasks.at(i).id, i); // the first record of an ID wins

    std::optional<Instant> latest;
    for (const QUuid& id : outline::orderedTaskIDs(ws, sectionID)) {
        const qsizetype pos = taskByID.value(id, -1);
        if (pos < 0)
            continue;
        const std::optional<Instant>& finish = ws.tasks.at(pos).finishTime;
        if (finish && (!latest || *finish > *latest))
            latest = finish;
    }
    return latest;
}

} // namespace vorn::schedule

namespace vorn::TimeCalculator {

namespace {

// Reads ASCII digits only; nullopt for anything else or for a value beyond qint64.
std::optional<qint64> parseDigits(QStringView digits, bool negative = false) {
    if (digits.isEmpty())
        return std::nullopt;
    qint64 value = 0;
    for (QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const int digit = c.unicode() - u'0';
        // Accumulating toward the sign keeps the most negative value representable.
        if (qMulOverflow(value, qint64(10), &value) ||
            (negative ? qSubOverflow(value, qint64(digit), &value)
                      : qAddOverflow(value, qint64(digit), &value)))
            return std::nullopt;
    }
    return value;
}

std::optional<qint64> parsePlainInteger(QStringView text) {
    bool negative = false;
    if (text.startsWith(u'+') || text.startsWith(u'-')) {
        negative = text.front() == u'-';
        text = text.mid(1);
    }
    return parseDigits(text, negative);
}

qint64 atLeastOneMinute(qint64 minutes) {
    return std::max<qint64>(minutes, 1);
}

} // namespace

std::optional<qint64> parseDurationInput(const QString& input) {
    // \s stays Unicode-aware as typed text may carry any kind of space; \d would
    // be too, so every captured number goes through the ASCII-only reader.
    static const QRegularExpression hoursPattern(QStringLiteral("^(\\d+)\\s*h(?:\\s*(\\d+)\\s*m)?$"),
                                                 QRegularExpression::UseUnicodePropertiesOption);
    static const QRegularExpression minutesPattern(QStringLiteral("^(\\d+)\\s*m$"),
                                                   QRegularExpression::UseUnicodePropertiesOption);

    const QString text = input.trimmed().toLower();
    if (text.isEmpty())
        return std::nullopt;

    if (const auto minutes = parsePlainInteger(text))
        return atLeastOneMinute(*minutes);

    if (const QRegularExpressionMatch match = hoursPattern.match(text); match.hasMatch()) {
        const auto hours = parseDigits(match.capturedView(1));
        const QStringView minutesText = match.capturedView(2);
        const auto minutes = minutesText.isEmpty() ? std::optional<qint64>(0) : parseDigits(minutesText);
        qint64 total = 0;
        if (!hours || !minutes || qMulOverflow(*hours, qint64(60), &total) ||
            qAddOverflow(total, *minutes, &total))
            return std::nullopt;
        return atLeastOneMinute(total);
    }

    if (const QRegularExpressionMatch match = minutesPattern.match(text); match.hasMatch()) {
        if (const auto minutes = parseDigits(match.capturedView(1)))
            return atLeastOneMinute(*minutes);
    }
    return std::nullopt;
}

QString formatRemaining(double seconds) {
    // The countdown never shows negative time; NaN counts as nothing left and
    // anything beyond qint64 as its largest value.
    qint64 whole = 0;
    if (seconds >= 9223372036854775808.0) // 2^63
        whole = std::numeric_limits<qint64>::max();
    else if (seconds >= 1.0)
        whole = qint64(seconds); // truncates toward zero
    return QCoreApplication::translate("Schedule", "%1:%2 left")
        .arg(whole / 60)
        .arg(whole % 60, 2, 10, QLatin1Char('0'));
}

std::optional<double> surgeRemaining(const std::optional<Instant>& surgeModeUntil, Instant now) {
    if (surgeModeUntil && *surgeModeUntil > now)
        return *surgeModeUntil - now;
    return std::nullopt;
}

} // namespace vorn::TimeCalculator
