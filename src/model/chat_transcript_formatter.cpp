#include "model/chat_transcript_formatter.h"

#include <QDateTime>
#include <QStringList>

#include <cmath>

namespace vorn::ChatTranscriptFormatter {

namespace {

QString speaker(ChatMessage::Role role) {
    switch (role) {
    case ChatMessage::Role::user:
        return QStringLiteral("You");
    case ChatMessage::Role::boss:
        return QStringLiteral("Vorn");
    case ChatMessage::Role::system:
        break;
    }
    return QStringLiteral("System");
}

} // namespace

QString plainText(const QList<ChatMessage>& messages, const QLocale& locale) {
    QStringList lines;
    for (const ChatMessage& message : messages) {
        const QDateTime local =
            QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(message.timestamp * 1000.0)));
        lines << QLatin1Char('[') + locale.toString(local.time(), QLocale::ShortFormat) +
                     QStringLiteral("] ") + speaker(message.role);
        lines << message.content;
        lines << QString();
    }
    return lines.join(u'\n');
}

} // namespace vorn::ChatTranscriptFormatter
