#pragma once

#include "model/records.h"

#include <QList>
#include <QLocale>
#include <QString>

// The chat as plain text, for copying out of the chat panel.
namespace vorn::ChatTranscriptFormatter {

// Per message: "[<short local time>] <You|Vorn|System>", the content, an empty
// line; lines joined with "\n". Times use the short time format of `locale`.
QString plainText(const QList<ChatMessage>& messages, const QLocale& locale = QLocale());

} // namespace vorn::ChatTranscriptFormatter
