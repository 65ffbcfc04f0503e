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
#include <QSignalSpy>
#include <QToolButton>

using namespace vorn;
using namespace vorn::test;
using M = OutlineTableModel;

class OutlineViewTest : public QObject {
    Q_OBJECT

private slots:
    void aDayBuiltFromTheKeyboardIsSaved() {
        OutlineHarness h;
        QVERIFY(h.table()->focusTitle(h.store.outline().tasks().first().id, true));
        QCOMPARE(h.editor()->selectedText(), QStringLiteral("Create to do list"));
        h.type(QStringLiteral("Plan"), Qt::Key_Return);
        h.type(QStringLiteral("Write report"), Qt::Key_Enter);
        h.type(QStringLiteral("Draft"), Qt::Key_Tab);
        QCOMPARE(h.editor()->text(), QStringLiteral("Draft"));
        h.type({}, Qt::Key_Return);
        h.type(QStringLiteral("Review"), Qt::Key_Tab, Qt::ShiftModifier); // arrives as Backtab
        h.type({}, Qt::Key_Return);
        QVERIFY(h.editor()->text().isEmpty());
        h.type({}, Qt::Key_Backspace);
        QCOMPARE(h.editor()->text(), QStringLiteral("Review"));
        QTest::mouseClick(h.view->headerBar()->addButton(), Qt::LeftButton);
        h.settle();
        QVERIFY(h.editor() && h.editor()->hasFocus());
        QCOMPARE(h.table()->currentIndex().row(), 4);
        QTest::keyClicks(h.editor(), QStringLiteral("Lunch"));
        h.table()->setFocus(); // leaves the title field

        const QStringList expected{"Plan@0", "Write report@0*", "Draft@1", "Review@0", "Lunch@0"};
        QCOMPARE(rowTexts(h.store), expected);
        QCOMPARE(h.shownRows(), (QStringList{"Plan@0", "Write report@0", "Draft@1", "Review@0", "Lunch@0"}));
        h.tester.reset();
        h.view.reset();
        QCOMPARE(rowTexts(h.fixture.restart()), expected);
    }

    // Typing on a row without an editor open is Enter and the typing: the
    // text replaces the title (the first start's hint says "Type a task").
    void typingOnARowStartsItsTitleOver() {
        OutlineHarness h;
        h.table()->setFocus();
        QVERIFY(!h.editor());
        QTest::keyClicks(h.table(), QStringLiteral("É"));
        QVERIFY(h.editor());
        QTest::keyClicks(h.editor(), QStringLiteral("crire"));
        QCOMPARE(h.editor()->text(), QStringLiteral("Écrire"));
        h.type({}, Qt::Key_Escape);
        QCOMPARE(h.store.outline().tasks().first().title, QStringLiteral("Écrire"));
        // Commands and the space bar do not start it.
        QTest::keyClick(h.table(), Qt::Key_B, Qt::ControlModifier);
        QTest::keyClick(h.table(), Qt::Key_Space);
        QVERIFY(!h.editor());
        QCOMPARE(h.store.outline().tasks().first().title, QStringLiteral("Écrire"));
    }

    // Enter and Backspace in a title, and where the editor is after.
    void keysInATitle_data() {
        QTest::addColumn<QStringList>("outline");
        QTest::addColumn<QString>("focused");
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("editedRow");
        QTest::addColumn<QString>("edited");
        const int back = Qt::Key_Backspace;
        const QStringList abc{"A", "B", "C"};
        QTest::newRow("Enter on the last row adds below in the same folder")
            << QStringList{"Errands/", " Shop", " Post office"} << "Post office" << QList<int>{Qt::Key_Return}
            << QStringList{"Errands@0", "Shop@1", "Post office@1", "@1"} << 3 << "";
        QTest::newRow("emptied first row: the task taking its place")
            << abc << "A" << QList<int>{back, back} << QStringList{"B@0", "C@0"} << 0 << "B";
        QTest::newRow("emptied middle row: the task above")
            << abc << "B" << QList<int>{back, back} << QStringList{"A@0", "C@0"} << 0 << "A";
        QTest::newRow("an empty heading with tasks under it stays")
            << QStringList{"", " Child"} << "" << QList<int>{back} << QStringList{"@0", "Child@1"} << 0 << "";
    }

