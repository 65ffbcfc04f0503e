// Boss messages and chat turns through the store, against the fake proxy and
// a fake sound device.
#include "fixtures/await_task.h"
#include "fixtures/boss_replies.h"
#include "fixtures/store_fixture.h"
#include "fixtures/test_main.h"
#include "services/fish_audio_service.h"
#include "services/openai_service.h"

#include <QtTest>

#include <qcoro/qcorotimer.h>

using namespace vorn;
using vorn::test::messageLog;
using vorn::test::ScriptedReply;
using vorn::test::StoreFixture;

namespace {

const QString chatPath = QString::fromLatin1(kChatCompletionPath);
const QString speechPath = QString::fromLatin1(kSpeechPath);

QList<ChatMessage> bossMessages(const TaskStore& store) {
    QList<ChatMessage> out;
    for (const ChatMessage& m : store.chat().chatMessages()) {
        if (m.role == ChatMessage::Role::boss)
            out.append(m);
    }
    return out;
}

} // namespace

class DeliveryTest : public QObject {
    Q_OBJECT

private slots:
    void bossMessageIsSpokenThenCommitted_data() {
        QTest::addColumn<BossAIMode>("mode");
        QTest::addColumn<double>("rate");
        QTest::addColumn<QString>("alert");
        QTest::addColumn<QString>("headline");
        QTest::newRow("messianic") << BossAIMode::messianic << 1.0 << ":/sounds/Glass.wav"
                                   << "Normal Mode";
        QTest::newRow("demon speaks faster") << BossAIMode::demon << 1.5 << ":/sounds/Basso.wav"
                                             << "Demon Mode";
    }

    void bossMessageIsSpokenThenCommitted() {
        QFETCH(BossAIMode, mode);
        QFETCH(double, rate);
        QFETCH(QString, alert);
        QFETCH(QString, headline);
        StoreFixture f;
        TaskStore& store = f.start();
        test::answerEverything(f.proxy(), QStringLiteral("  Rise and build.\n"));
        QCoro::waitFor(store.chat().deliverBossChatMessage(QStringLiteral("Fresh start."),
                                                           mode == BossAIMode::demon, mode, std::nullopt));

        const auto boss = bossMessages(store);
        QCOMPARE(boss.size(), 1);
        QCOMPARE(boss.first().content, QStringLiteral("Rise and build."));
        QCOMPARE(boss.first().mode, mode);
        QCOMPARE(store.statusMessage(), QStringLiteral("Vorn (%1)").arg(bossAIModeText(mode)));
        QCOMPARE(store.boss().activeBossMode(), mode);
        QCOMPARE(store.boss().moodHeadline(), headline);
        QVERIFY(!store.chat().isChatLoading());
        QVERIFY(!store.chat().isDeliveringBossMessage());
        QVERIFY(!store.errorMessage());

        // The request carried the trigger and the credential; speech got the trimmed text.
        const auto chat = f.proxy().requests(chatPath);
        QCOMPARE(chat.size(), 1);
        QCOMPARE(chat.first().header("Authorization"), QByteArray("Bearer test-token"));
        QVERIFY(test::systemPromptOf(chat.first()).contains(QStringLiteral("\nTrigger: Fresh start.\n")));
        QCOMPARE(f.proxy().requests(speechPath).size(), 1);
        QCOMPARE(f.audio().playbacks.size(), 1);
        QCOMPARE(f.audio().playbacks.first()->rate, rate);
        QCOMPARE(f.audio().alerts, QStringList{alert});

        QCOMPARE(messageLog(f.databasePath()),
                 (QList<QStringList>{{bossAIModeText(mode), QStringLiteral("Rise and build."),
                                      QStringLiteral("Fresh start.")}}));
        QCOMPARE(f.database().loadChatMessages().size(), store.chat().chatMessages().size());
    }

