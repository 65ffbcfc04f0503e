// Outline edits on small worked outlines: where tasks and sections land, and
// how many undo steps each edit leaves.
#include "fixtures/outline_fixture.h"
#include "fixtures/test_main.h"

#include <QSignalSpy>
#include <QtTest>

#include <functional>

using namespace vorn;
using namespace vorn::test;

#define QVERIFY_SOUND(store)                                                                                 \
    do {                                                                                                     \
        const QString problem = outlineProblems(store);                                                      \
        QVERIFY2(problem.isEmpty(), qPrintable(problem));                                                    \
    } while (false)

class EditingTest : public QObject {
    Q_OBJECT

private slots:
    // Views update their rows on outlineChanged(): once per operation, however
    // many fields it set, and only after them.
    void everyOutlineOperationSignalsOnce() {
        EditingStore e;
        TaskStore& s = *e.store;
        OutlineBuilder b(s);
        const QUuid a = b.task("A"), group = b.group(a);
        const QUuid x = b.task("X", group, 20), y = b.task("Y", group);
        const QUuid folder = b.folder("F");
        const QUuid f1 = b.task("F1", folder);
        const QUuid c = b.task("C");
        b.apply();

        const QList<std::pair<const char*, std::function<void()>>> operations = {
            {"addTask", [&] { s.editor().addTask(c); }},
            {"focusTaskBelow", [&] { s.editor().focusTaskBelow(c, "C2"); }},
            {"updateTitle", [&] { s.editor().updateTitle(c, "C3"); }},
            {"updateDuration", [&] { s.editor().updateDuration(x, 45); }},
            {"indentTask", [&] { s.editor().indentTask(c); }},
            {"outdentTask", [&] { s.editor().outdentTask(c); }},
            {"moveOutlineTask", [&] { s.editor().moveOutlineTask(y, x); }},
            {"moveOutlineSection", [&] { s.editor().moveOutlineSection(folder, std::nullopt); }},
            {"renameSection", [&] { s.editor().renameSection(folder, "G"); }},
            {"toggleCompletion", [&] { s.toggleCompletion(f1); }},
            {"undo", [&] { s.editor().undo(); }},
            {"redo", [&] { s.editor().redo(); }},
            {"removeTask", [&] { s.editor().removeTask(c); }},
            {"pasteIntoSection", [&] { s.pasteIntoSection("1. P\n2. Q", folder); }},
            {"deleteSection", [&] { s.editor().deleteSection(folder); }},
            {"resetStartToNow",
             [&] {
                 e.base.clock().set(e.base.clock().now() + 600);
                 s.outline().resetStartToNow();
             }},
            {"replaceFromPaste", [&] { s.replaceFromPaste("Monday\n1. R\n\t1. S"); }},
            {"clearAllTasks", [&] { s.clearAllTasks(); }},
        };
        for (const auto& [name, operation] : operations) {
            QSignalSpy outline(&s.outline(), &Outline::outlineChanged);
            bool fieldsSetBefore = true;
            const QMetaObject::Connection lastTasks = connect(&s.outline(), &Outline::tasksChanged, this,
                                                              [&] { fieldsSetBefore = outline.isEmpty(); });
            operation();
            disconnect(lastTasks);
            QVERIFY2(outline.size() == 1,
                     qPrintable(QStringLiteral("%1: %2 signals").arg(name).arg(outline.size())));
            QVERIFY2(fieldsSetBefore, name);
        }

        // An edit of a task that is not there changes nothing and says nothing.
        QSignalSpy outline(&s.outline(), &Outline::outlineChanged);
        s.editor().updateTitle(newUuid(), "nobody");
        QCOMPARE(outline.size(), 0);
    }

