// The outline table driven from the keyboard: building a day with Enter, Tab,
// Shift+Tab and Backspace, titles and minutes committed, typed text kept while
// the store changes underneath, copy, paste and undo.
#include "outline_view_harness.h"

#include "outline_io/hierarchical_task_exporter.h"
#include "views/outline/outline_header_bar.h"

#include <QAction>
#include <QClipboard>
#include <QMainWindow>
#include <QRandomGenerator>
#include <QToolButton>

using namespace vorn;
using namespace vorn::test;
using M = OutlineTableModel;

class OutlineViewTest : public QObject {
    Q_OBJECT

private slots:
    void aDayBuiltFromTheKeyboardIsSaved() {
        OutlineHarness h;
        const QUuid placeholder = h.store.tasks().first().id;
        QVERIFY(h.table()->focusTitle(placeholder, true));
        QCOMPARE(h.editor()->selectedText(), QStringLiteral("Create to do list"));

        QTest::keyClicks(h.editor(), QStringLiteral("Plan"));
        QTest::keyClick(h.editor(), Qt::Key_Return);
        h.settle();
        QTest::keyClicks(h.editor(), QStringLiteral("Write report"));
        QTest::keyClick(h.editor(), Qt::Key_Enter);
        h.settle();
        QTest::keyClicks(h.editor(), QStringLiteral("Draft"));
        QTest::keyClick(h.editor(), Qt::Key_Tab);
        h.settle();
        QCOMPARE(h.editor()->text(), QStringLiteral("Draft"));
        QTest::keyClick(h.editor(), Qt::Key_Return);
        h.settle();
        QTest::keyClicks(h.editor(), QStringLiteral("Review"));
        QTest::keyClick(h.editor(), Qt::Key_Tab, Qt::ShiftModifier); // arrives as Backtab
        h.settle();
        QTest::keyClick(h.editor(), Qt::Key_Return);
        h.settle();
        QVERIFY(h.editor()->text().isEmpty());
        QTest::keyClick(h.editor(), Qt::Key_Backspace);
        h.settle();
        QCOMPARE(h.editor()->text(), QStringLiteral("Review"));

        const QStringList expected{"Plan@0", "Write report@0*", "Draft@1", "Review@0"};
        QCOMPARE(rowTexts(h.store), expected);
        QCOMPARE(h.shownRows(), (QStringList{"Plan@0", "Write report@0", "Draft@1", "Review@0"}));

        // Minutes and completion, then everything read back from the database.
        h.table()->setFocus(); // leaves the title field
        const int review = h.model()->rowOfTask(taskNamed(h.store, QStringLiteral("Review")));
        h.table()->edit(h.model()->index(review, M::MinutesColumn));
        h.editor()->selectAll();
        QTest::keyClicks(h.editor(), QStringLiteral("1h 30m"));
        QTest::keyClick(h.editor(), Qt::Key_Return);
        QTest::mouseClick(h.table()->viewport(), Qt::LeftButton, {}, h.cellCentre(0, M::ToggleColumn));
        QVERIFY(taskWithID(h.store, taskNamed(h.store, QStringLiteral("Plan"))).isCompleted);

        h.tester.reset();
        h.view.reset();
        TaskStore& reread = h.fixture.restart();
        QCOMPARE(rowTexts(reread), expected);
        QCOMPARE(taskWithID(reread, taskNamed(reread, QStringLiteral("Review"))).durationMinutes, 90);
        QVERIFY(taskWithID(reread, taskNamed(reread, QStringLiteral("Plan"))).isCompleted);
    }

    void typedTextSurvivesStoreChanges() {
        OutlineHarness h;
        OutlineBuilder b(h.store);
        const QUuid first = b.task(QStringLiteral("First"));
        const QUuid typed = b.task(QStringLiteral("Second"));
        b.apply();
        h.settle();
        QVERIFY(h.table()->focusTitle(typed, false));
        QTest::keyClicks(h.editor(), QStringLiteral(" draft"));

        // A completion elsewhere and a new schedule start re-time this row.
        h.store.toggleCompletion(first);
        h.store.setScheduleStartTime(localTime(10, 0));
        h.store.recalculateFinishTimes();
        h.settle();
        QVERIFY(h.editor());
        QCOMPARE(h.editor()->text(), QStringLiteral("Second draft"));

        // Leaving the field commits it as one undo step.
        const qsizetype undoSteps = h.store.undoStack().size();
        h.table()->setFocus();
        h.settle();
        QCOMPARE(taskWithID(h.store, typed).title, QStringLiteral("Second draft"));
        QCOMPARE(h.store.undoStack().size(), undoSteps + 1);

        // An unchanged title commits nothing.
        QVERIFY(h.table()->focusTitle(typed, false));
        h.table()->setFocus();
        h.settle();
        QCOMPARE(h.store.undoStack().size(), undoSteps + 1);
    }