    void keysInATitle() {
        QFETCH(QStringList, outline);
        QFETCH(QString, focused);
        QFETCH(QList<int>, keys);
        QFETCH(QStringList, rows);
        QFETCH(int, editedRow);
        QFETCH(QString, edited);
        OutlineHarness h;
        h.build(outline);
        QVERIFY(h.table()->focusTitle(taskNamed(h.store, focused), false));
        for (int key : keys)
            h.type({}, Qt::Key(key));
        QCOMPARE(h.shownRows(), rows);
        QVERIFY(h.editor() && h.editor()->hasFocus());
        QCOMPARE(h.editor()->text(), edited);
        QCOMPARE(h.table()->currentIndex().row(), editedRow);
        QVERIFY(!h.table()->pendingTitleFocus()); // the request was served
    }

    // Ctrl+Return in a title commits the typed title and flips the task, the
    // title staying open; Escape keeps what was typed; on the table Ctrl+Return
    // flips the current row's task.
    void ctrlReturnTogglesTheEditedOrCurrentTask() {
        OutlineHarness h;
        h.build({"A", "B"});
        const QUuid a = taskNamed(h.store, QStringLiteral("A"));
        QVERIFY(h.table()->focusTitle(a, false));
        h.type(QStringLiteral("1"), Qt::Key_Return, Qt::ControlModifier);
        QVERIFY(taskWithID(h.store, a).isCompleted);
        QCOMPARE(taskWithID(h.store, a).title, QStringLiteral("A1"));
        h.type(QStringLiteral("!"), Qt::Key_Escape);
        QVERIFY(!h.editor());
        QCOMPARE(taskWithID(h.store, a).title, QStringLiteral("A1!"));
        QVERIFY(h.table()->hasFocus());
        QCOMPARE(h.table()->selection().ids, QSet<QString>{h.model()->rowIds().at(0)});
        QTest::keyClick(h.table(), Qt::Key_Return, Qt::ControlModifier);
        QVERIFY(!taskWithID(h.store, a).isCompleted);
        QTest::keyClick(h.table(), Qt::Key_F2);
        QCOMPARE(h.editor()->text(), QStringLiteral("A1!"));
        // Editing from the table selects the title, so typing replaces it
        // (a first start's placeholder task is simply typed over).
        QCOMPARE(h.editor()->selectedText(), QStringLiteral("A1!"));
    }