    void addingAndEditingTasks() {
        EditingStore e;
        TaskStore& s = *e.store;
        OutlineBuilder b(s);
        const QUuid a = b.task("A"), group = b.group(a);
        const QUuid x = b.task("X", group, 20);
        b.task("B");
        b.apply();

        QSignalSpy titleFocus(&s.editor(), &OutlineEditor::titleFocusRequested);
        s.editor().addTask(); // the last top-level row, asking for its title
        const QUuid inGroup = s.editor().addTask(x);
        QCOMPARE(rowTexts(s), QStringList({"A@0*", "X@1", "@1", "B@0", "@0"}));
        QCOMPARE(titleFocus.size(), 2);
        QCOMPARE(titleFocus.last().first().toUuid(), inGroup);
        QCOMPARE(taskWithID(s, inGroup).durationMinutes, 30);

        s.editor().updateTitle(a, "   ");
        s.editor().updateTitle(a, " Plan ");
        QCOMPARE(taskWithID(s, a).title, QStringLiteral(" Plan "));
        QCOMPARE(s.outline().sectionTitle(group), QStringLiteral(" Plan "));
        s.editor().updateDuration(x, 0);
        QCOMPARE(taskWithID(s, x).durationMinutes, 1);
        s.editor().updateDuration(x, 500);
        s.editor().updateDuration(x, 120);
        QCOMPARE(taskWithID(s, x).finishTime.value_or(0), s.outline().scheduleStartTime() + (10 + 120) * 60);
        QCOMPARE(s.editor().undoStack().size(), 5);

        // Enter: an unchanged title adds one undo step, a new one two.
        s.editor().focusTaskBelow(a, "Plan ");
        QCOMPARE(s.editor().undoStack().size(), 7);
        s.editor().focusTaskBelow(a, "Plan");
        QCOMPARE(s.editor().undoStack().size(), 8);
        QCOMPARE(rowTexts(s).mid(0, 4), QStringList({"Plan@0*", "X@1", "@1", "@0"}));
        QVERIFY_SOUND(s);

        // Without any section the task gets a new root, not a section that names nothing.
        s.outline().setSections({});
        s.outline().setTasks({});
        s.editor().addTask();
        QCOMPARE(s.outline().sections().size(), 1);
        QCOMPARE(s.outline().sections().first().title, QStringLiteral("To do"));
        QVERIFY_SOUND(s);
    }

    // A title commit is the store's own undo step: whoever commits it (the
    // table, the model, a command), one undo brings the old title back, on the
    // task and on the group it heads, and a redo the new one. An unchanged
    // title leaves no step.
    void titleCommitIsUndoable() {
        EditingStore e;
        TaskStore& s = *e.store;
        OutlineBuilder b(s);
        const QUuid a = b.task("A"), group = b.group(a);
        b.task("A1", group);
        b.apply();

        s.editor().updateTitle(a, "A");
        QVERIFY(!s.editor().canUndo());
        s.editor().updateTitle(a, "Plan");
        QCOMPARE(s.editor().undoStack().size(), 1);
        s.editor().undo();
        QCOMPARE(taskWithID(s, a).title, QStringLiteral("A"));
        QCOMPARE(s.outline().sectionTitle(group), QStringLiteral("A"));
        s.editor().redo();
        QCOMPARE(taskWithID(s, a).title, QStringLiteral("Plan"));
        QCOMPARE(s.outline().sectionTitle(group), QStringLiteral("Plan"));
        QVERIFY_SOUND(s);
    }

    void removingKeepsChildrenAndFolders() {
        EditingStore e;
        TaskStore& s = *e.store;
        OutlineBuilder b(s);
        const QUuid a = b.task("A"), group = b.group(a);
        b.task("A1", group);
        b.task("A2", group);
        b.task("B");
        const QUuid folder = b.folder("F");
        const QUuid h = b.task("H", folder);
        b.task("H1", b.group(h));
        b.apply();

        // A heading task's children take its place, in the rows and in the root order.
        s.editor().removeTask(a);
        s.editor().removeTask(h);
        QCOMPARE(rowTexts(s), QStringList({"A1@0", "A2@0", "B@0", "F@0", "H1@1"}));
        QVERIFY(!s.outline().childSection(a) && !s.outline().childSection(h));
        QVERIFY_SOUND(s);

        // The last task gives way to the placeholder; the empty folder keeps its row.
        for (const char* title : {"A1", "A2", "B", "H1"})
            s.editor().removeTask(taskNamed(s, title));
        QCOMPARE(rowTexts(s), QStringList({"Create to do list@0", "F@0"}));
        s.editor().undo();
        QCOMPARE(rowTexts(s), QStringList({"F@0", "H1@1"}));
    }

    void indentUnderTheRowAbove() {
        EditingStore e;
        TaskStore& s = *e.store;
        OutlineBuilder b(s);
        const QUuid p = b.task("P");
        const QUuid empty = b.folder("Empty");
        const QUuid a = b.task("A"), group = b.group(a);
        const QUuid a1 = b.task("A1", group);
        const QUuid bee = b.task("B"), c = b.task("C");
        const QUuid f = b.folder("F"), f1 = b.task("F1", f);
        b.apply();

        s.editor().indentTask(p); // the first row has nothing above it
        s.editor().indentTask(newUuid());
        QCOMPARE(s.editor().undoStack().size(), 0);

        s.editor().indentTask(bee); // under the deeper row A1, not A
        QCOMPARE(rowTexts(s), QStringList({"P@0", "Empty@0", "A@0*", "A1@1*", "B@2", "C@0", "F@0", "F1@1"}));
        QCOMPARE(s.outline().childSection(a1).value_or(TaskSection()).title, QStringLiteral("A1"));

        // Under a folder's header row: into the folder, or, already in it, staying but still a step.
        s.editor().moveOutlineTask(c, a);
        s.editor().indentTask(c);
        QCOMPARE(taskWithID(s, c).sectionID, empty);
        s.editor().indentTask(f1);
        QCOMPARE(taskWithID(s, f1).sectionID, f);
        QCOMPARE(s.editor().undoStack().size(), 4);

        // A group is made once, sorted after the sections beside it.
        const QUuid pGroup = s.editor().ensureChildSection(taskWithID(s, p));
        QCOMPARE(s.editor().ensureChildSection(taskWithID(s, p)), pGroup);
        QCOMPARE(s.outline().sections().last().sortOrder, 3);
        QVERIFY_SOUND(s);
    }

