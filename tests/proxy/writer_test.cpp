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

using namespace vorn;
namespace px = vorn::proxy;

Q_DECLARE_METATYPE(px::Trigger)
Q_DECLARE_METATYPE(px::Mode)
Q_DECLARE_METATYPE(BossAIMode)

namespace {

constexpr Instant kNow = 1'780'000'000;

TaskItem task(const QString& title, qint64 minutes, bool completed) {
    TaskItem t;
    t.id = QUuid::createUuid();
    t.title = title;
    t.durationMinutes = minutes;
    t.isCompleted = completed;
    t.finishTime = kNow + 600;
    return t;
}

// The chat request the app sends for an unprompted message (or, with
// `userText`, a reply), built from the app's own prompt code.
px::ChatRequest appRequest(BossAIMode mode, const QString& trigger, bool intense, bool withActive,
                           const QString& userText = {}) {
    const QList<TaskItem> tasks = {task(QStringLiteral("Ship the invoice export"), 25, false),
                                   task(QStringLiteral("Write the (draft) memo"), 40, false),
                                   task(QStringLiteral("Call the bank"), 10, true)};
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
    std::size_t at = 0, pos = 0;
    bool first = true;
    while (pos <= entry.size()) {
        const std::size_t open = std::min(entry.find('{', pos), entry.size());
        const std::string piece = entry.substr(pos, open - pos);
        if (!piece.empty()) {
            const std::size_t found = text.find(piece, at);
            if (found == std::string::npos || (first && pos == 0 && found != 0))
                return false;
            at = found + piece.size();
        }
        first = false;
        if (open == entry.size())
            break;
        pos = entry.find('}', open) + 1;
    }
    return true;
}

} // namespace

class WriterTest : public QObject {
    Q_OBJECT
private slots:
    void readsTriggerAndWritesInPersona_data();
    void readsTriggerAndWritesInPersona();
    void sparseContextStillGetsAnAnswer();
    void everyBankCanAnswerWithoutContext();
    void estimateIsRefused();
    void classifiesUserMessages();
};

void WriterTest::readsTriggerAndWritesInPersona_data() {
    QTest::addColumn<BossAIMode>("appMode");
    QTest::addColumn<px::Mode>("mode");
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<bool>("intense");
    QTest::addColumn<px::Trigger>("kind");
    QTest::addColumn<QString>("subject");

    const QList<QPair<BossAIMode, px::Mode>> modes = {{BossAIMode::normal, px::Mode::normal},
                                                      {BossAIMode::demon, px::Mode::demon},
                                                      {BossAIMode::messianic, px::Mode::messianic}};
    struct Row {
        const char* name;
        QString trigger;
        bool intense;
        px::Trigger kind;
        QString subject;
    };
    const QList<Row> rows = {
        {"welcome",
         "New task list imported: 3 tasks. User has not started yet — motivate them.",
         false,
         px::Trigger::welcome,
         {}},
        {"on time", "Task completed on time: Call the bank. 2 still pending.", false, px::Trigger::onTime,
         "Call the bank"},
        {"late", "Task completed late: Call the bank. 2 still pending.", false, px::Trigger::late,
         "Call the bank"},
        {"reopened", "Task marked incomplete again: Call the bank", false, px::Trigger::reopened,
         "Call the bank"},
        {"overdue", "Missed deadline on: Ship the invoice export. Still not done.", false,
         px::Trigger::overdue, "Ship the invoice export"},
        {"escalation", "1.5× overdue on: Ship the invoice export. Still not done.", true,
         px::Trigger::escalation, "Ship the invoice export"},
        {"inactivity",
         "Inactivity: 5h since last update. 2 tasks still pending.",
         false,
         px::Trigger::inactivity,
         {}},
        {"surge",
         "Surge mode activated in Backlog. All remaining tasks in this list halved — user must move faster.",
         false, px::Trigger::surge, "Backlog"},
        {"reset",
         "User reset Vorn to the beginning. Fresh start — deliver a short messianic welcome motivating "
         "them for the tasks ahead.",
         false,
         px::Trigger::welcome,
         {}},
    };
    for (const auto& [appMode, mode] : modes) {
        for (const Row& row : rows) {
            QTest::addRow("%s/%d", row.name, int(mode))
                << appMode << mode << row.trigger << row.intense << row.kind << row.subject;
        }
    }
}

