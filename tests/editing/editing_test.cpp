// Outline edits on small worked outlines: adding, retitling and removing tasks,
// indent and outdent, drag and drop, and the section operations.
#include "editing_support.h"

#include <QtTest>

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
    void addingPlacesTheTaskAndAsksForItsTitle() {
        EditingStore e;
        TaskStore& s = e.store();
        OutlineBuilder b(s);
        const QUuid a = b.task("A"), group = b.group(a);
        b.task("A1", group);
        const QUuid x = b.task("X", group);
        b.task("A3", group);
        b.task("B");
        b.apply();

        const QUuid last = s.addTask();
        QCOMPARE(rowTexts(s), QStringList({"A@0*", "A1@1", "X@1", "A3@1", "B@0", "@0"}));
        QCOMPARE(s.rootOutlineOrder().last(), OutlineEntry::task(last));
        QCOMPARE(s.pendingTitleFocusID().value_or(QUuid()), last);
        QVERIFY(s.pendingTitleSelectAll());
        QCOMPARE(taskWithID(s, last).durationMinutes, 30);

        const QList<OutlineEntry> order = s.rootOutlineOrder();
        const QUuid inGroup = s.addTask(x);
        QCOMPARE(rowTexts(s), QStringList({"A@0*", "A1@1", "X@1", "@1", "A3@1", "B@0", "@0"}));
        QCOMPARE(taskWithID(s, inGroup).sectionID, group);
        QCOMPARE(s.rootOutlineOrder(), order);
        QCOMPARE(s.undoStack().size(), 2);
        QCOMPARE(e.database().loadTasks(newUuid()).size(), 7);
        QVERIFY_SOUND(s);

        // With no section at all the task gets a new root rather than a section that names nothing.
        s.setSections({});
        s.setTasks({});
        s.setRootOutlineOrder({});
        s.addTask();
        QCOMPARE(s.sections().size(), 1);
        QCOMPARE(s.sections().first().title, QStringLiteral("To do"));
        QVERIFY_SOUND(s);
    }

    void titlesDurationsAndTheNextTask() {
        EditingStore e;
        TaskStore& s = e.store();
        OutlineBuilder b(s);
        const QUuid a = b.task("A", std::nullopt, 10), group = b.group(a);
        const QUuid a1 = b.task("A1", group, 20);
        b.task("B");
        b.apply();
        const Instant start = s.scheduleStartTime();

        s.updateTitle(a, "   ");
        QCOMPARE(taskWithID(s, a).title, QStringLiteral("A"));
        e.clock().advance(60);
        s.updateTitle(a, " Plan ");
        QCOMPARE(taskWithID(s, a).title, QStringLiteral(" Plan "));
        QCOMPARE(s.sectionTitle(group), QStringLiteral(" Plan "));
        QCOMPARE(s.bossAIState().lastActivityAt, e.clock().now());
        s.updateTitle(a, "Plan");
        QCOMPARE(s.undoStack().size(), 0);

        s.updateDuration(a1, 0);
        QCOMPARE(taskWithID(s, a1).durationMinutes, 1);
        s.updateDuration(a1, 500);
        QCOMPARE(taskWithID(s, a1).durationMinutes, 120);
        QCOMPARE(taskWithID(s, a1).finishTime.value_or(0), start + 130 * 60);
        s.updateDuration(a1, 120);
        QCOMPARE(s.undoStack().size(), 2);

        // Enter: an unchanged title adds one undo step, a new one (trimmed) two.
        s.focusTaskBelow(a, " Plan ");
        QCOMPARE(s.undoStack().size(), 3);
        const QUuid below = s.focusTaskBelow(a, "  Plan B \n");
        QCOMPARE(s.undoStack().size(), 5);
        QCOMPARE(taskWithID(s, a).title, QStringLiteral("Plan B"));
        QCOMPARE(rowTexts(s), QStringList({"Plan B@0*", "A1@1", "@0", "@0", "B@0"}));
        QCOMPARE(s.pendingTitleFocusID().value_or(QUuid()), below);
        QVERIFY_SOUND(s);
    }

    void removingKeepsChildrenAndFolders() {
        EditingStore e;
        TaskStore& s = e.store();
        OutlineBuilder b(s);
        const QUuid a = b.task("A"), group = b.group(a);
        b.task("A1", group);
        b.task("A2", group);
        b.task("B");
        const QUuid folder = b.folder("F");
        const QUuid h = b.task("H", folder), hGroup = b.group(h);
        b.task("H1", hGroup);
        b.task("K", folder);
        b.apply();

        // A heading task's children take its place, in the rows and in the root order.
        s.removeTask(a);
        QCOMPARE(rowTexts(s), QStringList({"A1@0", "A2@0", "B@0", "F@0", "H@1*", "H1@2", "K@1"}));
        QVERIFY(!s.childSection(a));
        s.removeTask(h);
        QCOMPARE(rowTexts(s), QStringList({"A1@0", "A2@0", "B@0", "F@0", "H1@1", "K@1"}));
        QVERIFY_SOUND(s);
        s.undo();
        s.undo();
        QCOMPARE(rowTexts(s), QStringList({"A@0*", "A1@1", "A2@1", "B@0", "F@0", "H@1*", "H1@2", "K@1"}));

        // The last task gives way to the placeholder; the empty folder keeps its row.
        for (const char* title : {"A", "A1", "A2", "B", "H", "H1", "K"})
            s.removeTask(taskNamed(s, title));
        QCOMPARE(rowTexts(s), QStringList({"Create to do list@0", "F@0"}));
        QCOMPARE(s.tasks().first().durationMinutes, 10);
        QVERIFY_SOUND(s);
    }

    void indentUnderTheRowAbove() {
        EditingStore e;
        TaskStore& s = e.store();
        OutlineBuilder b(s);
        const QUuid p = b.task("P");
        const QUuid empty = b.folder("Empty");
        const QUuid a = b.task("A"), group = b.group(a);
        const QUuid a1 = b.task("A1", group);
        const QUuid bee = b.task("B");
        const QUuid c = b.task("C");
        const QUuid f = b.folder("F");
        const QUuid f1 = b.task("F1", f);
        b.apply();

        s.indentTask(p); // the first row has nothing above it
        s.indentTask(newUuid());
        QCOMPARE(s.undoStack().size(), 0);

        s.indentTask(bee); // under the deeper row A1, not A
        QCOMPARE(rowTexts(s), QStringList({"P@0", "Empty@0", "A@0*", "A1@1*", "B@2", "C@0", "F@0", "F1@1"}));
        const TaskSection made = *s.childSection(a1);
        QCOMPARE(made.title, QStringLiteral("A1"));
        QCOMPARE(made.parentID.value_or(QUuid()), group);
        QCOMPARE(taskWithID(s, bee).sectionID, made.id);
        QVERIFY(!s.rootOutlineOrder().contains(OutlineEntry::task(bee)));

        // Under a folder's header row: into the folder, or, already there, staying but still a step.
        s.moveOutlineTask(c, a);
        s.indentTask(c);
        QCOMPARE(taskWithID(s, c).sectionID, empty);
        QVERIFY(!s.rootOutlineOrder().contains(OutlineEntry::task(c)));
        s.indentTask(c);
        s.indentTask(f1);
        QCOMPARE(s.undoStack().size(), 5);
        QCOMPARE(taskWithID(s, f1).sectionID, f);

        // A group is made once, after the sections beside it.
        const QUuid pGroup = s.ensureChildSection(taskWithID(s, p));
        QCOMPARE(s.ensureChildSection(taskWithID(s, p)), pGroup);
        QCOMPARE(s.sections().last().sortOrder, 3);
        QVERIFY_SOUND(s);
    }

    void outdentLiftsOneLevel() {
        EditingStore e;
        TaskStore& s = e.store();
        OutlineBuilder b(s);
        const QUuid a = b.task("A"), group = b.group(a);
        const QUuid a1 = b.task("A1", group);
        b.task("A2", group);
        const QUuid bee = b.task("B");
        const QUuid only = b.task("Only"), onlyGroup = b.group(only);
        const QUuid child = b.task("Child", onlyGroup);
        const QUuid f = b.folder("F");
        b.task("f", f);
        const QUuid sub = b.folder("S", f);
        const QUuid s1 = b.task("s1", sub);
        b.task("s2", sub);
        b.apply();

        s.outdentTask(bee);
        QCOMPARE(s.undoStack().size(), 0);

        // Right after the former heading task's group, before later top-level rows.
        s.outdentTask(a1);
        s.outdentTask(child);
        QCOMPARE(rowTexts(s), QStringList({"A@0*", "A2@1", "A1@0", "B@0", "Only@0", "Child@0", "F@0", "f@1",
                                           "S@1", "s1@2", "s2@2"}));
        QVERIFY(!s.childSection(only)); // its emptied group is gone

        s.outdentTask(s1); // from a nested folder: after the outer folder's own tasks
        QCOMPARE(rowTexts(s).mid(6), QStringList({"F@0", "f@1", "s1@1", "S@1", "s2@2"}));
        s.outdentTask(s1); // from a top-level folder: the last top-level row
        QCOMPARE(rowTexts(s).last(), QStringLiteral("s1@0"));
        QVERIFY_SOUND(s);
    }

    void droppingTasks() {
        EditingStore e;
        TaskStore& s = e.store();
        OutlineBuilder b(s);
        const QUuid t1 = b.task("T1"), t2 = b.task("T2"), t3 = b.task("T3");
        const QUuid group = b.group(t3);
        const QUuid c1 = b.task("C1", group), c1Group = b.group(c1);
        const QUuid c11 = b.task("C11", c1Group);
        const QUuid f = b.folder("F");
        b.task("f1", f);
        b.apply();

        s.moveOutlineTask(t1, t3);
        QCOMPARE(rowTexts(s).mid(0, 3), QStringList({"T2@0", "T1@0", "T3@0*"}));
        s.undo();
        s.moveOutlineTask(t3, t1);
        QCOMPARE(rowTexts(s).mid(0, 5), QStringList({"T3@0*", "C1@1*", "C11@2", "T1@0", "T2@0"}));
        s.undo();

        // Nothing happens on itself, on a non-task, or into the dragged task's own subtree.
        s.moveOutlineTask(t1, t1);
        s.moveOutlineTask(t1, newUuid());
        s.moveOutlineTask(t3, c11);
        s.moveOutlineTask(c1, c11);
        s.moveTask(t3, c1Group, std::nullopt);
        QCOMPARE(s.undoStack().size(), 0);

        // Nested onto top-level: a top-level task right before it, and back again.
        e.clock().advance(60);
        s.moveOutlineTask(c11, t2);
        QCOMPARE(rowTexts(s).mid(0, 3), QStringList({"T1@0", "C11@0", "T2@0"}));
        QCOMPARE(
            s.rootOutlineOrder().mid(0, 3),
            QList<OutlineEntry>({OutlineEntry::task(t1), OutlineEntry::task(c11), OutlineEntry::task(t2)}));
        QCOMPARE(s.bossAIState().lastActivityAt, e.clock().now());
        s.moveOutlineTask(t1, c1);
        QCOMPARE(rowTexts(s).mid(0, 5), QStringList({"C11@0", "T2@0", "T3@0*", "T1@1", "C1@1"}));
        QVERIFY(!s.rootOutlineOrder().contains(OutlineEntry::task(t1)));

        s.moveTask(t2, f, std::nullopt); // onto a folder row: its last task
        QCOMPARE(rowTexts(s).mid(2), QStringList({"T1@1", "C1@1", "F@0", "f1@1", "T2@1"}));
        QVERIFY_SOUND(s);
    }

    void droppingFolders() {
        EditingStore e;
        TaskStore& s = e.store();
        OutlineBuilder b(s);
        const QUuid s1 = b.folder("S1"), s2 = b.folder("S2"), s3 = b.folder("S3");
        b.task("x", s1);
        const QUuid n1 = b.folder("N1", s2), n2 = b.folder("N2", s2);
        b.task("n1", n1);
        b.task("n2", n2);
        b.apply();
        const auto sortOrders = [&] {
            return QList<int>(
                {s.sections().at(1).sortOrder, s.sections().at(2).sortOrder, s.sections().at(3).sortOrder});
        };

        s.moveOutlineSection(s1, s3);
        QCOMPARE(rowTexts(s).mid(0, 1) + rowTexts(s).mid(5), QStringList({"S2@0", "S1@0", "x@1", "S3@0"}));
        QCOMPARE(sortOrders(), QList<int>({1, 0, 2}));
        s.undo();
        s.moveOutlineSection(s3, s1);
        QCOMPARE(rowTexts(s).mid(0, 3), QStringList({"S3@0", "S1@0", "x@1"}));
        QCOMPARE(sortOrders(), QList<int>({1, 2, 0}));

        // Nested folders are not dragged; reordering them directly keeps the schedule in row order.
        const qsizetype steps = s.undoStack().size();
        s.moveOutlineSection(n2, s1);
        QCOMPARE(s.undoStack().size(), steps);
        s.moveSection(n2, n1);
        QCOMPARE(rowTexts(s).mid(3), QStringList({"S2@0", "N2@1", "n2@2", "N1@1", "n1@2"}));
        QCOMPARE(s.undoStack().size(), steps);
        QVERIFY_SOUND(s);
    }

    void renamingAndDeletingSections() {
        EditingStore e;
        TaskStore& s = e.store();
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

        s.renameSection(f, "  Work \t");
        QCOMPARE(s.sectionTitle(f), QStringLiteral("Work"));
        s.renameSection(f, "Work");
        s.renameSection(f, "   ");
        s.renameRootTitle("Today");
        QCOMPARE(s.sectionTitle(b.root()), QStringLiteral("Today"));
        QCOMPARE(s.undoStack().size(), 2);

        QVERIFY(!s.canDeleteSection(b.root()));
        QVERIFY(!s.canDeleteSection(newUuid()));
        QVERIFY(s.canDeleteSection(sub) && s.canDeleteSection(group));

        s.setCollapsedSectionIDs({f, sub, outer});
        s.deleteSection(f);
        QCOMPARE(s.undoStack().size(), 4); // one step per deleted section
        QCOMPARE(rowTexts(s),
                 QStringList({"X@0*", "x1@1", "Outer@0", "o1@1", "Inner@1", "i1@2", "T1@0", "T2@0", "T3@0"}));
        QCOMPARE(s.collapsedSectionIDs(), QSet<QUuid>({outer}));
        QCOMPARE(e.preferences().textList("collapsed_section_ids").value_or(QStringList()),
                 QStringList({uuidText(outer)}));
        s.undo();
        QCOMPARE(rowTexts(s).mid(0, 4), QStringList({"X@0*", "x1@1", "Work@0", "T1@1"}));

        s.deleteSection(inner);
        QCOMPARE(rowTexts(s).mid(6), QStringList({"Outer@0", "o1@1", "i1@1"}));
        s.deleteSection(group); // its tasks follow the heading task
        QCOMPARE(rowTexts(s).mid(0, 3), QStringList({"X@0", "x1@0", "Work@0"}));
        QVERIFY_SOUND(s);

        // Emptying the root for a paste leaves the root alone.
        s.clearSectionContent(b.root());
        QVERIFY(s.tasks().isEmpty());
        QCOMPARE(s.sections().size(), 1);
    }

    void emptyingAFolderTakesTheGroupsOfItsTasks() {
        EditingStore e;
        TaskStore& s = e.store();
        OutlineBuilder b(s);
        const QUuid h = b.task("H"), group = b.group(h);
        b.task("C", group);
        b.task("Stay");
        const QUuid f = b.folder("F");
        b.apply();
        s.moveTask(h, f, std::nullopt); // its group keeps hanging under the root

        s.clearSectionContent(f);
        QCOMPARE(taskTitles(s), QStringList({"Stay"}));
        QVERIFY(!s.childSection(h));
    }
};

QTEST_GUILESS_MAIN(EditingTest)
#include "editing_test.moc"
