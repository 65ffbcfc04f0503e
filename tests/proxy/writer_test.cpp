// The built-in writer reads the very prompts the app builds, and answers in
// the persona of their mode about the task they name.
#include "builtin_writer.h"
#include "chat_backends.h"
#include "chat_request.h"
#include "config.h"
#include "situation.h"

#include "services/boss_ai_prompts.h"

#include <QTest>

#include <nlohmann/json.hpp>

#include <regex>

using namespace vorn;
namespace px = vorn::proxy;

Q_DECLARE_METATYPE(px::Trigger)

namespace {

constexpr Instant kNow = 1'780'000'000;

// The chat request the app sends for an unprompted message (or, with
// `userText`, a reply), built from the app's own prompt code.
px::ChatRequest appRequest(BossAIMode mode, const QString& trigger, bool intense, bool withActive,
                           const QString& userText = {}) {
    const auto task = [](const char* title, qint64 minutes, bool completed) {
        return TaskItem{
            QUuid::createUuid(), QString::fromUtf8(title), minutes, completed, kNow + 600, {}, {}, {}};
    };
    const QList<TaskItem> tasks = {task("Ship the invoice export", 25, false),
                                   task("Write the (draft) memo", 40, false),
                                   task("Call the bank", 10, true)};
    const std::optional<TaskItem> active = withActive ? std::optional(tasks[0]) : std::nullopt;
    const QString context =
        BossAIPrompts::buildContext(62.9, ModeProbabilities{10, 60, 30}, tasks, active, {}, trigger, kNow);
    px::ChatRequest request;
    request.model = "gpt-4o-mini";
    request.messages.push_back({"system", BossAIPrompts::systemPrompt(mode, context, intense).toStdString()});
    request.messages.push_back(
        {"user", userText.isEmpty() ? "Write Vorn's message now." : userText.toStdString()});
    request.maxTokens = 400;
    return request;
}

int wordCount(const std::string& text) {
    return static_cast<int>(QString::fromStdString(text).split(QLatin1Char(' '), Qt::SkipEmptyParts).size());
}

// Whether `text` starts as template `entry` does, its literal pieces in order.
bool fitsTemplate(const std::string& text, const std::string& entry) {
    static const std::regex special(R"([.^$|()\[\]{}*+?\\])"), placeholder(R"(\\\{\w+\\\})");
    const std::string literal = std::regex_replace(entry, special, R"(\$&)");
    return std::regex_search(text, std::regex("^" + std::regex_replace(literal, placeholder, R"([\s\S]*)")));
}

} // namespace

class WriterTest : public QObject {
    Q_OBJECT
private slots:
    void readsTriggerAndWritesInPersona_data() {
        QTest::addColumn<QString>("trigger"); // as the app words it
        QTest::addColumn<bool>("intense");
        QTest::addColumn<px::Trigger>("kind");
        QTest::addColumn<QString>("subject");
        const QString bank = QStringLiteral("Call the bank"),
                      ship = QStringLiteral("Ship the invoice export");
        QTest::newRow("welcome")
            << "New task list imported: 3 tasks. User has not started yet — motivate them." << false
            << px::Trigger::welcome << QString();
        QTest::newRow("on time") << "Task completed on time: Call the bank. 2 still pending." << false
                                 << px::Trigger::onTime << bank;
        QTest::newRow("late") << "Task completed late: Call the bank. 2 still pending." << false
                              << px::Trigger::late << bank;
        QTest::newRow("reopened") << "Task marked incomplete again: Call the bank" << false
                                  << px::Trigger::reopened << bank;
        QTest::newRow("overdue") << "Missed deadline on: Ship the invoice export. Still not done." << false
                                 << px::Trigger::overdue << ship;
        QTest::newRow("escalation") << "1.5× overdue on: Ship the invoice export. Still not done." << true
                                    << px::Trigger::escalation << ship;
        QTest::newRow("inactivity") << "Inactivity: 5h since last update. 2 tasks still pending." << false
                                    << px::Trigger::inactivity << QString();
        QTest::newRow("surge")
            << "Surge mode activated in Backlog. All remaining tasks in this list halved — user "
               "must move faster."
            << false << px::Trigger::surge << "Backlog";
        QTest::newRow("reset") << "User reset Vorn to the beginning. Fresh start — deliver a short messianic "
                                  "welcome motivating them for the tasks ahead."
                               << false << px::Trigger::welcome << QString();
    }

