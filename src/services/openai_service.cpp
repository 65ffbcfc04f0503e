#include "services/openai_service.h"

#include "services/network.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

namespace vorn {

QString OpenAIError::description() const {
    switch (kind) {
    case Kind::apiError:
        // The proxy's own advice (which file, which lines) reads better alone.
        if (status == 503 && message.startsWith(QLatin1String(kEstimateNeedsModelAnswer)))
            return message;
        return QCoreApplication::translate("AI", "AI error (%1): %2").arg(status).arg(message);
    case Kind::invalidResponse:
        return QCoreApplication::translate("AI", "Invalid response from Vorn servers.");
    case Kind::emptyContent:
        return QCoreApplication::translate("AI", "AI returned empty content.");
    case Kind::decoding:
    case Kind::transport:
        return message;
    }
    return message;
}

QCoro::Task<Result<QByteArray, OpenAIError>> OpenAIService::postChatCompletion(QJsonObject body,
                                                                               ProxyConfig proxy) const {
    // Everything this needs is copied before the first suspension: the
    // service may be gone by the time the reply arrives.
    QNetworkAccessManager* network = m_network;
    const QByteArray json = QJsonDocument(body).toJson(QJsonDocument::Compact);
    const ProxyConfig config = proxy;

    Result<ProxyReply, QString> sent = co_await postToProxy(
        network, std::move(proxy), QString::fromLatin1(kChatCompletionPath), json, kMaxChatReplyBytes);
    if (!sent)
        co_return OpenAIError::transportFailure(sent.error());

    const ProxyReply& reply = sent.value();
    if (!reply.isHttp)
        co_return OpenAIError::invalid();
    if (reply.status == 200)
        co_return reply.body;
    const QString text = decodeUtf8(reply.body).value_or(QCoreApplication::translate("AI", "Unknown error"));
    co_return OpenAIError::api(reply.status, config.redacted(text));
}

namespace {

OpenAIError notACompletion(const QString& what) {
    return OpenAIError::decodingFailure(
        QCoreApplication::translate("AI", "Could not read the AI reply: %1.").arg(what));
}

} // namespace

Result<QString, OpenAIError> readReplyContent(const QByteArray& reply) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(reply, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return notACompletion(QStringLiteral("it is not JSON (") + parseError.errorString() +
                              QLatin1Char(')'));
    if (!document.isObject())
        return notACompletion(QStringLiteral("it is not a JSON object"));

    const QJsonValue choicesValue = document.object().value(QLatin1String("choices"));
    if (!choicesValue.isArray())
        return notACompletion(QStringLiteral("\"choices\" is missing or not an array"));

    // Every choice has to be well-formed, not just the one that is used.
    const QJsonArray choices = choicesValue.toArray();
    for (qsizetype i = 0; i < choices.size(); ++i) {
        const QString at = QStringLiteral("choices[%1]").arg(i);
        if (!choices.at(i).isObject())
            return notACompletion(at + QStringLiteral(" is not an object"));
        const QJsonValue message = choices.at(i).toObject().value(QLatin1String("message"));
        if (!message.isObject())
            return notACompletion(at + QStringLiteral(".message is missing or not an object"));
        if (!message.toObject().value(QLatin1String("content")).isString())
            return notACompletion(at + QStringLiteral(".message.content is missing or not a string"));
    }

    if (choices.isEmpty())
        return OpenAIError::empty();
    return choices.first()
        .toObject()
        .value(QLatin1String("message"))
        .toObject()
        .value(QLatin1String("content"))
        .toString();
}

Result<QString, OpenAIError> readBossReplyText(const QByteArray& reply) {
    Result<QString, OpenAIError> content = readReplyContent(reply);
    if (!content)
        return content;
    const QString text = content.value().trimmed();
    if (text.isEmpty())
        return OpenAIError::empty();
    return text;
}

} // namespace vorn
