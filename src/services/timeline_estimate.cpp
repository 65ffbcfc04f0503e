#include "services/timeline_estimate.h"

#include "model/time_format.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cmath>

namespace vorn {

namespace TimelineEstimate {

namespace {

const char* const kRules = R"( today.

Rules:
* I have Cursor + AI tools, so execution is fast.
* Each task block must be realistically sized, not artificially forced to 2 hours.
* Some tasks will take 5–20 minutes, others may take up to 2 hours max if genuinely complex.
* Break tasks into the minimum number of steps needed to produce an MVP or usable concept, not overengineering.
* If something is trivial (e.g. API setup, auth setup, simple scaffolding), compress it into a short block.
* If something is large (AI product design / research / system architecture), you may allocate up to 2 hours but no more.

Constraint:
* Be aggressive and sequential
* Assume no breaks unless unavoidable
* Optimize for maximum output per hour
* Do not over-allocate time to simple setup tasks

Tasks:
)";

const char* const kFormat = R"(

Respond with ONLY valid JSON in this exact format (no markdown):
{"tasks":[{"task":"exact task text","minutes":30}]}

One entry per task, in the same order. Minutes must be 5-120.)";

constexpr qint64 kMinMinutes = 5;
constexpr qint64 kMaxMinutes = 120;

OpenAIError shapeError(const QString& what) {
    return OpenAIError::decodingFailure(
        QCoreApplication::translate("AI", "The AI estimate could not be read: %1").arg(what));
}

} // namespace

QString prompt(const QStringList& titles, Instant startTime) {
    QStringList lines;
    lines.reserve(titles.size());
    for (qsizetype i = 0; i < titles.size(); ++i)
        lines.append(QStringLiteral("%1. %2").arg(QString::number(i + 1), titles.at(i)));
    return QStringLiteral("Give me an aggressive execution timeline starting from ") +
           formatClockTime(startTime) + QString::fromUtf8(kRules) + lines.join(QLatin1Char('\n')) +
           QString::fromUtf8(kFormat);
}

QJsonObject requestBody(const QStringList& titles, Instant startTime, const QString& model) {
    const QJsonObject message{{QStringLiteral("role"), QStringLiteral("user")},
                              {QStringLiteral("content"), prompt(titles, startTime)}};
    return QJsonObject{
        {QStringLiteral("model"), model},
        {QStringLiteral("messages"), QJsonArray{message}},
        {QStringLiteral("temperature"), 0.3},
        {QStringLiteral("response_format"),
         QJsonObject{{QStringLiteral("type"), QStringLiteral("json_object")}}},
    };
}

Result<QList<qint64>, OpenAIError> readReply(const QByteArray& reply) {
    const Result<QString, OpenAIError> content = readReplyContent(reply);
    if (!content)
        return content.error();

    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(content.value().toUtf8(), &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return shapeError(parseError.errorString());
    if (!doc.isObject())
        return shapeError(QStringLiteral("the answer is not a JSON object"));
    const QJsonValue tasks = doc.object().value(QLatin1String("tasks"));
    if (!tasks.isArray())
        return shapeError(QStringLiteral("\"tasks\" is missing or not a list"));

    QList<qint64> minutes;
    const QJsonArray entries = tasks.toArray();
    minutes.reserve(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QJsonObject entry = entries.at(i).toObject();
        if (!entries.at(i).isObject() || !entry.value(QLatin1String("task")).isString())
            return shapeError(QStringLiteral("entry %1 has no task text").arg(i + 1));
        const QJsonValue value = entry.value(QLatin1String("minutes"));
        const double number = value.toDouble();
        // Whole numbers only: "30" (text) and 30.5 do not fit the shape.
        if (!value.isDouble() || !std::isfinite(number) || number != std::trunc(number))
            return shapeError(QStringLiteral("entry %1 has no whole number of minutes").arg(i + 1));
        minutes.append(
            std::clamp(static_cast<qint64>(std::clamp(number, -1e15, 1e15)), kMinMinutes, kMaxMinutes));
    }
    return minutes;
}

} // namespace TimelineEstimate

QCoro::Task<Result<QList<qint64>, OpenAIError>> OpenAIService::estimateDurations(QStringList titles,
                                                                                 double startTime,
                                                                                 QString model,
                                                                                 ProxyConfig proxy) const {
    const QJsonObject body = TimelineEstimate::requestBody(titles, startTime, model);
    const Result<QByteArray, OpenAIError> reply = co_await postChatCompletion(body, std::move(proxy));
    if (!reply)
        co_return reply.error();
    co_return TimelineEstimate::readReply(reply.value());
}

} // namespace vorn
