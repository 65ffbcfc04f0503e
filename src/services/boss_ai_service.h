#pragma once

#include "model/records.h"
#include "platform/result.h"
#include "services/openai_service.h"
#include "services/proxy_config.h"

#include <QList>
#include <QString>

#include <qcoro/qcorotask.h>

namespace vorn {

// Turns a mode, the context text and the chat into one chat-completion request
// and the reply into one boss message. Failures of the request or of its reply
// pass through unchanged; nothing is retried.
class BossAIService {
public:
    explicit BossAIService(OpenAIService openAI = OpenAIService()) : m_openAI(openAI) {}

    const OpenAIService& openAI() const { return m_openAI; }

    // An unprompted boss message: the mode's system prompt and one user turn
    // asking for the message.
    QCoro::Task<Result<QString, OpenAIError>> generateMessage(BossAIMode mode, QString context, QString model,
                                                              bool intense, ProxyConfig proxy) const;

    // The boss's answer to `userMessage`: the system prompt, the last twelve
    // entries of `history` (system notes among them left out) and the new text.
    QCoro::Task<Result<QString, OpenAIError>> chat(BossAIMode mode, QString context,
                                                   QList<ChatMessage> history, QString userMessage,
                                                   QString model, bool intense, ProxyConfig proxy) const;

    // How many of the newest history entries a chat request looks at.
    static constexpr qsizetype historyWindow = 12;
    static constexpr int maxTokens = 400;

private:
    OpenAIService m_openAI;
};

} // namespace vorn
