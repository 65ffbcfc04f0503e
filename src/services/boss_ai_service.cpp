#include "services/boss_ai_service.h"

#include "services/boss_ai_prompts.h"

#include <QJsonArray>
#include <QJsonObject>

namespace vorn {

namespace {

QJsonObject message(const QString& role, const QString& content) {
    return QJsonObject{{QStringLiteral("role"), role}, {QStringLiteral("content"), content}};
}

// Hotter when the user is far behind, a little hotter for the Demon.
double temperature(BossAIMode mode, bool intense) {
    if (intense)
        return 0.9;
    return mode == BossAIMode::demon ? 0.8 : 0.6;
}

QJsonObject requestBody(const QString& model, const QJsonArray& messages, BossAIMode mode, bool intense) {
    return QJsonObject{
        {QStringLiteral("model"), model},
        {QStringLiteral("messages"), messages},
        {QStringLiteral("temperature"), temperature(mode, intense)},
        {QStringLiteral("max_tokens"), BossAIService::maxTokens},
    };
}

// Copies the client before the first suspension so that the request does not
// depend on the service object outliving it.
QCoro::Task<Result<QString, OpenAIError>> send(OpenAIService openAI, QJsonObject body, ProxyConfig proxy) {
    const Result<QByteArray, OpenAIError> reply = co_await openAI.postChatCompletion(std::move(body), proxy);
    if (!reply)
        co_return reply.error();
    co_return readBossReplyText(reply.value());
}

} // namespace

QCoro::Task<Result<QString, OpenAIError>> BossAIService::generateMessage(BossAIMode mode, QString context,
                                                                         QString model, bool intense,
                                                                         ProxyConfig proxy) const {
    const QJsonArray messages{
        message(QStringLiteral("system"), BossAIPrompts::systemPrompt(mode, context, intense)),
        message(QStringLiteral("user"), QStringLiteral("Write Vorn's message now.")),
    };
    return send(m_openAI, requestBody(model, messages, mode, intense), std::move(proxy));
}

QCoro::Task<Result<QString, OpenAIError>> BossAIService::chat(BossAIMode mode, QString context,
                                                              QList<ChatMessage> history, QString userMessage,
                                                              QString model, bool intense,
                                                              ProxyConfig proxy) const {
    QJsonArray messages{
        message(QStringLiteral("system"), BossAIPrompts::systemPrompt(mode, context, intense))};
    // System notes use up their place in the window but are not sent.
    for (const ChatMessage& entry : history.last(std::min(history.size(), historyWindow))) {
        switch (entry.role) {
        case ChatMessage::Role::user:
            messages.append(message(QStringLiteral("user"), entry.content));
            break;
        case ChatMessage::Role::boss:
            messages.append(message(QStringLiteral("assistant"), entry.content));
            break;
        case ChatMessage::Role::system:
            break;
        }
    }
    messages.append(message(QStringLiteral("user"), userMessage));
    return send(m_openAI, requestBody(model, messages, mode, intense), std::move(proxy));
}

} // namespace vorn