    // Vorn's own proxy comes up after the window: a message made before waits
    // for it instead of failing against a port that is not there yet.
    void requestsWaitUntilTheProxyIsUp() {
        StoreFixture f;
        QList<qsizetype> sentWhileWaiting;
        f.setProxyReady([&]() -> QCoro::Task<> {
            QTimer later;
            later.start(5);
            co_await later;
            sentWhileWaiting.append(f.proxy().requests(chatPath).size());
        });
        TaskStore& store = f.start();
        test::answerEverything(f.proxy(), QStringLiteral("Up."));
        QCoro::waitFor(store.chat().deliverBossChatMessage(QStringLiteral("a"), false, BossAIMode::normal,
                                                           std::nullopt));
        QCoro::waitFor(store.chat().sendUserChatMessage(QStringLiteral("and now?")));
        QCOMPARE(sentWhileWaiting, (QList<qsizetype>{0, 1}));
        QCOMPARE(f.proxy().requests(chatPath).size(), 2);
        QCOMPARE(bossMessages(store).size(), 2);
    }

    void secondTriggerWhileOneRunsIsDropped() {
        StoreFixture f;
        TaskStore& store = f.start();
        test::answerEverything(f.proxy(), QStringLiteral("One."));
        QCoro::Task<> first =
            store.chat().deliverBossChatMessage(QStringLiteral("a"), false, BossAIMode::normal, std::nullopt);
        QVERIFY(store.chat().isDeliveringBossMessage());
        QCoro::waitFor(store.chat().deliverBossChatMessage(QStringLiteral("b"), false, BossAIMode::normal,
                                                           std::nullopt));
        QCoro::waitFor(std::move(first));
        QCOMPARE(bossMessages(store).size(), 1);
        QCOMPARE(f.proxy().requests(chatPath).size(), 1);
    }

    void messageAboutATaskDoneMeanwhileIsDiscarded() {
        StoreFixture f;
        TaskStore& store = f.start();
        test::answerEverything(f.proxy(), QStringLiteral("Finish it."));
        const QUuid id = store.outline().tasks().first().id;
        QCoro::Task<> running =
            store.chat().deliverBossChatMessage(QStringLiteral("late"), false, std::nullopt, id);
        QList<TaskItem> tasks = store.outline().tasks();
        tasks.first().isCompleted = true; // done while the request runs
        store.outline().setTasks(tasks);
        QCoro::waitFor(std::move(running));
        QVERIFY(bossMessages(store).isEmpty());
        QVERIFY(!store.chat().isChatLoading());
        QVERIFY(!store.chat().isDeliveringBossMessage());

        // A message about a task that is no longer open is not even requested.
        f.proxy().clearRequests();
        QCoro::waitFor(store.chat().deliverBossChatMessage(QStringLiteral("late"), false, std::nullopt, id));
        QVERIFY(f.proxy().requests(chatPath).isEmpty());
    }

    void failuresOfTheRequestAndOfTheVoice() {
        StoreFixture f;
        TaskStore& store = f.start();
        f.proxy().reply(chatPath, ScriptedReply::text("upstream down", 502));
        QCoro::waitFor(
            store.chat().deliverBossChatMessage(QStringLiteral("x"), false, std::nullopt, std::nullopt));
        QCOMPARE(store.errorMessage(), QStringLiteral("AI error (502): upstream down"));
        QVERIFY(bossMessages(store).isEmpty());
        QVERIFY(!store.chat().isDeliveringBossMessage());

        // The voice failing still commits the message.
        f.proxy().reply(chatPath, ScriptedReply::json(test::completionReply(QStringLiteral("Still here."))));
        f.proxy().reply(speechPath, ScriptedReply::text("no voice", 500));
        QCoro::waitFor(
            store.chat().deliverBossChatMessage(QStringLiteral("x"), false, std::nullopt, std::nullopt));
        QCOMPARE(bossMessages(store).size(), 1);
        QCOMPARE(store.errorMessage(), QStringLiteral("no voice"));

        // And so does a proxy that never answers the speech request.
        f.setRequestTimeoutMs(150);
        f.proxy().reply(speechPath, ScriptedReply::silence());
        QCoro::waitFor(
            store.chat().deliverBossChatMessage(QStringLiteral("x"), false, std::nullopt, std::nullopt));
        QCOMPARE(bossMessages(store).size(), 2);
        QCOMPARE(store.errorMessage(), QStringLiteral("The request timed out."));
    }