    // Random edits and undos: after each, the table shows exactly the store's
    // rows, reached by row-level changes (no reset) that the model tester accepts.
    void rowsFollowRandomEdits() {
        OutlineHarness h;
        OutlineBuilder b(h.store);
        for (int f = 0; f < 3; ++f) {
            const QUuid folder = b.folder(QStringLiteral("F%1").arg(f));
            for (int t = 0; t < 4; ++t)
                b.task(QStringLiteral("T%1.%2").arg(f).arg(t), folder);
        }
        b.task(QStringLiteral("Loose"));
        b.apply();
        h.settle();
        QRandomGenerator random(11);
        int resets = 0;
        connect(h.model(), &QAbstractItemModel::modelReset, h.model(), [&resets] { ++resets; });
        for (int step = 0; step < 150; ++step) {
            const QList<TaskItem> tasks = h.store.tasks();
            const QUuid task = tasks.at(random.bounded(int(tasks.size()))).id;
            const QUuid other = tasks.at(random.bounded(int(tasks.size()))).id;
            switch (random.bounded(7)) {
            case 0:
                h.store.indentTask(task);
                break;
            case 1:
                h.store.outdentTask(task);
                break;
            case 2:
                h.store.moveOutlineTask(task, other);
                break;
            case 3:
                h.store.addTask(task);
                break;
            case 4:
                h.store.removeTask(task);
                break;
            case 5:
                h.store.undo();
                break;
            default: {
                const QList<TaskSection> sections = h.store.sections();
                const TaskSection& s = sections.at(random.bounded(int(sections.size())));
                h.store.moveOutlineSection(s.id, sections.first().id);
                break;
            }
            }
            h.settle();
            QCOMPARE(h.model()->rows(), h.store.outlineRows());
        }
        QCOMPARE(resets, 0);
    }

    void enterOnTheLastRowAddsBelowInTheSameFolder() {
        OutlineHarness h;
        OutlineBuilder b(h.store);
        const QUuid folder = b.folder(QStringLiteral("Errands"));
        b.task(QStringLiteral("Shop"), folder);
        const QUuid last = b.task(QStringLiteral("Post office"), folder);
        b.apply();
        h.settle();
        QVERIFY(h.table()->focusTitle(last, false));
        QTest::keyClick(h.editor(), Qt::Key_Return);
        h.settle();

        const int lastRow = h.model()->rowCount() - 1;
        const OutlineRow& added = h.model()->row(lastRow);
        QVERIFY(added.isTask());
        QCOMPARE(added.task().sectionID, folder);
        QCOMPARE(added.depth, h.model()->row(lastRow - 1).depth);
        QCOMPARE(h.table()->currentIndex().row(), lastRow);
        QVERIFY(h.editor() && h.editor()->hasFocus());
        QVERIFY(!h.store.pendingTitleFocusID()); // the request was served
    }

    void deleteOnAnEmptyTitleFocusesTheRightNeighbour_data() {
        QTest::addColumn<int>("emptied");
        QTest::addColumn<QString>("focusedAfter");
        QTest::newRow("first row: the task taking its place") << 0 << "B";
        QTest::newRow("middle row: the task above") << 1 << "A";
    }

    void deleteOnAnEmptyTitleFocusesTheRightNeighbour() {
        QFETCH(int, emptied);
        QFETCH(QString, focusedAfter);
        OutlineHarness h;
        OutlineBuilder b(h.store);
        const QList<QUuid> ids{b.task(QStringLiteral("A")), b.task(QStringLiteral("B")),
                               b.task(QStringLiteral("C"))};
        b.apply();
        h.settle();
        QVERIFY(h.table()->focusTitle(ids.at(emptied), true));
        QTest::keyClick(h.editor(), Qt::Key_Backspace); // the selected title goes
        QVERIFY(h.editor()->text().isEmpty());
        QTest::keyClick(h.editor(), Qt::Key_Backspace); // the row goes
        h.settle();
        QCOMPARE(h.store.tasks().size(), 2);
        QVERIFY(h.editor());
        QCOMPARE(h.editor()->text(), focusedAfter);
    }

    void anEmptyHeadingWithTasksUnderItStays() {
        OutlineHarness h;
        OutlineBuilder b(h.store);
        const QUuid head = b.task(QString());
        b.task(QStringLiteral("Child"), b.group(head));
        b.apply();
        h.settle();
        QVERIFY(h.table()->focusTitle(head, false));
        QTest::keyClick(h.editor(), Qt::Key_Backspace);
        h.settle();
        QCOMPARE(h.shownRows(), (QStringList{"@0", "Child@1"}));
        QVERIFY(h.editor());
        QCOMPARE(h.table()->currentIndex().row(), 0);
    }

