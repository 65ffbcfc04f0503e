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
    for (const OutlineRow& row : store.outline().outlineRows()) {
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
        BossAIState s = store.boss().bossAIState();
        s.urgencyScore = 90;
        store.boss().setBossAIState(s);
        f.clock().advance(1000);

        const QString text = QStringLiteral("Monday\n1. Mail\n2. Report\n\t1. Draft\n\t2. Send\n3. Gym");
        store.replaceFromPaste(text);
        QCOMPARE(store.outline().sections().first().title, QStringLiteral("Monday"));
        // A parent item becomes a folder, not a heading task.
        QCOMPARE(rowTitles(store), (QStringList{"Mail", "[Report]", "  Draft", "  Send", "Gym"}));
        QCOMPARE(store.outline().sections().at(1).sortOrder, 1);
        for (const TaskItem& t : store.outline().tasks())
            QCOMPARE(t.durationMinutes, 30);
        QCOMPARE(store.outline().scheduleStartTime(), f.clock().now());
        QVERIFY(store.boss().inMotivationalStartPhase());
        QCOMPARE(store.boss().bossAIState().urgencyScore, 45.0);
        QCOMPARE(store.statusMessage(), QStringLiteral("Loaded 4 tasks."));
        QCOMPARE(store.window().pasteText(), text);
        QCOMPARE(test::outlineProblems(store), QString());
        QTRY_COMPARE(store.chat().chatMessages().last().content, QStringLiteral("Begin."));

        TaskStore& again = f.restart();
        QCOMPARE(rowTitles(again), (QStringList{"Mail", "[Report]", "  Draft", "  Send", "Gym"}));

        again.editor().undo();
        QCOMPARE(again.outline().tasks().size(), 4); // nothing to undo after a restart
    }

    void pastingIntoASection() {
        StoreFixture f;
        TaskStore& store = f.start();
        const WorkspaceSnapshot fresh = store.editor().currentWorkspaceSnapshot();
        store.replaceFromPaste(QStringLiteral("just some words\nand more")); // not a list: nothing happens
        QCOMPARE(store.errorMessage(),
                 QStringLiteral("Couldn't parse list. Paste a numbered Notes-style list."));
        QCOMPARE(store.editor().currentWorkspaceSnapshot(), fresh);
        QVERIFY(!store.editor().canUndo());

        store.replaceFromPaste(QStringLiteral("1. Mail\n2. Errands\n\t1. Bank\n\t2. Post"));
        const QUuid errands = store.outline().sections().at(1).id;
        const qsizetype undoSteps = store.editor().undoStack().size();
        const Instant start = store.outline().scheduleStartTime();
        f.clock().advance(600);

        // Into a folder: its old content goes, the new list takes its place.
        store.pasteIntoSection(QStringLiteral("1. Shop\n2. Pharmacy\n\t1. Pills"), errands);
        QCOMPARE(rowTitles(store), (QStringList{"Mail", "[Errands]", "  Shop", "  [Pharmacy]", "    Pills"}));
        QCOMPARE(store.statusMessage(), QStringLiteral("Pasted 2 items into Errands."));
        QCOMPARE(store.editor().undoStack().size(), undoSteps + 1);
        QCOMPARE(store.outline().scheduleStartTime(), start);
        QCOMPARE(test::outlineProblems(store), QString());

        // Into the root: appended after what is there; the list's title is ignored.
        store.pasteIntoSection(QStringLiteral("Evening\n1. Read\n2. Sleep"),
                               *store.outline().rootSectionID());
        QCOMPARE(rowTitles(store).mid(5), (QStringList{"Read", "Sleep"}));
        QCOMPARE(store.outline().sections().first().title, QStringLiteral("To do"));
        QCOMPARE(test::outlineProblems(store), QString());

        // Into a list that is gone: nothing, not even hidden tasks or an undo step, and a reason.
        const WorkspaceSnapshot before = store.editor().currentWorkspaceSnapshot();
        store.pasteIntoSection(QStringLiteral("1. Lost"), newUuid());
        QCOMPARE(store.editor().currentWorkspaceSnapshot(), before);
        QCOMPARE(store.editor().undoStack().size(), undoSteps + 2);
        QCOMPARE(store.errorMessage(), QStringLiteral("That list no longer exists. Nothing was pasted."));

        store.editor().undo();
        store.editor().undo();
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
        QVERIFY(!store.outline().tasks().isEmpty());
        QCOMPARE(test::outlineProblems(store), QString());
        const qsizetype count = store.outline().tasks().size();
        QCOMPARE(f.restart().outline().tasks().size(), count);
    }
};

VORN_TEST_CLASS(PasteImportTest)
#include "paste_import_test.moc"