    // Speech that cannot or may not happen: the messages still arrive, no
    // alert is raised, and the chat says why once (a failure: once a minute).
    void messagesAreWrittenWhenTheyCannotBeSpoken_data() {
        QTest::addColumn<bool>("speak");
        QTest::addColumn<bool>("device");
        QTest::addColumn<bool>("failToStart");
        QTest::addColumn<int>("speechRequests");
        QTest::addColumn<QStringList>("notices");
        const QString noDevice = QStringLiteral("No sound device: Vorn will write instead of speak.");
        const QString failed = QStringLiteral("Speech failed: Could not play audio. Vorn writes instead.");
        QTest::newRow("speaking off") << false << true << false << 0 << QStringList{};
        QTest::newRow("no sound device") << true << false << false << 0 << QStringList{noDevice};
        QTest::newRow("player will not start") << true << true << true << 4 << QStringList{failed, failed};
    }

    void messagesAreWrittenWhenTheyCannotBeSpoken() {
        QFETCH(bool, speak);
        QFETCH(bool, device);
        QFETCH(bool, failToStart);
        QFETCH(int, speechRequests);
        QFETCH(QStringList, notices);
        StoreFixture f;
        TaskStore& store = f.start();
        store.settings().setSpeakMessages(speak);
        f.audio().device = device;
        test::answerEverything(f.proxy(), QStringLiteral("Onward."));
        const qsizetype greeting = store.chat().chatMessages().size();
        // Three messages within a minute, a fourth a minute after the first.
        for (int at : {0, 20, 40, 61}) {
            f.clock().set(test::localTime(9, 0, at));
            f.audio().failNextStart = failToStart;
            QCoro::waitFor(
                store.chat().deliverBossChatMessage(QStringLiteral("x"), false, std::nullopt, std::nullopt));
        }
        QCOMPARE(bossMessages(store).size(), 4);
        QVERIFY(!store.errorMessage());
        QCOMPARE(f.proxy().requests(speechPath).size(), speechRequests);
        if (!failToStart)
            QVERIFY(f.audio().playbacks.isEmpty());
        QStringList posted;
        for (const ChatMessage& m : store.chat().chatMessages().mid(greeting))
            if (m.role == ChatMessage::Role::system)
                posted.append(m.content);
        QCOMPARE(posted, notices);
    }

    // The typing indicator stays while any request is awaited, not only the first.
    void overlappingTurnsKeepTheChatLoading() {
        StoreFixture f;
        TaskStore& store = f.start();
        f.setRequestTimeoutMs(600);
        f.proxy().reply(chatPath, ScriptedReply::silence());
        QCoro::Task<> slow = store.chat().sendUserChatMessage(QStringLiteral("first"));
        QTRY_COMPARE(f.proxy().requests(chatPath).size(), 1); // held by the silent proxy
        f.setRequestTimeoutMs(5000);
        test::answerEverything(f.proxy(), QStringLiteral("Answered."));
        QCoro::waitFor(store.chat().sendUserChatMessage(QStringLiteral("second")));
        QCOMPARE(bossMessages(store).size(), 1);
        QVERIFY(store.chat().isChatLoading());
        QCoro::waitFor(std::move(slow));
        QVERIFY(!store.chat().isChatLoading());
    }

    void userChatTurn() {
        StoreFixture f;
        TaskStore& store = f.start();
        f.clock().advance(500);
        test::answerEverything(f.proxy(), QStringLiteral("Then do it."));
        QCoro::waitFor(store.chat().sendUserChatMessage(QStringLiteral("I will start now")));

        QCOMPARE(bossMessages(store).last().content, QStringLiteral("Then do it."));
        QCOMPARE(store.boss().bossAIState().lastActivityAt, f.clock().now());
        QVERIFY(test::systemPromptOf(f.proxy().requests(chatPath).first())
                    .contains(QStringLiteral("\nTrigger: User chat message\n")));
        QCOMPARE(messageLog(f.databasePath()).last().last(), QStringLiteral("User chat"));

        f.proxy().reply(chatPath, ScriptedReply::json(R"({"choices":[]})"));
        QCoro::waitFor(store.chat().sendUserChatMessage(QStringLiteral("hello?")));
        QCOMPARE(store.chat().chatMessages().last().content, QStringLiteral("hello?")); // kept, unanswered
        QVERIFY(store.errorMessage());
        QVERIFY(!store.chat().isChatLoading());
    }
};

VORN_TEST_CLASS(DeliveryTest)
#include "delivery_test.moc"
