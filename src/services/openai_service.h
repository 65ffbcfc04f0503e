#pragma once

#include "platform/result.h"
#include "services/proxy_config.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <qcoro/qcorotask.h>

class QNetworkAccessManager;

namespace vorn {

inline constexpr const char* kChatCompletionPath = "/api/openai/chat";

// The failure of a chat request or of reading its reply. description() is the
// text shown to the user.
// How vorn-proxy's answer begins when the AI Estimate has no language model.
inline constexpr const char* kEstimateNeedsModelAnswer = "AI Estimate needs a language model.";

struct OpenAIError {
    enum class Kind {
        apiError,        // the proxy answered with a status other than 200
        invalidResponse, // the answer was not an HTTP response
        emptyContent,    // no choices, or (for boss replies) blank content
        decoding,        // the reply is not a chat completion
        transport,       // the request did not complete: no connection, timeout, insecure address
    };

    Kind kind = Kind::invalidResponse;
    int status = 0;  // apiError
    QString message; // apiError: the reply body; decoding and transport: what went wrong

    QString description() const;

    static OpenAIError api(int status, QString message) {
        return {Kind::apiError, status, std::move(message)};
    }
    static OpenAIError invalid() { return {Kind::invalidResponse, 0, {}}; }
    static OpenAIError empty() { return {Kind::emptyContent, 0, {}}; }
    static OpenAIError decodingFailure(QString what) { return {Kind::decoding, 0, std::move(what)}; }
    static OpenAIError transportFailure(QString what) { return {Kind::transport, 0, std::move(what)}; }

    bool operator==(const OpenAIError&) const = default;
};

// The chat-completion client. Stateless: it posts a body its caller has
// assembled to the proxy and hands back the raw reply bytes on status 200.
// Several requests may be in flight at once.
class OpenAIService {
public:
    // nullptr uses the process-wide network access manager (services/network.h).
    explicit OpenAIService(QNetworkAccessManager* network = nullptr) : m_network(network) {}

    QCoro::Task<Result<QByteArray, OpenAIError>> postChatCompletion(QJsonObject body,
                                                                    ProxyConfig proxy) const;

    // Asks for an aggressive timeline of `titles` from `startTime`: minutes per
    // task, in the order given, each within 5…120 (timeline_estimate.cpp).
    QCoro::Task<Result<QList<qint64>, OpenAIError>> estimateDurations(QStringList titles, double startTime,
                                                                      QString model, ProxyConfig proxy) const;

private:
    QNetworkAccessManager* m_network;
};

// The first choice's message content, exactly as sent (for the timeline
// estimate). No choices at all is emptyContent; a reply that is not a chat
// completion (content null or missing, no message, …) is a decoding error.
Result<QString, OpenAIError> readReplyContent(const QByteArray& reply);

// The same content trimmed of surrounding white space, for boss messages and
// chat answers; content that is blank fails with emptyContent.
Result<QString, OpenAIError> readBossReplyText(const QByteArray& reply);

} // namespace vorn
