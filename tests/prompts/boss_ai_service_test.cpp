// The boss requests as the proxy receives them, and what becomes of the replies.
#include "expected_prompts.h"
#include "fixtures/await_task.h"
#include "fixtures/fake_proxy.h"
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

QByteArray completion(const QString& content) {
    const QJsonObject message{{QStringLiteral("role"), QStringLiteral("assistant")},
                              {QStringLiteral("content"), content}};
    const QJsonObject choice{{QStringLiteral("message"), message}};
    return QJsonDocument(QJsonObject{{QStringLiteral("choices"), QJsonArray{choice}}}).toJson();
}

QJsonObject msg(const char* role, const QString& content) {
    return QJsonObject{{QStringLiteral("role"), QString::fromLatin1(role)},
                       {QStringLiteral("content"), content}};
}

ChatMessage entry(ChatMessage::Role role, const QString& content) {
    ChatMessage m;
    m.id = newUuid();
    m.role = role;
    m.content = content;
    return m;
}

} // namespace

class BossAIServiceTest : public QObject {
    Q_OBJECT

    FakeProxy proxy;
    BossAIService service;

    QJsonObject onlyRequestBody() {
        const auto requests = proxy.requests(chatPath);
        if (requests.size() != 1)
            return {};
        return requests.first().json.object();
    }

private slots:
    void init() {
        QVERIFY(proxy.isListening());
        proxy.clearRequests();
        proxy.reply(chatPath, ScriptedReply::json(completion(QStringLiteral("  \n Ship it.\n\t"))));
    }

    void generateMessageSendsTheWholeRequest() {
        const auto result =
            awaitTask(service.generateMessage(BossAIMode::demon, context, QStringLiteral(" gpt-4o-mini "),
                                              false, proxy.config(QStringLiteral("tok"))));
        QVERIFY(result.ok());
        QCOMPARE(result.value(), QStringLiteral("Ship it."));

        const auto requests = proxy.requests();
        QCOMPARE(requests.size(), 1);
        const auto& request = requests.first();
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.path, chatPath);
        QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
        QCOMPARE(request.header("Authorization"), QByteArray("Bearer tok"));
        const QJsonObject expected{
            {QStringLiteral("model"), QStringLiteral(" gpt-4o-mini ")},
            {QStringLiteral("messages"),
             QJsonArray{msg("system", expected::demonPrompt),
                        msg("user", QStringLiteral("Write Vorn's message now."))}},
            {QStringLiteral("temperature"), 0.8},
            {QStringLiteral("max_tokens"), 400},
        };
        QCOMPARE(request.json.object(), expected);
        QVERIFY(request.body.contains("\"max_tokens\":400"));
    }

    void temperatureAndEscalationFollowModeAndIntensity_data() {
        QTest::addColumn<BossAIMode>("mode");
        QTest::addColumn<bool>("intense");
        QTest::addColumn<double>("temperature");
        QTest::addColumn<QString>("system");
        QTest::newRow("normal") << BossAIMode::normal << false << 0.6 << expected::normalPrompt;
        QTest::newRow("messianic") << BossAIMode::messianic << false << 0.6 << expected::messianicPrompt;
        QTest::newRow("demon") << BossAIMode::demon << false << 0.8 << expected::demonPrompt;
        QTest::newRow("intense normal")
            << BossAIMode::normal << true << 0.9 << expected::normalPrompt + expected::escalation;
        QTest::newRow("intense demon")
            << BossAIMode::demon << true << 0.9 << expected::demonPrompt + expected::escalation;
    }

    void temperatureAndEscalationFollowModeAndIntensity() {
        QFETCH(BossAIMode, mode);
        QFETCH(bool, intense);
        QFETCH(double, temperature);
        QFETCH(QString, system);

        QVERIFY(
            awaitTask(service.generateMessage(mode, context, QStringLiteral("m"), intense, proxy.config()))
                .ok());
        QVERIFY(awaitTask(service.chat(mode, context, {}, QStringLiteral("hi"), QStringLiteral("m"), intense,
                                       proxy.config()))
                    .ok());
        const auto requests = proxy.requests(chatPath);
        QCOMPARE(requests.size(), 2);
        for (const auto& request : requests) {
            const QJsonObject body = request.json.object();
            QCOMPARE(body.value(QStringLiteral("temperature")).toDouble(), temperature);
            QCOMPARE(body.value(QStringLiteral("messages")).toArray().first(),
                     QJsonValue(msg("system", system)));
        }
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

        const auto result =
            awaitTask(service.chat(BossAIMode::demon, context, history, QStringLiteral("Why?"),
                                   QStringLiteral("gpt-4o"), false, proxy.config()));
        QVERIFY(result.ok());
        QCOMPARE(result.value(), QStringLiteral("Ship it."));

        const QJsonObject expected{
            {QStringLiteral("model"), QStringLiteral("gpt-4o")},
            {QStringLiteral("messages"),
             QJsonArray{
                 msg("system", expected::demonPrompt),
                 msg("user", QStringLiteral("m11")),
                 msg("assistant", QStringLiteral("m12")),
                 msg("user", QStringLiteral("m13")),
                 msg("assistant", QStringLiteral("m14")),
                 msg("assistant", QStringLiteral("m16")),
                 msg("user", QStringLiteral("m17")),
                 msg("assistant", QStringLiteral("m18")),
                 msg("user", QStringLiteral("m19")),
                 msg("user", QStringLiteral("Why?")),
                 msg("user", QStringLiteral("Why?")),
             }},
            {QStringLiteral("temperature"), 0.8},
            {QStringLiteral("max_tokens"), 400},
        };
        QCOMPARE(onlyRequestBody(), expected);
        QCOMPARE(proxy.requests().first().header("Authorization"), QByteArray("Bearer test-token"));
    }

    void chatWithOnlySystemNotesSendsPromptAndQuestion() {
        const QList<ChatMessage> history{entry(ChatMessage::Role::system, QStringLiteral("Imported.")),
                                         entry(ChatMessage::Role::system, QStringLiteral("Reset."))};
        QVERIFY(awaitTask(service.chat(BossAIMode::normal, context, history, QStringLiteral("Now?"),
                                       QStringLiteral("m"), false, proxy.config()))
                    .ok());
        QCOMPARE(onlyRequestBody().value(QStringLiteral("messages")).toArray(),
                 (QJsonArray{msg("system", expected::normalPrompt), msg("user", QStringLiteral("Now?"))}));
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

        const auto generated = awaitTask(
            service.generateMessage(BossAIMode::normal, context, QStringLiteral("m"), false, proxy.config()));
        QVERIFY(!generated.ok());
        QCOMPARE(generated.error(), error);

        const auto answered = awaitTask(service.chat(BossAIMode::normal, context, {}, QStringLiteral("hi"),
                                                     QStringLiteral("m"), false, proxy.config()));
        QVERIFY(!answered.ok());
        QCOMPARE(answered.error(), error);
        QCOMPARE(proxy.requests().size(), 2); // no retries
    }
};

QTEST_GUILESS_MAIN(BossAIServiceTest)
#include "boss_ai_service_test.moc"