    void outdentLiftsOneLevel() {
        EditingStore e;
        TaskStore& s = *e.store;
        OutlineBuilder b(s);
        const QUuid a = b.task("A"), group = b.group(a);
        const QUuid a1 = b.task("A1", group);
        b.task("A2", group);
        const QUuid bee = b.task("B");
        const QUuid only = b.task("Only"), child = b.task("Child", b.group(only));
        const QUuid f = b.folder("F");
        b.task("f", f);
        const QUuid s1 = b.task("s1", b.folder("S", f));
        b.apply();

        s.editor().outdentTask(bee);
        QCOMPARE(s.editor().undoStack().size(), 0);

        // Right after the former heading task's group, before later top-level rows.
        s.editor().outdentTask(a1);
        s.editor().outdentTask(child); // the only child: its emptied group goes
        QCOMPARE(rowTexts(s).mid(0, 6), QStringList({"A@0*", "A2@1", "A1@0", "B@0", "Only@0", "Child@0"}));
        QVERIFY(!s.outline().childSection(only));

        s.editor().outdentTask(s1); // from a nested folder: after the outer folder's own tasks
        QCOMPARE(rowTexts(s).mid(6), QStringList({"F@0", "f@1", "s1@1", "S@1"}));
        s.editor().outdentTask(s1); // from a top-level folder: the last top-level row
        QCOMPARE(rowTexts(s).last(), QStringLiteral("s1@0"));
        QVERIFY_SOUND(s);
    }

    void droppingTasks() {
        EditingStore e;
        TaskStore& s = *e.store;
        OutlineBuilder b(s);
        const QUuid t1 = b.task("T1"), t2 = b.task("T2"), t3 = b.task("T3");
        const QUuid group = b.group(t3);
        const QUuid c1 = b.task("C1", group), c1Group = b.group(c1);
        const QUuid c11 = b.task("C11", c1Group);
        const QUuid f = b.folder("F");
        b.task("f1", f);
        b.apply();

        s.editor().moveOutlineTask(t1, t3);
        QCOMPARE(rowTexts(s).mid(0, 3), QStringList({"T2@0", "T1@0", "T3@0*"}));
        s.editor().undo();
        s.editor().moveOutlineTask(t3, t1);
        QCOMPARE(rowTexts(s).mid(0, 5), QStringList({"T3@0*", "C1@1*", "C11@2", "T1@0", "T2@0"}));
        s.editor().undo();

        // Nothing happens on itself, on a non-task, or into the dragged task's own subtree.
        s.editor().moveOutlineTask(t1, t1);
        s.editor().moveOutlineTask(t1, newUuid());
        s.editor().moveOutlineTask(t3, c11);
        s.editor().moveOutlineTask(c1, c11);
        s.editor().moveTask(t3, c1Group, std::nullopt);
        QCOMPARE(s.editor().undoStack().size(), 0);

        s.editor().moveOutlineTask(c11, t2); // nested onto top-level: top-level, right before it
        QCOMPARE(rowTexts(s).mid(0, 3), QStringList({"T1@0", "C11@0", "T2@0"}));
        s.editor().moveOutlineTask(t1, c1);       // top-level onto nested: into its section, right before it
        s.editor().moveTask(t2, f, std::nullopt); // onto a folder row: its last task
        QCOMPARE(rowTexts(s), QStringList({"C11@0", "T3@0*", "T1@1", "C1@1", "F@0", "f1@1", "T2@1"}));
        QVERIFY_SOUND(s);
    }