    // Right at the end of a title opens its minutes, selected; Enter, Escape
    // and Left at the start leave them, committed through the duration grammar.
    void minutesFromTheTitle_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<qint64>("minutes");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("edited");
        const QStringList ab{"A@0", "B@0"};
        QTest::newRow("Enter: a new task below")
            << "20" << QList<int>{Qt::Key_Return} << qint64(20) << QStringList{"A@0", "@0", "B@0"} << "";
        QTest::newRow("Escape: back to the title")
            << "1h" << QList<int>{Qt::Key_Escape} << qint64(60) << ab << "A";
        QTest::newRow("Left at the start: back to the title")
            << "20" << QList<int>{Qt::Key_Left, Qt::Key_Home, Qt::Key_Left} << qint64(20) << ab << "A";
        QTest::newRow("rejected text keeps the old minutes")
            << "soon" << QList<int>{Qt::Key_Return} << qint64(10) << QStringList{"A@0", "@0", "B@0"} << "";
    }

    void minutesFromTheTitle() {
        QFETCH(QString, typed);
        QFETCH(QList<int>, keys);
        QFETCH(qint64, minutes);
        QFETCH(QStringList, rows);
        QFETCH(QString, edited);
        OutlineHarness h;
        h.build({"A", "B"});
        const QUuid a = taskNamed(h.store, QStringLiteral("A"));
        QVERIFY(h.table()->focusTitle(a, false));
        QTest::keyClick(h.editor(), Qt::Key_Left);
        h.type({}, Qt::Key_Right); // one short of the end: the cursor moves
        QCOMPARE(h.editor()->cursorPosition(), 1);
        h.type({}, Qt::Key_Right);
        QCOMPARE(h.editor()->selectedText(), QStringLiteral("10"));
        QCOMPARE(h.table()->currentIndex().row(), 0);
        QTest::keyClicks(h.editor(), typed);
        for (int key : keys)
            h.type({}, Qt::Key(key));
        QCOMPARE(taskWithID(h.store, a).durationMinutes, minutes);
        QCOMPARE(h.shownRows(), rows);
        QVERIFY(h.editor() && h.editor()->hasFocus());
        QCOMPARE(h.editor()->text(), edited);
        QCOMPARE(h.table()->selection().ids.size(), 1); // the edited row alone is current
        QVERIFY(h.table()->isRowSelected(h.table()->currentIndex().row()));
    }

    // Ctrl+Delete on a folder row deletes the folder as its trash button does:
    // one undo step brings it back. On a task row it does nothing.
    void ctrlDeleteRemovesAFolderRow() {
        OutlineHarness h;
        h.build({"Errands/", " Shop", "Call"});
        h.table()->setFocus(); // the first open task is current: Shop
        QCOMPARE(h.table()->currentIndex().row(), 1);
        QTest::keyClick(h.table(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(h.shownRows(), (QStringList{"Errands@0", "Shop@1", "Call@0"}));
        QTest::keyClick(h.table(), Qt::Key_Up);
        QTest::keyClick(h.table(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(h.shownRows(), (QStringList{"Call@0", "Shop@0"})); // its task goes up, at the end
        QVERIFY(h.table()->isRowSelected(0));
        h.store.editor().undo();
        QCOMPARE(h.shownRows(), (QStringList{"Errands@0", "Shop@1", "Call@0"}));
    }

    // A whole list replaced under the keyboard (an import undone): the first
    // task to do is current again, as at start, not no row at all.
    void aReplacedListKeepsARowCurrent() {
        OutlineHarness h;
        h.build({"Errands/", " Shop", "Call"});
        h.table()->setFocus();
        h.store.replaceFromPaste(QStringLiteral("1. One\n2. Two\n"));
        h.store.editor().undo();
        QCOMPARE(h.table()->currentIndex().row(), 1);
        QVERIFY(h.table()->isRowSelected(1));
    }

    // A right-to-left title stands at the right of its cell, painted and in its
    // editor alike, so it does not jump sides when editing starts.
    void aRightToLeftTitleKeepsItsSide() {
        OutlineHarness h;
        const QString title = QStringLiteral("\u05E9\u05DC\u05D5\u05DD \u05E2\u05D5\u05DC\u05DD");
        h.build({title});
        // The mean x of the dark pixels, as a share of the width.
        const auto inkAt = [](const QImage& image) {
            double sum = 0;
            int count = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (qGray(image.pixel(x, y)) < 100) {
                        sum += x;
                        ++count;
                    }
            return count ? sum / count / image.width() : -1.0;
        };
        h.table()->clearRowSelection(); // dark text on the base colour
        const QRect cell = h.table()->visualRect(h.model()->index(0, M::TitleColumn));
        QVERIFY(inkAt(h.table()->viewport()->grab(cell).toImage()) > 0.5);
        QVERIFY(h.table()->focusTitle(taskNamed(h.store, title), false));
        QVERIFY(inkAt(h.editor()->grab().toImage()) > 0.5);
    }

    void typedTextSurvivesStoreChanges() {
        OutlineHarness h;
        h.build({"First", "Second"});
        const QUuid typed = taskNamed(h.store, QStringLiteral("Second"));
        QVERIFY(h.table()->focusTitle(typed, false));
        QTest::keyClicks(h.editor(), QStringLiteral(" draft"));

        // A completion elsewhere and a new schedule start re-time this row.
        h.store.toggleCompletion(taskNamed(h.store, QStringLiteral("First")));
        h.store.outline().setScheduleStartTime(localTime(10, 0));
        h.store.outline().recalculateFinishTimes();
        h.settle();
        QCOMPARE(h.editor()->text(), QStringLiteral("Second draft"));
        // An indent from elsewhere (an undo, say) takes the open field along.
        const int left = h.editor()->x();
        h.store.editor().indentTask(typed);
        h.settle();
        QVERIFY2(h.editor()->x() > left,
                 qPrintable(QStringLiteral("%1 -> %2").arg(left).arg(h.editor()->x())));
        h.store.editor().outdentTask(typed);
        h.settle();
        QCOMPARE(h.editor()->x(), left);
        QCOMPARE(h.editor()->text(), QStringLiteral("Second draft"));

        // Leaving the field commits it as one undo step.
        const qsizetype undoSteps = h.store.editor().undoStack().size();
        h.table()->setFocus();
        h.settle();
        QCOMPARE(taskWithID(h.store, typed).title, QStringLiteral("Second draft"));
        QCOMPARE(h.store.editor().undoStack().size(), undoSteps + 1);

        // An unchanged title commits nothing.
        QVERIFY(h.table()->focusTitle(typed, false));
        h.table()->setFocus();
        h.settle();
        QCOMPARE(h.store.editor().undoStack().size(), undoSteps + 1);

        // A field with nothing typed in it shows what an undo brought back, and
        // leaving it does not write the undone title over it again.
        QVERIFY(h.table()->focusTitle(typed, false));
        h.store.editor().undo();
        h.settle();
        QCOMPARE(h.editor()->text(), QStringLiteral("Second"));
        h.table()->setFocus();
        h.settle();
        QCOMPARE(taskWithID(h.store, typed).title, QStringLiteral("Second"));
    }

    // Random edits and undos: after each, the table shows exactly the store's
    // rows, reached by row-level changes (no reset) that the model tester accepts.
    void rowsFollowRandomEdits() {
        OutlineHarness h;
        QStringList outline{"Loose"};
        for (int f = 0; f < 3; ++f) {
            outline.append(QStringLiteral("F%1/").arg(f));
            for (int t = 0; t < 4; ++t)
                outline.append(QStringLiteral(" T%1.%2").arg(f).arg(t));
        }
        h.build(outline);
        QRandomGenerator random(11);
        int resets = 0;
        connect(h.model(), &QAbstractItemModel::modelReset, h.model(), [&resets] { ++resets; });
        TaskStore& s = h.store;
        const std::function<void(QUuid, QUuid)> edits[] = {
            [&s](QUuid task, QUuid) { s.editor().indentTask(task); },
            [&s](QUuid task, QUuid) { s.editor().outdentTask(task); },
            [&s](QUuid task, QUuid other) { s.editor().moveOutlineTask(task, other); },
            [&s](QUuid task, QUuid) { s.editor().addTask(task); },
            [&s](QUuid task, QUuid) { s.editor().removeTask(task); },
            [&s](QUuid, QUuid) { s.editor().undo(); },
            [&s, &random](QUuid, QUuid) {
                const QList<TaskSection> sections = s.outline().sections();
                s.editor().moveOutlineSection(sections.at(random.bounded(int(sections.size()))).id,
                                              sections.first().id);
            },
        };
        for (int step = 0; step < 150; ++step) {
            const QList<TaskItem> tasks = s.outline().tasks();
            const QUuid task = tasks.at(random.bounded(int(tasks.size()))).id;
            const QUuid other = tasks.at(random.bounded(int(tasks.size()))).id;
            edits[random.bounded(7)](task, other);
            h.settle();
            QCOMPARE(h.model()->rows(), s.outline().outlineRows());
        }
        QCOMPARE(resets, 0);
    }

    void minutesGoThroughTheDurationGrammar_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<qint64>("stored");
        QTest::newRow("hours and minutes") << "1h 15m" << qint64(75);
        QTest::newRow("rejected text keeps the old minutes") << "soon" << qint64(10);
    }

    void minutesGoThroughTheDurationGrammar() {
        QFETCH(QString, typed);
        QFETCH(qint64, stored);
        OutlineHarness h;
        const QModelIndex minutes = h.model()->index(0, M::MinutesColumn);
        h.table()->edit(minutes);
        h.editor()->clear();
        h.type(typed, Qt::Key_Return);
        QCOMPARE(h.store.outline().tasks().first().durationMinutes, stored);
        QCOMPARE(minutes.data().toString(), QString::number(stored));
        QCOMPARE(h.model()->index(0, M::FinishColumn).data().toString(),
                 QTime(9, 0).addSecs(60 * stored).toString(QStringLiteral("HH:mm")));
    }

    void copyWritesTheExportOfTheSelection() {
        OutlineHarness h;
        h.build({"Errands/", " Shop", "Call mum"});
        const QSet<QString> picked{h.model()->rowIds().at(0), h.model()->rowIds().at(1)};
        h.table()->setSelection({picked, h.model()->rowIds().at(0)});
        h.table()->setFocus();
        QTest::keyClick(h.table(), Qt::Key_C, Qt::ControlModifier);
        const QString expected =
            HierarchicalTaskExporter::exportOutline(h.store.outline().workspace(), picked);
        QCOMPARE(QGuiApplication::clipboard()->text(), expected);
    }

    // Ctrl+V on the table with nothing or a folder row chosen, or in a title.
    void paste_data() {
        QTest::addColumn<QStringList>("outline");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("listTitle");
        const QStringList placeholder, errands{"Errands/", " Shop"}; // none: the new day's placeholder
        const QString list = QStringLiteral("1. Bank\n2. Bakery");
        const QStringList pasted{"Errands@0", "Bank@1", "Bakery@1"};
        QTest::newRow("blanks on the list") << placeholder << "list"
                                            << "   \n\t \n"
                                            << false << QStringList{"Create to do list@0"} << "To do";
        QTest::newRow("a list on the list") << placeholder << "list"
                                            << "Monday\n1. Mail\n2. Gym\n    1. Shoes" << true
                                            << QStringList{"Mail@0", "Gym@0", "Shoes@1"} << "Monday";
        QTest::newRow("a line on a folder row")
            << errands << "folder"
            << "just a line" << false << QStringList{"Errands@0", "Shop@1"} << "To do";
        QTest::newRow("a list on a folder row") << errands << "folder" << list << true << pasted << "To do";
        QTest::newRow("a list into a title goes into its folder")
            << errands << "Shop" << list << true << pasted << "To do";
    }

    void paste() {
        QFETCH(QStringList, outline);
        QFETCH(QString, target);
        QFETCH(QString, clipboard);
        QFETCH(bool, taken);
        QFETCH(QStringList, rows);
        QFETCH(QString, listTitle);
        OutlineHarness h;
        if (!outline.isEmpty())
            h.build(outline);
        QWidget* receiver = h.table();
        if (target == QLatin1String("folder"))
            h.table()->setSelection({{h.model()->rowIds().at(0)}, h.model()->rowIds().at(0)});
        if (target == QLatin1String("list") || target == QLatin1String("folder")) {
            h.table()->setFocus();
        } else {
            QVERIFY(h.table()->focusTitle(taskNamed(h.store, target), false));
            receiver = h.editor();
        }
        QGuiApplication::clipboard()->setText(clipboard);
        QKeyEvent key(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, QStringLiteral("v"));
        QApplication::sendEvent(receiver, &key);
        QCOMPARE(key.isAccepted(), taken);
        h.settle();
        QCOMPARE(h.shownRows(), rows);
        QCOMPARE(h.view->headerBar()->titleField()->text(), listTitle);
    }

    // Ctrl+Z and Ctrl+Shift+Z on the table reach the store unless the window has
    // an undo shortcut: then they are the window's, and in a title the field's
    // while it has typing of its own to take back.
    void undoKeys() {
        OutlineHarness h;
        h.build({"A", "B"});
        h.store.editor().indentTask(taskNamed(h.store, QStringLiteral("B")));
        h.settle();
        h.table()->setFocus();
        QTest::keyClick(h.table(), Qt::Key_Z, Qt::ControlModifier);
        h.settle();
        QCOMPARE(h.shownRows(), (QStringList{"A@0", "B@0"}));
        QTest::keyClick(h.table(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        h.settle();
        QCOMPARE(h.shownRows(), (QStringList{"A@0", "B@1"}));

        QMainWindow window;
        QAction* undo = window.addAction(QStringLiteral("Undo"));
        undo->setShortcut(QKeySequence::Undo);
        QSignalSpy undos(undo, &QAction::triggered);
        window.setCentralWidget(h.view.release());
        h.view.reset(qobject_cast<OutlineView*>(window.centralWidget()));
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        h.table()->setFocus();
        QTest::keyClick(h.table(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(undos.size(), 1);
        QCOMPARE(h.shownRows(), (QStringList{"A@0", "B@1"}));
        QVERIFY(h.table()->focusTitle(taskNamed(h.store, QStringLiteral("A")), false));
        QTest::keyClicks(h.editor(), QStringLiteral("!"));
        QTest::keyClick(h.editor(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(undos.size(), 1); // the field undid its own typing
        QCOMPARE(h.editor()->text(), QStringLiteral("A"));
        // With nothing of its own left to take back, the key is the window's again.
        QTest::keyClick(h.editor(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(undos.size(), 2);
        QCOMPARE(h.editor()->text(), QStringLiteral("A"));
        h.view.release(); // the window owns it
    }

    // The list's title in the header commits trimmed, and comes back when left
    // empty; Enter and Escape hand the keyboard back to the list.
    void theListTitleCommitsTrimmed() {
        OutlineHarness h;
        QLineEdit* title = h.view->headerBar()->titleField();
        title->setFocus();
        title->selectAll();
        QTest::keyClicks(title, QStringLiteral("  Tuesday "));
        QTest::keyClick(title, Qt::Key_Return); // commits, and the keyboard is back on the list
        QCOMPARE(h.store.outline().sectionTitle(*h.store.outline().rootSectionID()),
                 QStringLiteral("Tuesday"));
        QVERIFY(h.table()->hasFocus());
        title->setFocus();
        title->selectAll();
        QTest::keyClick(title, Qt::Key_Delete);
        QTest::keyClick(title, Qt::Key_Escape); // leaves too, and an emptied title comes back
        QVERIFY(h.table()->hasFocus());
        h.settle();
        QCOMPARE(title->text(), QStringLiteral("Tuesday"));
        QCOMPARE(h.store.outline().sectionTitle(*h.store.outline().rootSectionID()),
                 QStringLiteral("Tuesday"));
        title->setFocus();
        QTest::keyClicks(title, QStringLiteral("!"));
        QTest::keyClick(title, Qt::Key_Escape); // keeping what was typed
        QCOMPARE(h.store.outline().sectionTitle(*h.store.outline().rootSectionID()),
                 QStringLiteral("Tuesday!"));
    }
};

QTEST_MAIN(OutlineViewTest)
#include "outline_view_test.moc"
