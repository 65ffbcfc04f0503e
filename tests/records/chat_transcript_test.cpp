// The chat as plain text, for copying out of the chat panel.
#include "fixtures/test_main.h"
#include "model/chat_transcript_formatter.h"

#include <QDateTime>
#include <QtTest>

using namespace vorn;

namespace {

// A local wall-clock time on a fixed day (the tests run with TZ=Europe/Berlin).
Instant at(int hour, int minute, int second = 0) {
    return QDateTime(QDate(2024, 3, 5), QTime(hour, minute, second)).toMSecsSinceEpoch() / 1000.0;
}

} // namespace

class ChatTranscriptTest : public QObject {
    Q_OBJECT

private slots:
    void transcriptListsEachMessageWithSpeakerAndLocalTime() {
        QCOMPARE(ChatTranscriptFormatter::plainText({}), QString());

        const QLocale german(QLocale::German, QLocale::Germany);
        using Role = ChatMessage::Role;
        const QList<ChatMessage> chat{
            {{}, Role::system, QStringLiteral("Imported 3 tasks."), {}, at(8, 59, 30)},
            {{}, Role::user, QStringLiteral("On it.\nReally."), {}, at(9, 5)},
            {{}, Role::boss, QStringLiteral("Prove it."), {}, at(21, 5)}};
        QCOMPARE(ChatTranscriptFormatter::plainText(chat, german),
                 QStringLiteral("[08:59] System\nImported 3 tasks.\n\n"
                                "[09:05] You\nOn it.\nReally.\n\n"
                                "[21:05] Vorn\nProve it.\n"));
    }
};

VORN_TEST_CLASS(ChatTranscriptTest)
#include "chat_transcript_test.moc"