    void readsTriggerAndWritesInPersona() {
        QFETCH(QString, trigger);
        QFETCH(bool, intense);
        QFETCH(px::Trigger, kind);
        QFETCH(QString, subject);
        const QList<QPair<BossAIMode, px::Mode>> modes = {{BossAIMode::normal, px::Mode::normal},
                                                          {BossAIMode::demon, px::Mode::demon},
                                                          {BossAIMode::messianic, px::Mode::messianic}};
        for (const auto& [appMode, mode] : modes) {
            const px::Situation s = px::readSituation(appRequest(appMode, trigger, intense, true));
            QCOMPARE(s.mode, mode);
            QCOMPARE(s.trigger, kind);
            QCOMPARE(s.intense, intense);
            QCOMPARE(s.activeTask.value_or(""), std::string("Ship the invoice export"));
            QCOMPARE(s.activeMinutes.value_or(0), 25);
            QCOMPARE(s.done, 1);
            QCOMPARE(s.total, 3);
            QCOMPARE(QString::fromStdString(s.subject.value_or("")), subject);

            // Several draws: each comes from this mode's words for this trigger, is
            // fully filled in, stays short, and the draws name the day's tasks.
            const auto& bank = px::phraseBank(mode, kind);
            bool named = false;
            for (unsigned seed = 0; seed < 12; ++seed) {
                std::mt19937 random(seed);
                const std::string text = px::writeMessage(s, random);
                QVERIFY(!text.empty());
                QVERIFY2(text.find('{') == std::string::npos, text.c_str());
                QVERIFY2(wordCount(text) <= 200, text.c_str());
                QVERIFY2(std::any_of(bank.begin(), bank.end(),
                                     [&](const std::string& t) { return fitsTemplate(text, t); }),
                         text.c_str());
                named = named || text.find("Ship the invoice export") != std::string::npos ||
                        (!subject.isEmpty() && text.find(subject.toStdString()) != std::string::npos);
            }
            QVERIFY(named);
        }
    }

    void everyBankAnswersWithoutContext() {
        // No active task, or no context at all: placeholders that need one are
        // never filled with nothing, and every bank has an answer.
        const px::Situation sparse =
            px::readSituation(appRequest(BossAIMode::demon, "Hourly check", false, false));
        QVERIFY(!sparse.activeTask);
        QCOMPARE(sparse.trigger, px::Trigger::other);
        std::mt19937 random(1);
        for (px::Situation s : {sparse, px::Situation{}}) {
            for (px::Mode mode : {px::Mode::normal, px::Mode::demon, px::Mode::messianic}) {
                s.mode = mode;
                for (int t = 0; t <= int(px::Trigger::other); ++t) {
                    s.trigger = px::Trigger(t);
                    for (const char* said : {"hello", "done!", "I'm tired", "what now?"}) {
                        s.userMessage = said;
                        const std::string text = px::writeMessage(s, random);
                        QVERIFY(!text.empty());
                        QVERIFY2(text.find('{') == std::string::npos, text.c_str());
                    }
                }
            }
        }
    }

    // The user's chat, answered by what it means, in each mode's own words.
    void answersByIntent_data() {
        QTest::addColumn<QString>("said");
        QTest::addColumn<int>("kind");
        const auto row = [](const char* said, px::ReplyKind kind) {
            QTest::newRow(said) << said << int(kind);
        };
        row("I haven't finished it yet", px::ReplyKind::notDone);
        row("not done, still working on it", px::ReplyKind::notDone);
        row("Done! Shipped it.", px::ReplyKind::claimsDone);
        row("Can I get more time on this one?", px::ReplyKind::moreTime);
        row("I'm stuck, the API keeps failing", px::ReplyKind::stuck);
        row("What should I do after this?", px::ReplyKind::question);
        row("hello there", px::ReplyKind::greeting);
        row("ok", px::ReplyKind::other);
    }

