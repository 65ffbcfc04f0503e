#pragma once

#include "platform/instant.h"
#include "platform/result.h"
#include "services/openai_service.h"

#include <QJsonObject>
#include <QList>
#include <QStringList>

// The request for an AI timeline and the reading of its answer.
namespace vorn::TimelineEstimate {

// The whole user prompt: the start as "HH:mm" local, the rules, the numbered
// titles and the reply format.
QString prompt(const QStringList& titles, Instant startTime);

// "model", one user message, temperature 0.3 and a JSON-object reply format.
QJsonObject requestBody(const QStringList& titles, Instant startTime, const QString& model);

// The minutes of each entry of the model's {"tasks":[{"task":…,"minutes":…}]}
// answer, in reply order, clamped to 5…120. The content is read as sent: a
// Markdown fence around it is a decoding failure.
Result<QList<qint64>, OpenAIError> readReply(const QByteArray& reply);

} // namespace vorn::TimelineEstimate