    void minutesGoThroughTheDurationGrammar_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<qint64>("stored");
        QTest::newRow("plain minutes") << "45" << qint64(45);
        QTest::newRow("hours and minutes") << "1h 15m" << qint64(75);
        QTest::newRow("rejected text keeps the old minutes") << "soon" << qint64(10);
        QTest::newRow("blank keeps the old minutes") << "" << qint64(10);
    }

    void minutesGoThroughTheDurationGrammar() {
        QFETCH(QString, typed);
        QFETCH(qint64, stored);
        OutlineHarness h;
        const QModelIndex minutes = h.model()->index(0, M::MinutesColumn);
        h.table()->edit(minutes);
        QVERIFY(h.editor());
        h.editor()->clear();
        QTest::keyClicks(h.editor(), typed);
        QTest::keyClick(h.editor(), Qt::Key_Return);
        h.settle();
        QCOMPARE(h.store.tasks().first().durationMinutes, stored);
        QCOMPARE(minutes.data().toString(), QString::number(stored));
    }

    void copyWritesTheExportOfTheSelection() {
        OutlineHarness h;
        OutlineBuilder b(h.store);
        const QUuid folder = b.folder(QStringLiteral("Errands"));
        b.task(QStringLiteral("Shop"), folder);
        b.task(QStringLiteral("Call mum"));
        b.apply();
        h.settle();
        const QSet<QString> picked{h.model()->rowIds().at(0), h.model()->rowIds().at(1)};
        h.table()->setSelection({picked, h.model()->rowIds().at(0)});
        h.table()->setFocus();
        QTest::keyClick(h.table(), Qt::Key_C, Qt::ControlModifier);
        const QString expected = HierarchicalTaskExporter::exportOutline(h.store.workspace(), picked);
        QCOMPARE(QGuiApplication::clipboard()->text(), expected);
        QVERIFY(expected.contains(QStringLiteral("Shop")) && !expected.contains(QStringLiteral("Call mum")));
    }

    void pasteOnTheList() {
        OutlineHarness h;
        h.table()->setFocus();
        const QList<TaskItem> before = h.store.tasks();

        // Only blanks: the key is not taken and nothing changes.
        QGuiApplication::clipboard()->setText(QStringLiteral("   \n\t \n"));
        QKeyEvent blank(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, QStringLiteral("v"));
        QApplication::sendEvent(h.table(), &blank);
        QVERIFY(!blank.isAccepted());
        QCOMPARE(h.store.tasks(), before);

        QGuiApplication::clipboard()->setText(QStringLiteral("Monday\n1. Mail\n2. Gym\n    1. Shoes"));
        QKeyEvent list(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, QStringLiteral("v"));
        QApplication::sendEvent(h.table(), &list);
        QVERIFY(list.isAccepted());
        h.settle();
        QCOMPARE(h.shownRows(), (QStringList{"Mail@0", "Gym@0", "Shoes@1"}));
        QCOMPARE(h.view->headerBar()->titleField()->text(), QStringLiteral("Monday"));
    }

    void pasteOnAFolderRowTakesOnlyLists() {
        OutlineHarness h;
        OutlineBuilder b(h.store);
        const QUuid folder = b.folder(QStringLiteral("Errands"));
        b.task(QStringLiteral("Shop"), folder);
        b.apply();
        h.settle();
        h.table()->setSelection({{h.model()->rowIds().at(0)}, h.model()->rowIds().at(0)});
        h.table()->setFocus();

        QGuiApplication::clipboard()->setText(QStringLiteral("just a line"));
        QKeyEvent plain(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, QStringLiteral("v"));
        QApplication::sendEvent(h.table(), &plain);
        QVERIFY(!plain.isAccepted());

        QGuiApplication::clipboard()->setText(QStringLiteral("1. Bank\n2. Bakery"));
        QTest::keyClick(h.table(), Qt::Key_V, Qt::ControlModifier);
        h.settle();
        QCOMPARE(h.shownRows(), (QStringList{"Errands@0", "Bank@1", "Bakery@1"}));
    }

    void anOutlinePastedIntoATitleGoesIntoItsFolder() {
        OutlineHarness h;
        OutlineBuilder b(h.store);
        const QUuid folder = b.folder(QStringLiteral("Errands"));
        const QUuid shop = b.task(QStringLiteral("Shop"), folder);
        b.apply();
        h.settle();
        QVERIFY(h.table()->focusTitle(shop, false));
        QGuiApplication::clipboard()->setText(QStringLiteral("1. Bank\n2. Bakery"));
        QTest::keyClick(h.editor(), Qt::Key_V, Qt::ControlModifier);
        h.settle();
        QCOMPARE(h.shownRows(), (QStringList{"Errands@0", "Bank@1", "Bakery@1"}));
    }

    void undoAndRedoOnTheTableWhileNoFieldIsEdited() {
        OutlineHarness h;
        OutlineBuilder b(h.store);
        b.task(QStringLiteral("A"));
        const QUuid second = b.task(QStringLiteral("B"));
        b.apply();
        h.settle();
        QVERIFY(h.table()->focusTitle(second, false));
        QTest::keyClick(h.editor(), Qt::Key_Tab);
        h.settle();
        QCOMPARE(rowTexts(h.store), (QStringList{"A@0*", "B@1"}));

        h.table()->setFocus();
        h.settle();
        QTest::keyClick(h.table(), Qt::Key_Z, Qt::ControlModifier);
        h.settle();
        QCOMPARE(h.shownRows(), (QStringList{"A@0", "B@0"}));
        QTest::keyClick(h.table(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        h.settle();
        QCOMPARE(h.shownRows(), (QStringList{"A@0", "B@1"}));
    }

    void theAddButtonOpensTheNewRow() {
        OutlineHarness h;
        QTest::mouseClick(h.view->headerBar()->addButton(), Qt::LeftButton);
        h.settle();
        QCOMPARE(h.model()->rowCount(), 2);
        QVERIFY(h.editor() && h.editor()->hasFocus());
        QCOMPARE(h.table()->currentIndex().row(), 1);
        QTest::keyClicks(h.editor(), QStringLiteral("Lunch"));
        QTest::keyClick(h.editor(), Qt::Key_Return);
        h.settle();
        QCOMPARE(h.shownRows(), (QStringList{"Create to do list@0", "Lunch@0", "@0"}));
    }

    void theWindowsUndoShortcutIsLeftToTheWindow() {
        OutlineHarness h;
        QMainWindow window;
        int undos = 0;
        QAction* undo = window.addAction(QStringLiteral("Undo"));
        undo->setShortcut(QKeySequence::Undo);
        connect(undo, &QAction::triggered, &window, [&undos] { ++undos; });
        h.tester.reset();
        window.setCentralWidget(h.view.release());
        h.view.reset(qobject_cast<OutlineView*>(window.centralWidget()));
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        h.tester = std::make_unique<QAbstractItemModelTester>(
            h.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);

        h.table()->setFocus();
        QTest::keyClick(h.table(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(undos, 1);
        QVERIFY(h.table()->focusTitle(h.store.tasks().first().id, false));
        QTest::keyClicks(h.editor(), QStringLiteral("!"));
        QTest::keyClick(h.editor(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(undos, 1); // the field undid its own typing
        QCOMPARE(h.editor()->text(), QStringLiteral("Create to do list"));
        h.view.release(); // the window owns it
    }

    void theListTitleCommitsOrComesBack() {
        OutlineHarness h;
        QLineEdit* title = h.view->headerBar()->titleField();
        title->setFocus();
        title->selectAll();
        QTest::keyClicks(title, QStringLiteral("  Tuesday "));
        QTest::keyClick(title, Qt::Key_Return);
        QCOMPARE(h.store.sectionTitle(*h.store.rootSectionID()), QStringLiteral("Tuesday"));

        title->selectAll();
        QTest::keyClick(title, Qt::Key_Delete);
        h.table()->setFocus(); // focus loss commits too
        h.settle();
        QCOMPARE(title->text(), QStringLiteral("Tuesday"));
        QCOMPARE(h.store.sectionTitle(*h.store.rootSectionID()), QStringLiteral("Tuesday"));
    }

    void theHeaderShowsTheProgress() {
        OutlineHarness h;
        OutlineBuilder b(h.store);
        const QUuid a = b.task(QStringLiteral("A"), std::nullopt, 30);
        b.task(QStringLiteral("B"), std::nullopt, 45);
        b.apply();
        const int completedBefore = h.store.gamification().totalCompletions;
        h.store.toggleCompletion(a);
        h.settle();
        OutlineHeaderBar* header = h.view->headerBar();
        QCOMPARE(header->progressText(), QStringLiteral("1/2 done"));
        QCOMPARE(header->doneByText(), QStringLiteral("Done by 09:45"));
        QCOMPARE(header->streakText(), QStringLiteral("1 on-time streak"));
        QCOMPARE(header->completedText(), QStringLiteral("%1 completed").arg(completedBefore + 1));
    }
};

QTEST_MAIN(OutlineViewTest)
#include "outline_view_test.moc"
