// The boss requests as the proxy receives them: the system prompt of each mode
// with the context in it and the escalation at its end, the history sent, and
// what becomes of the replies.
// Headers and status handling belong to the chat client and are tested there.
#include "fixtures/await_task.h"
#include "fixtures/boss_replies.h"
#include "fixtures/fake_proxy.h"
#include "fixtures/test_main.h"
#include "services/boss_ai_service.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QtTest>

using namespace vorn;
using vorn::test::awaitTask;
using vorn::test::FakeProxy;
using vorn::test::ScriptedReply;

namespace {

const QString chatPath = QStringLiteral("/api/openai/chat");
const QString context = QStringLiteral("CONTEXT LINE 1\nCONTEXT LINE 2");
const QString model = QStringLiteral(" gpt-4o-mini "); // sent as given

QByteArray completion(const QString& content) {
    return vorn::test::completionReply(content);
}

QJsonObject msg(const char* role, const QString& content) {
    return {{"role", QString::fromLatin1(role)}, {"content", content}};
}

QJsonObject body(const QJsonArray& messages, double temperature) {
    return {{"model", model}, {"messages", messages}, {"temperature", temperature}, {"max_tokens", 400}};
}

ChatMessage entry(ChatMessage::Role role, const QString& content) {
    return {newUuid(), role, content, std::nullopt, 0};
}

} // namespace

class BossAIServiceTest : public QObject {
    Q_OBJECT

    FakeProxy proxy;
    BossAIService service;

    QList<QJsonObject> bodies() const {
        QList<QJsonObject> out;
        for (const auto& request : proxy.requests(chatPath))
            out << request.json.object();
        return out;
    }

private slots:
    void init() {
        proxy.clearRequests();
        proxy.reply(chatPath, ScriptedReply::json(completion(QStringLiteral("  \n Ship it.\n\t"))));
    }

    void requestsFollowModeAndIntensity_data() {
        QTest::addColumn<BossAIMode>("mode");
        QTest::addColumn<bool>("intense");
        QTest::addColumn<double>("temperature");
        QTest::addColumn<QString>("modeName"); // in the opening line
        QTest::newRow("normal") << BossAIMode::normal << false << 0.6 << "Normal";
        QTest::newRow("messianic") << BossAIMode::messianic << false << 0.6 << "Messianic";
        QTest::newRow("demon") << BossAIMode::demon << false << 0.8 << "Demon";
        QTest::newRow("intense normal") << BossAIMode::normal << true << 0.9 << "Normal";
        QTest::newRow("intense demon") << BossAIMode::demon << true << 0.9 << "Demon";
        QTest::newRow("intense messianic") << BossAIMode::messianic << true << 0.9 << "Messianic";
    }

    void requestsFollowModeAndIntensity() {
        QFETCH(BossAIMode, mode);
        QFETCH(bool, intense);
        QFETCH(double, temperature);
        QFETCH(QString, modeName);
        const auto generated =
            awaitTask(service.generateMessage(mode, context, model, intense, proxy.config()));
        const auto answered =
            awaitTask(service.chat(mode, context, {}, QStringLiteral("hi"), model, intense, proxy.config()));
        QVERIFY(generated.ok() && answered.ok());
        QCOMPARE(generated.value(), QStringLiteral("Ship it."));
        QCOMPARE(answered.value(), QStringLiteral("Ship it."));

        const QList<QJsonObject> sent = bodies();
        const QString system = sent.value(0)["messages"].toArray().first()["content"].toString();
        QCOMPARE(sent,
                 (QList<QJsonObject>{
                     body({msg("system", system), msg("user", "Write Vorn's message now.")}, temperature),
                     body({msg("system", system), msg("user", "hi")}, temperature)}));

        // The mode's own voice first, then the context whole, then the rules for
        // every mode, and the escalation only when intense, at the very end.
        QVERIFY2(system.section(u'\n', 0, 0).contains(modeName), qPrintable(system));
        const qsizetype contextAt = system.indexOf(QStringLiteral("\nCurrent context: ") + context + u'\n');
        const qsizetype rulesAt = system.indexOf(QStringLiteral("\nDo not mention which mode you are in."));
        const qsizetype escalationAt = system.indexOf(QStringLiteral("\n\nINTENSITY ESCALATION"));
        QVERIFY(0 < contextAt && contextAt < rulesAt);
        QCOMPARE(escalationAt > rulesAt, intense);
        QCOMPARE(escalationAt < 0, !intense);
        QVERIFY(system.endsWith(intense ? QStringLiteral("Demand immediate action now.")
                                        : QStringLiteral("Keep it under 200 words.")));
    }

    void chatSendsTheLastTwelveEntriesWithoutSystemNotes() {
        // Twenty entries: every fifth a system note, the others alternating user and boss.
        QList<ChatMessage> history;
        for (int i = 1; i <= 20; ++i) {
            const auto role = i % 5 == 0 ? ChatMessage::Role::system
                                         : (i % 2 == 1 ? ChatMessage::Role::user : ChatMessage::Role::boss);
            history << entry(role, QStringLiteral("m%1").arg(i));
        }
        history << entry(ChatMessage::Role::user, QStringLiteral("Why?"));

        QVERIFY(awaitTask(service.chat(BossAIMode::demon, context, history, QStringLiteral("Why?"), model,
                                       false, proxy.config()))
                    .ok());
        const QString system = bodies().value(0)["messages"].toArray().first()["content"].toString();
        QCOMPARE(bodies(),
                 QList<QJsonObject>{body(
                     {msg("system", system), msg("user", "m11"), msg("assistant", "m12"), msg("user", "m13"),
                      msg("assistant", "m14"), msg("assistant", "m16"), msg("user", "m17"),
                      msg("assistant", "m18"), msg("user", "m19"), msg("user", "Why?"), msg("user", "Why?")},
                     0.8)});
    }

    void failuresPassThroughUnchanged() {
        proxy.reply(chatPath, ScriptedReply::text("upstream down", 500));
        const OpenAIError error = OpenAIError::api(500, QStringLiteral("upstream down"));
        const auto generated =
            awaitTask(service.generateMessage(BossAIMode::normal, context, model, false, proxy.config()));
        QVERIFY(!generated.ok());
        QCOMPARE(generated.error(), error);

        const auto answered = awaitTask(service.chat(BossAIMode::normal, context, {}, QStringLiteral("hi"),
                                                     model, false, proxy.config()));
        QVERIFY(!answered.ok());
        QCOMPARE(answered.error(), error);
        QCOMPARE(proxy.requests().size(), 2); // no retries
    }
};

VORN_TEST_CLASS(BossAIServiceTest)
#include "boss_ai_service_test.moc"
