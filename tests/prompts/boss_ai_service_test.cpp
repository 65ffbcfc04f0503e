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
        QTest::addColumn<QString>("opening");
        const QString normal = QStringLiteral("You are Vorn, operating in Normal Mode.");
        const QString demon = QStringLiteral("You are Vorn in Demon Mode.");
        const QString messianic = QStringLiteral("You are Vorn in Messianic / Visionary Mode.");
        QTest::newRow("normal") << BossAIMode::normal << false << 0.6 << normal;
        QTest::newRow("messianic") << BossAIMode::messianic << false << 0.6 << messianic;
        QTest::newRow("demon") << BossAIMode::demon << false << 0.8 << demon;
        QTest::newRow("intense normal") << BossAIMode::normal << true << 0.9 << normal;
        QTest::newRow("intense demon") << BossAIMode::demon << true << 0.9 << demon;
        QTest::newRow("intense messianic") << BossAIMode::messianic << true << 0.9 << messianic;
    }

    void requestsFollowModeAndIntensity() {
        QFETCH(BossAIMode, mode);
        QFETCH(bool, intense);
        QFETCH(double, temperature);
        QFETCH(QString, opening);
        const auto generated =
            awaitTask(service.generateMessage(mode, context, model, intense, proxy.config()));
        // System notes never reach the model, so this history adds nothing.
        const QList<ChatMessage> notes{entry(ChatMessage::Role::system, QStringLiteral("Imported.")),
                                       entry(ChatMessage::Role::system, QStringLiteral("Reset."))};
        const auto answered = awaitTask(
            service.chat(mode, context, notes, QStringLiteral("hi"), model, intense, proxy.config()));
        QVERIFY(generated.ok() && answered.ok());
        QCOMPARE(generated.value(), QStringLiteral("Ship it."));
        QCOMPARE(answered.value(), QStringLiteral("Ship it."));

        const QList<QJsonObject> sent = bodies();
        QCOMPARE(sent.size(), 2);
        const QString system = sent[0]["messages"].toArray().first()["content"].toString();
        QCOMPARE(sent[0],
                 body({msg("system", system), msg("user", "Write Vorn's message now.")}, temperature));
        QCOMPARE(sent[1], body({msg("system", system), msg("user", "hi")}, temperature));

        // The mode's own voice first, then the context whole, then the rules for
        // every mode, and the escalation only when intense, at the very end.
        QVERIFY2(system.startsWith(opening), qPrintable(system));
        const qsizetype contextAt = system.indexOf(QStringLiteral("\nCurrent context: ") + context + u'\n');
        QVERIFY(contextAt > 0);
        const qsizetype rulesAt = system.indexOf(QStringLiteral("\nDo not mention which mode you are in."));
        QVERIFY(rulesAt > contextAt);
        const qsizetype limitAt = system.indexOf(QStringLiteral("\nKeep it under 200 words."));
        QVERIFY(limitAt > rulesAt);
        const qsizetype escalationAt =
            system.indexOf(QStringLiteral("\n\nINTENSITY ESCALATION (1.5× overdue): "));
        QCOMPARE(escalationAt > limitAt, intense);
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
        QCOMPARE(bodies().size(), 1);
        const QString system = bodies()[0]["messages"].toArray().first()["content"].toString();
        QVERIFY(system.startsWith(QStringLiteral("You are Vorn in Demon Mode.")));
        QCOMPARE(bodies(),
                 QList<QJsonObject>{body(
                     {msg("system", system), msg("user", "m11"), msg("assistant", "m12"), msg("user", "m13"),
                      msg("assistant", "m14"), msg("assistant", "m16"), msg("user", "m17"),
                      msg("assistant", "m18"), msg("user", "m19"), msg("user", "Why?"), msg("user", "Why?")},
                     0.8)});
    }

    void failuresPassThroughUnchanged_data() {
        QTest::addColumn<ScriptedReply>("reply");
        QTest::addColumn<OpenAIError>("error");
        QTest::newRow("blank content")
            << ScriptedReply::json(completion(QStringLiteral("   \n"))) << OpenAIError::empty();
        QTest::newRow("server error") << ScriptedReply::text("upstream down", 500)
                                      << OpenAIError::api(500, QStringLiteral("upstream down"));
    }

    void failuresPassThroughUnchanged() {
        QFETCH(ScriptedReply, reply);
        QFETCH(OpenAIError, error);
        proxy.reply(chatPath, reply);

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