void WriterTest::readsTriggerAndWritesInPersona() {
    QFETCH(BossAIMode, appMode);
    QFETCH(px::Mode, mode);
    QFETCH(QString, trigger);
    QFETCH(bool, intense);
    QFETCH(px::Trigger, kind);
    QFETCH(QString, subject);

    const px::ChatRequest request = appRequest(appMode, trigger, intense, true);
    const px::Situation s = px::readSituation(request);
    QCOMPARE(s.mode, mode);
    QCOMPARE(s.trigger, kind);
    QCOMPARE(s.intense, intense);
    QCOMPARE(s.activeTask.value_or(""), std::string("Ship the invoice export"));
    QCOMPARE(s.activeMinutes.value_or(0), 25);
    QCOMPARE(s.done, 1);
    QCOMPARE(s.total, 3);
    if (!subject.isEmpty())
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

void WriterTest::sparseContextStillGetsAnAnswer() {
    // No active task: placeholders that need one are never filled with nothing.
    const px::Situation s = px::readSituation(appRequest(BossAIMode::demon, "Hourly check", false, false));
    QVERIFY(!s.activeTask);
    QCOMPARE(s.trigger, px::Trigger::other);
    std::mt19937 random(7);
    for (int i = 0; i < 20; ++i) {
        const std::string text = px::writeMessage(s, random);
        QVERIFY(!text.empty());
        QVERIFY(text.find('{') == std::string::npos);
    }
}

void WriterTest::everyBankCanAnswerWithoutContext() {
    px::Situation s;
    std::mt19937 random(1);
    for (px::Mode mode : {px::Mode::normal, px::Mode::demon, px::Mode::messianic}) {
        s.mode = mode;
        for (int t = 0; t <= int(px::Trigger::other); ++t) {
            s.trigger = px::Trigger(t);
            for (const char* said : {"done!", "I'm tired", "what now?", "hello"}) {
                s.userMessage = said;
                QVERIFY(!px::writeMessage(s, random).empty());
            }
        }
    }
}

void WriterTest::estimateIsRefused() {
    px::ChatRequest request;
    request.model = "gpt-4o-mini";
    request.messages.push_back(
        {"user", "Give me an aggressive execution timeline starting from 09:05 today."});
    request.responseFormat = nlohmann::json{{"type", "json_object"}};
    px::BuiltinChat chat(1);
    const px::Reply reply = chat.chat(request);
    QCOMPARE(reply.status, 503);
    QCOMPARE(reply.body, std::string(px::kEstimateNeedsModel));

    // A chat turn reads as a reply, and the answer is a completion the app decodes.
    const px::ChatRequest turn =
        appRequest(BossAIMode::normal, "User chat message", false, true, "Is this done?");
    QCOMPARE(px::readSituation(turn).trigger, px::Trigger::reply);
    const px::Reply answer = chat.chat(turn);
    QCOMPARE(answer.status, 200);
    const auto doc = nlohmann::json::parse(answer.body);
    QVERIFY(!doc["choices"][0]["message"]["content"].get<std::string>().empty());
}

void WriterTest::classifiesUserMessages() {
    QCOMPARE(px::classifyUserMessage("Finished the memo"), px::ReplyKind::claimsDone);
    QCOMPARE(px::classifyUserMessage("I'm stuck on the bank call"), px::ReplyKind::excuse);
    QCOMPARE(px::classifyUserMessage("What should I do next?"), px::ReplyKind::question);
    QCOMPARE(px::classifyUserMessage("hello"), px::ReplyKind::other);
}

QTEST_GUILESS_MAIN(WriterTest)
#include "writer_test.moc"