    void droppingFolders() {
        EditingStore e;
        TaskStore& s = *e.store;
        OutlineBuilder b(s);
        const QUuid s1 = b.folder("S1"), s2 = b.folder("S2"), s3 = b.folder("S3");
        b.task("x", s1);
        const QUuid n1 = b.folder("N1", s2), n2 = b.folder("N2", s2);
        b.task("n1", n1);
        b.task("n2", n2);
        b.apply();
        const auto sortOrders = [&] {
            return QList<int>({s.outline().sections().at(1).sortOrder, s.outline().sections().at(2).sortOrder,
                               s.outline().sections().at(3).sortOrder});
        };

        s.editor().moveOutlineSection(s1, s3);
        QCOMPARE(rowTexts(s).mid(0, 1) + rowTexts(s).mid(5), QStringList({"S2@0", "S1@0", "x@1", "S3@0"}));
        QCOMPARE(sortOrders(), QList<int>({1, 0, 2}));
        s.editor().undo();
        s.editor().moveOutlineSection(s3, s1);
        QCOMPARE(rowTexts(s).mid(0, 3), QStringList({"S3@0", "S1@0", "x@1"}));
        QCOMPARE(sortOrders(), QList<int>({1, 2, 0}));

        // Nested folders are not dragged; reordering them directly keeps the schedule in row order.
        s.editor().moveOutlineSection(n2, s1);
        s.editor().moveSection(n2, n1);
        QCOMPARE(rowTexts(s).mid(3), QStringList({"S2@0", "N2@1", "n2@2", "N1@1", "n1@2"}));
        QCOMPARE(s.editor().undoStack().size(), 1);
        QVERIFY_SOUND(s);
    }

    void renamingAndDeletingSections() {
        EditingStore e;
        TaskStore& s = *e.store;
        OutlineBuilder b(s);
        const QUuid x = b.task("X");
        const QUuid f = b.folder("F");
        b.task("T1", f);
        b.task("T2", f);
        const QUuid sub = b.folder("Sub", f);
        b.task("T3", sub);
        const QUuid outer = b.folder("Outer"), inner = b.folder("Inner", outer);
        b.task("o1", outer);
        b.task("i1", inner);
        const QUuid group = b.group(x);
        b.task("x1", group);
        b.apply();

        s.editor().renameSection(f, "  Work \t");
        s.editor().renameSection(f, "Work");
        s.editor().renameSection(f, "   ");
        s.editor().renameRootTitle("Today");
        QCOMPARE(s.outline().sectionTitle(f), QStringLiteral("Work"));
        QCOMPARE(s.outline().sectionTitle(b.root()), QStringLiteral("Today"));
        QCOMPARE(s.editor().undoStack().size(), 2);

        QVERIFY(!s.editor().canDeleteSection(b.root()));
        QVERIFY(!s.editor().canDeleteSection(newUuid()));
        QVERIFY(s.editor().canDeleteSection(sub) && s.editor().canDeleteSection(group));

        s.outline().setCollapsedSectionIDs({f, sub, outer});
        s.editor().deleteSection(f); // one step per deleted section; the tasks end last in the root
        QCOMPARE(s.editor().undoStack().size(), 4);
        QCOMPARE(rowTexts(s).mid(5), QStringList({"i1@2", "T1@0", "T2@0", "T3@0"}));
        QCOMPARE(s.outline().collapsedSectionIDs(), QSet<QUuid>({outer}));
        QCOMPARE(e.base.preferences().textList("collapsed_section_ids").value_or(QStringList()),
                 QStringList({uuidText(outer)}));
        s.editor().undo(); // the whole tree at once, not the folder without its subfolder
        QCOMPARE(rowTexts(s).mid(2, 5), QStringList({"Work@0", "T1@1", "T2@1", "Sub@1", "T3@2"}));
        QCOMPARE(s.outline().collapsedSectionIDs(), QSet<QUuid>({outer}));

        s.editor().deleteSection(inner); // into the outer folder, after its own tasks
        QCOMPARE(rowTexts(s).mid(7), QStringList({"Outer@0", "o1@1", "i1@1"}));
        s.editor().deleteSection(group); // a group's tasks follow their heading task
        QCOMPARE(rowTexts(s).mid(0, 3), QStringList({"X@0", "x1@0", "Work@0"}));
        QVERIFY_SOUND(s);
    }

    // A heading task moved across a folder's edge leaves its group behind. A paste over
    // the folder takes the group of a task inside and keeps the one whose task has left.
    void pastingOverAFolderFollowsGroupsLeftBehind() {
        EditingStore e;
        TaskStore& s = *e.store;
        OutlineBuilder b(s);
        const QUuid f = b.folder("F");
        const QUuid out = b.task("Out", f);
        b.task("O1", b.group(out));
        const QUuid in = b.task("In");
        b.task("I1", b.group(in));
        b.apply();
        s.editor().moveTask(out, b.root(), std::nullopt);
        s.editor().moveTask(in, f, std::nullopt);

        s.pasteIntoSection(QStringLiteral("1. New"), f);
        QCOMPARE(rowTexts(s), QStringList({"F@0", "New@1", "Out@0*", "O1@1"}));
        QVERIFY(!s.outline().childSection(in));
        QVERIFY_SOUND(s);
    }
};

VORN_TEST_CLASS(EditingTest)
#include "editing_test.moc"