    void answersByIntent() {
        QFETCH(QString, said);
        QFETCH(int, kind);
        QCOMPARE(int(px::classifyUserMessage(said.toStdString())), kind);
        std::mt19937 random(7);
        for (px::Mode mode : {px::Mode::normal, px::Mode::demon, px::Mode::messianic}) {
            px::Situation s;
            s.mode = mode;
            s.trigger = px::Trigger::reply;
            s.userMessage = said.toStdString();
            s.activeTask = "Ship the invoice export";
            const std::string text = px::writeMessage(s, random);
            const auto& bank = px::replyBank(mode, px::ReplyKind(kind));
            QVERIFY2(std::any_of(bank.begin(), bank.end(),
                                 [&](const std::string& t) { return fitsTemplate(text, t); }),
                     text.c_str());
        }
    }

    // Facts as the prompt states them, whatever is drawn; variety without
    // repeats among the last five of one situation.
    void factsAndVariety_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("trigger");
        QTest::addColumn<int>("done");
        QTest::addColumn<int>("total");
        QTest::addColumn<QString>("said");
        for (int mode = 0; mode < 3; ++mode) {
            const QByteArray m = QByteArray::number(mode);
            QTest::newRow("restart, 2 of 4 done, mode " + m)
                << mode << int(px::Trigger::welcome) << 2 << 4 << "";
            QTest::newRow("one task, mode " + m) << mode << int(px::Trigger::welcome) << 0 << 1 << "";
            QTest::newRow("late, mode " + m) << mode << int(px::Trigger::late) << 1 << 2 << "";
            QTest::newRow("not finished yet, mode " + m)
                << mode << int(px::Trigger::reply) << 1 << 3 << "I haven't finished it yet";
        }
    }

    void factsAndVariety() {
        QFETCH(int, mode);
        QFETCH(int, trigger);
        QFETCH(int, done);
        QFETCH(int, total);
        QFETCH(QString, said);
        px::Situation s;
        s.mode = px::Mode(mode);
        s.trigger = px::Trigger(trigger);
        s.done = done;
        s.total = total;
        s.pending = total - done;
        s.activeTask = "Renew passport.";
        s.activeMinutes = 20;
        s.finishBy = "10:30";
        s.subject = "Call the bank!";
        s.hours = 1;
        s.userMessage = said.toStdString();
        std::mt19937 random(42);
        px::RecentMessages recent;
        std::vector<std::string> drawn;
        for (int i = 0; i < 20; ++i) {
            const std::string text = px::writeMessage(s, random, &recent);
            const int last = int(drawn.size());
            for (int back = std::max(0, last - 5); back < last; ++back)
                QVERIFY2(drawn[std::size_t(back)] != text, text.c_str());
            drawn.push_back(text);
            QVERIFY2(wordCount(text) < 40, text.c_str());
            for (const char* wrong :
                 {"Zero done", "nothing done yet", "1 tasks", "1 hours", "..", "!.", ". ."})
                QVERIFY2(text.find(wrong) == std::string::npos, text.c_str());
            // Any count of done tasks is the real one.
            static const std::regex count(R"((\d+) (?:of \d+ )?done)");
            for (std::sregex_iterator m(text.begin(), text.end(), count), end; m != end; ++m)
                QCOMPARE((*m)[1].str(), std::to_string(done));
        }
        std::sort(drawn.begin(), drawn.end());
        QVERIFY(std::unique(drawn.begin(), drawn.end()) - drawn.begin() >= 8);
    }

    void estimateIsRefused() {
        px::ChatRequest request;
        request.model = "gpt-4o-mini";
        request.messages.push_back(
            {"user", "Give me an aggressive execution timeline starting from 09:05 today."});
        request.responseFormat = nlohmann::json{{"type", "json_object"}};
        px::BuiltinChat chat(1, "/home/someone/.config/Vorn/vorn-proxy.conf");
        const px::Reply reply = chat.chat(request);
        QCOMPARE(reply.status, 503);
        QVERIFY(reply.body.rfind(px::kEstimateNeedsModel, 0) == 0);
        // Where, and what to write there.
        for (const char* needed :
             {"/home/someone/.config/Vorn/vorn-proxy.conf", "\nchat_backend = openai\n", "\nopenai_key = "})
            QVERIFY2(reply.body.find(needed) != std::string::npos, reply.body.c_str());

        // A chat turn reads as a reply.
        const px::ChatRequest turn =
            appRequest(BossAIMode::normal, "User chat message", false, true, "Is this done?");
        QCOMPARE(px::readSituation(turn).trigger, px::Trigger::reply);
        QCOMPARE(chat.chat(turn).status, 200);
    }
};

QTEST_GUILESS_MAIN(WriterTest)
#include "writer_test.moc"
