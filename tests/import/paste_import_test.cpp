// Importing pasted lists into the store, including hostile pastes.
#include "fixtures/outline_fixture.h"
#include "fixtures/store_fixture.h"
#include "fixtures/test_main.h"
#include "services/openai_service.h"

#include <QtTest>

using namespace vorn;
using vorn::test::ScriptedReply;
using vorn::test::StoreFixture;

namespace {

QStringList rowTitles(const TaskStore& store) {
    QStringList out;
    for (const OutlineRow& row : store.outlineRows()) {
        const QString title =
            row.isTask() ? row.task().title : QStringLiteral("[%1]").arg(row.section().title);
        out.append(QString(row.depth * 2, QLatin1Char(' ')) + title);
    }
    return out;
}

} // namespace

class PasteImportTest : public QObject {
    Q_OBJECT

private slots:
    void replacingTheWholeList() {
        StoreFixture f;
        f.proxy().reply(QString::fromLatin1(kChatCompletionPath),
                        ScriptedReply::json(R"({"choices":[{"message":{"content":"Begin."}}]})"));
        TaskStore& store = f.start();
        BossAIState s = store.bossAIState();
        s.urgencyScore = 90;
        store.setBossAIState(s);
        f.clock().advance(1000);

        const QString text = QStringLiteral("Monday\n1. Mail\n2. Report\n\t1. Draft\n\t2. Send\n3. Gym");
        store.replaceFromPaste(text);
        QCOMPARE(store.sections().first().title, QStringLiteral("Monday"));
        // A parent item becomes a folder, not a heading task.
        QCOMPARE(rowTitles(store), (QStringList{"Mail", "[Report]", "  Draft", "  Send", "Gym"}));
        QCOMPARE(store.sections().at(1).sortOrder, 1);
        for (const TaskItem& t : store.tasks())
            QCOMPARE(t.durationMinutes, 30);
        QCOMPARE(store.scheduleStartTime(), f.clock().now());
        QVERIFY(store.inMotivationalStartPhase());
        QCOMPARE(store.bossAIState().urgencyScore, 45.0);
        QCOMPARE(store.statusMessage(), QStringLiteral("Loaded 4 tasks."));
        QCOMPARE(store.pasteText(), text);
        QCOMPARE(test::outlineProblems(store), QString());
        QTRY_COMPARE(store.chatMessages().last().content, QStringLiteral("Begin."));

        TaskStore& again = f.restart();
        QCOMPARE(rowTitles(again), (QStringList{"Mail", "[Report]", "  Draft", "  Send", "Gym"}));

        again.undo();
        QCOMPARE(again.tasks().size(), 4); // nothing to undo after a restart
    }

    void pastingIntoASection() {
        StoreFixture f;
        TaskStore& store = f.start();
        const WorkspaceSnapshot fresh = store.currentWorkspaceSnapshot();
        store.replaceFromPaste(QStringLiteral("just some words\nand more")); // not a list: nothing happens
        QCOMPARE(store.errorMessage(),
                 QStringLiteral("Couldn't parse list. Paste a numbered Notes-style list."));
        QCOMPARE(store.currentWorkspaceSnapshot(), fresh);
        QVERIFY(!store.canUndo());

        store.replaceFromPaste(QStringLiteral("1. Mail\n2. Errands\n\t1. Bank\n\t2. Post"));
        const QUuid errands = store.sections().at(1).id;
        const qsizetype undoSteps = store.undoStack().size();
        const Instant start = store.scheduleStartTime();
        f.clock().advance(600);

        // Into a folder: its old content goes, the new list takes its place.
        store.pasteIntoSection(QStringLiteral("1. Shop\n2. Pharmacy\n\t1. Pills"), errands);
        QCOMPARE(rowTitles(store), (QStringList{"Mail", "[Errands]", "  Shop", "  [Pharmacy]", "    Pills"}));
        QCOMPARE(store.statusMessage(), QStringLiteral("Pasted 2 items into Errands."));
        QCOMPARE(store.undoStack().size(), undoSteps + 1);
        QCOMPARE(store.scheduleStartTime(), start);
        QCOMPARE(test::outlineProblems(store), QString());

        // Into the root: appended after what is there; the list's title is ignored.
        store.pasteIntoSection(QStringLiteral("Evening\n1. Read\n2. Sleep"), *store.rootSectionID());
        QCOMPARE(rowTitles(store).mid(5), (QStringList{"Read", "Sleep"}));
        QCOMPARE(store.sections().first().title, QStringLiteral("To do"));
        QCOMPARE(test::outlineProblems(store), QString());

        // Into a list that is gone: nothing, not even hidden tasks or an undo step, and a reason.
        const WorkspaceSnapshot before = store.currentWorkspaceSnapshot();
        store.pasteIntoSection(QStringLiteral("1. Lost"), newUuid());
        QCOMPARE(store.currentWorkspaceSnapshot(), before);
        QCOMPARE(store.undoStack().size(), undoSteps + 2);
        QCOMPARE(store.errorMessage(), QStringLiteral("That list no longer exists. Nothing was pasted."));

        store.undo();
        store.undo();
        QCOMPARE(rowTitles(store), (QStringList{"Mail", "[Errands]", "  Bank", "  Post"}));
    }

    void hostilePastesFinishAndStayConsistent_data() {
        QTest::addColumn<QString>("text");
        QString deep;
        for (int i = 0; i < 10000; ++i)
            deep += QString(i, QLatin1Char('\t')) + QStringLiteral("1. level %1\n").arg(i);
        QTest::newRow("10,000 levels") << deep;
        QString big;
        while (big.size() < 1'000'000)
            big += QStringLiteral("%1. item with some words in it\n\t1. child\n").arg(big.size());
        QTest::newRow("1 MB") << big;
        QTest::newRow("long line") << QStringLiteral("1. ") + QString(100000, QLatin1Char('x')) +
                                          QStringLiteral("\n2. ok");
        QTest::newRow("control characters")
            << QString::fromUtf8("1. a\0b\x01\x1b[31m\n2. \xef\xbf\xbd tab\there\n\r\n3. c", 38);
        QTest::newRow("invalid utf-8") << QString::fromUtf8("1. \xff\xfe bad\n2. \xc3\x28");
    }

    void hostilePastesFinishAndStayConsistent() {
        QFETCH(QString, text);
        StoreFixture f;
        TaskStore& store = f.start();
        store.replaceFromPaste(text);
        QVERIFY(!store.errorMessage());
        QVERIFY(!store.tasks().isEmpty());
        QCOMPARE(test::outlineProblems(store), QString());
        const qsizetype count = store.tasks().size();
        QCOMPARE(f.restart().tasks().size(), count);
    }
};

VORN_TEST_CLASS(PasteImportTest)
#include "paste_import_test.moc"
