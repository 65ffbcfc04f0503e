// The AI timeline estimate: the request, reading the answer, and applying it.
#include "fixtures/boss_replies.h"
#include "fixtures/outline_fixture.h"
#include "fixtures/store_fixture.h"
#include "fixtures/test_main.h"
#include "services/timeline_estimate.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QtTest>

using namespace vorn;
using vorn::test::ScriptedReply;
using vorn::test::StoreFixture;

namespace {

const QString chatPath = QString::fromLatin1(kChatCompletionPath);

QByteArray completion(const QByteArray& content) {
    return test::completionReply(QString::fromUtf8(content));
}

void fillTasks(TaskStore& store, const QStringList& titles) {
    QList<QPair<QString, qint64>> tasks;
    for (const QString& title : titles)
        tasks.append({title, 10});
    test::setOpenTasks(store, tasks);
}

QList<qint64> durations(const TaskStore& store) {
    QList<qint64> out;
    for (const TaskItem& t : store.outline().tasks())
        out.append(t.durationMinutes);
    return out;
}

} // namespace

class EstimateTest : public QObject {
    Q_OBJECT

private slots:
    void promptAndBody() {
        // The start time first, the rules, the tasks numbered in order, and last
        // the answer format the reply reader expects.
        const QStringList titles{QStringLiteral("Write report"), QStringLiteral("Ship it")};
        const QString prompt = TimelineEstimate::prompt(titles, test::localTime(21, 5));
        QVERIFY(prompt.section(u'\n', 0, 0).contains(QStringLiteral(" 21:05 ")));
        const qsizetype rules = prompt.indexOf(QStringLiteral("\n\nRules:\n"));
        const qsizetype tasks = prompt.indexOf(QStringLiteral("\n\nTasks:\n1. Write report\n2. Ship it\n\n"));
        const qsizetype format =
            prompt.indexOf(QStringLiteral(R"({"tasks":[{"task":"exact task text","minutes":30}]})"));
        QVERIFY(0 < rules && rules < tasks && tasks < format);
        QVERIFY(TimelineEstimate::prompt({}, test::localTime(9, 5))
                    .section(u'\n', 0, 0)
                    .contains(QStringLiteral(" 09:05 ")));

        // One user message, asking for a JSON object (which the proxy's own writer declines).
        const QJsonObject body =
            TimelineEstimate::requestBody(titles, test::localTime(21, 5), QStringLiteral(" m "));
        QCOMPARE(body.value("model").toString(), QStringLiteral(" m "));
        QCOMPARE(body.value("response_format").toObject(), (QJsonObject{{"type", "json_object"}}));
        QCOMPARE(body.value("messages").toArray(),
                 (QJsonArray{QJsonObject{{"role", "user"}, {"content", prompt}}}));
    }

    void readingTheAnswer() {
        const auto clamped = TimelineEstimate::readReply(completion(
            R"({"tasks":[{"task":"a","minutes":0},{"task":"b","minutes":3},{"task":"c","minutes":500,"x":1}]})"));
        QVERIFY(clamped.ok());
        QCOMPARE(clamped.value(), (QList<qint64>{5, 5, 120}));
        QVERIFY(TimelineEstimate::readReply(completion(R"({"tasks":[]})")).value().isEmpty());

        for (const QByteArray& bad :
             {QByteArray(R"({"tasks":[{"task":"a","minutes":"30"}]})"),
              QByteArray(R"({"tasks":[{"minutes":30}]})"),
              QByteArray(R"({"tasks":[{"task":"a","minutes":30.5}]})"),
              QByteArray("```json\n{\"tasks\":[]}\n```"), QByteArray(R"({"task":[]})")}) {
            const auto read = TimelineEstimate::readReply(completion(bad));
            QVERIFY2(!read.ok(), bad.constData());
            QCOMPARE(read.error().kind, OpenAIError::Kind::decoding);
        }
        QCOMPARE(TimelineEstimate::readReply(R"({"choices":[]})").error().kind,
                 OpenAIError::Kind::emptyContent);
    }

    void minutesLandOnTheTasksThatWereSent() {
        StoreFixture f;
        TaskStore& store = f.start();
        // Nothing to estimate: nothing is sent.
        store.outline().setTasks({});
        QCoro::waitFor(store.estimate().estimateWithAI());
        QCOMPARE(store.errorMessage(), QStringLiteral("Import tasks first."));
        QVERIFY(f.proxy().requests().isEmpty());

        fillTasks(store, {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        f.proxy().reply(chatPath,
                        ScriptedReply::json(completion(
                            R"({"tasks":[{"task":"B?","minutes":40},{"task":"A?","minutes":50}]})")));
        QCoro::waitFor(store.estimate().estimateWithAI());
        QCOMPARE(durations(store), (QList<qint64>{40, 50, 10})); // by position; the third keeps its time
        QCOMPARE(store.statusMessage(), QStringLiteral("AI estimates applied."));
        QCOMPARE(store.chat().chatMessages().last().content,
                 QStringLiteral("AI timeline applied to 3 tasks."));
        QCOMPARE(store.outline().tasks().at(2).finishTime, store.outline().scheduleStartTime() + 100 * 60);
        QVERIFY(!store.estimate().isEstimating());
        QVERIFY(!store.editor().canUndo());

        // Edited while the request runs: the first task removed, a new one added.
        f.proxy().reply(chatPath, ScriptedReply::json(completion(
                                      R"({"tasks":[{"task":"A","minutes":15},{"task":"B","minutes":25},)"
                                      R"({"task":"C","minutes":35}]})")));
        QCoro::Task<> running = store.estimate().estimateWithAI();
        QVERIFY(store.estimate().isEstimating());
        QList<TaskItem> edited = store.outline().tasks().mid(1);
        TaskItem added = edited.first();
        added.id = newUuid();
        added.durationMinutes = 7;
        edited.prepend(added);
        store.outline().setTasks(edited);
        QCoro::waitFor(std::move(running));
        QCOMPARE(durations(store), (QList<qint64>{7, 25, 35}));
        QVERIFY(!store.errorMessage());

        // A reply it cannot read leaves the durations as they are.
        f.proxy().reply(chatPath,
                        ScriptedReply::json(completion(R"({"tasks":[{"task":"A","minutes":"30"}]})")));
        QCoro::waitFor(store.estimate().estimateWithAI());
        QVERIFY(store.errorMessage());
        QCOMPARE(durations(store), (QList<qint64>{7, 25, 35}));
        QVERIFY(!store.estimate().isEstimating());
    }
};

VORN_TEST_CLASS(EstimateTest)
#include "estimate_test.moc"
