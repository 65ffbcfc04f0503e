#include "fixtures/test_main.h"
#include "model/outline.h"

#include <QTest>

using namespace vorn;

namespace {

struct Builder {
    Workspace ws;

    QUuid section(const QString& title, std::optional<QUuid> parent, int sortOrder = 0,
                  std::optional<QUuid> header = std::nullopt) {
        ws.sections.append({newUuid(), title, parent, sortOrder, header});
        return ws.sections.last().id;
    }
    QUuid group(const QUuid& headerTask, const QUuid& parent) { return section("", parent, 0, headerTask); }
    QUuid task(const QString& title, const QUuid& section) {
        ws.tasks.append({newUuid(), title, 10, false, {}, {}, section, {}});
        return ws.tasks.last().id;
    }

    QStringList titles(const QList<QUuid>& ids) const {
        QStringList out;
        for (const QUuid& id : ids)
            out << std::find_if(ws.tasks.begin(), ws.tasks.end(), [&](auto& t) { return t.id == id; })->title;
        return out;
    }
    QStringList order() const {
        return titles(outline::flattenOutlineEntries(ws, outline::activeOutlineOrder(ws)));
    }
    // "A@1*": title, depth, and a star on group headers.
    QStringList rows() const {
        QStringList out;
        for (const OutlineRow& row : outline::outlineRows(ws))
            out << (row.isTask() ? row.task().title : row.section().title) + "@" +
                       QString::number(row.depth) + (row.isGroupHeader ? "*" : "");
        return out;
    }
};

} // namespace

class OutlineTest : public QObject {
    Q_OBJECT

private slots:
    void groupsFollowTheirTaskInRowsButPrecedeItInTheSectionTree() {
        Builder b;
        const QUuid root = b.section("To do", {});
        const QUuid a = b.task("A", root), group = b.group(a, root);
        b.task("A1", group);
        const QUuid bee = b.task("B", root);
        b.task("A2", group);
        const QUuid e = b.task("E", root);
        b.group(e, root); // empty: E heads nothing visible
        b.ws.rootOutlineOrder = {OutlineEntry::task(a), OutlineEntry::task(bee), OutlineEntry::task(e)};

        QCOMPARE(b.titles(outline::orderedTaskIDs(b.ws, root)), QStringList({"A1", "A2", "A", "B", "E"}));
        QCOMPARE(b.order(), QStringList({"A", "A1", "A2", "B", "E"}));
        QCOMPARE(b.rows(), QStringList({"A@0*", "A1@1", "A2@1", "B@0", "E@0"}));
    }

    void foldersShowOwnTasksFirstAndHideFoldersInsideGroups() {
        Builder b;
        const QUuid root = b.section("To do", {});
        const QUuid work = b.section("Work", root), late = b.section("Late", work, 2),
                    early = b.section("Early", work, 1);
        b.section("Tie", work, 1); // equal sortOrder keeps array order
        b.task("L", late);
        b.task("W", work);
        const QUuid head = b.task("H", early), group = b.group(head, early);
        b.task("H1", group);
        b.section("Hidden", group);
        const QUuid t = b.task("T", root);
        b.ws.rootOutlineOrder = {OutlineEntry::task(t), OutlineEntry::section(work),
                                 OutlineEntry::task(newUuid()), OutlineEntry::section(newUuid())};

        QCOMPARE(b.rows(),
                 QStringList({"T@0", "Work@0", "W@1", "Early@1", "H@2*", "H1@3", "Tie@1", "Late@1", "L@2"}));
        QCOMPARE(b.order(), QStringList({"T", "W", "H", "H1", "L"}));
        QCOMPARE(b.titles(outline::fullDisplayOrder(b.ws)), QStringList({"H1", "H", "L", "W", "T"}));
    }

    void snapshotAndRootOfSeveralRoots() {
        Builder b;
        QVERIFY(outline::outlineRows(b.ws).isEmpty());
        QVERIFY(outline::computeOutlineOrderSnapshot(b.ws).isEmpty());
        const QUuid root = b.section("To do", {}, 5);
        b.section("Later root", {}, 7);
        const QUuid f = b.section("F", root, 1), deep = b.section("Deep", f), g = b.section("G", root, 0);
        b.task("X", deep);
        const QUuid r = b.task("R", root);
        b.task("Y", deep);
        QCOMPARE(outline::rootSectionID(b.ws), root);
        // A folder holding only a subfolder is listed itself; the subfolder stays under it.
        const QList<OutlineEntry> expected{OutlineEntry::section(f), OutlineEntry::task(r),
                                           OutlineEntry::section(g)};
        QCOMPARE(outline::activeOutlineOrder(b.ws), expected);
        QCOMPARE(b.rows(), QStringList({"F@0", "Deep@1", "X@2", "Y@2", "R@0", "G@0"}));
    }

    void displayOrderReordersOnlyWhenEveryTaskIsReached() {
        Builder b;
        const QUuid root = b.section("To do", {});
        const QUuid a = b.task("A", root);
        b.task("A1", b.group(a, root));
        const QUuid c = b.task("C", root);
        b.ws.tasks.move(0, 2); // A1, C, A
        b.ws.rootOutlineOrder = {OutlineEntry::task(a), OutlineEntry::task(c)};
        const auto ids = [](const std::optional<QList<TaskItem>>& tasks) {
            QList<QUuid> out;
            for (const TaskItem& t : tasks.value_or(QList<TaskItem>{}))
                out << t.id;
            return out;
        };

        b.ws.tasks = outline::tasksInDisplayOrder(b.ws).value();
        QCOMPARE(b.titles(ids(b.ws.tasks)), QStringList({"A", "A1", "C"}));
        QVERIFY(!outline::tasksInDisplayOrder(b.ws)); // already in order
        b.ws.rootOutlineOrder.clear();                // the section-tree order takes over
        QCOMPARE(b.titles(ids(outline::tasksInDisplayOrder(b.ws))), QStringList({"A1", "A", "C"}));

        b.ws.rootOutlineOrder = {OutlineEntry::task(c)}; // A and A1 unreachable
        b.ws.tasks.move(2, 0);
        QVERIFY(!outline::tasksInDisplayOrder(b.ws));
        b.ws.rootOutlineOrder = {OutlineEntry::task(a), OutlineEntry::task(c)};
        b.ws.tasks.append(b.ws.tasks.first()); // a repeated ID
        QVERIFY(!outline::tasksInDisplayOrder(b.ws));
    }

    void walksEndOnCyclesAndShowEachItemOnce() {
        Builder b;
        const QUuid root = b.section("To do", {});
        const QUuid p = b.section("P", root), q = b.section("Q", p), self = b.section("Self", {});
        b.ws.sections[1].parentID = q; // P <-> Q
        b.ws.sections[3].parentID = self;
        b.task("p", p);
        b.task("s", self);
        // T heads a group holding T2, whose group holds T again.
        const QUuid t = b.task("T", root), g = b.group(t, root), t2 = b.task("T2", g);
        b.ws.tasks[2].sectionID = b.group(t2, g);
        b.ws.sections.append(b.ws.sections[1]); // P again, same ID
        b.ws.rootOutlineOrder = {OutlineEntry::task(t), OutlineEntry::section(p), OutlineEntry::section(p),
                                 OutlineEntry::task(t)};

        QCOMPARE(b.rows(), QStringList({"T@0*", "T2@1", "P@0", "p@1", "Q@1"}));
        QCOMPARE(b.order(), QStringList({"T", "T2", "p"}));
        QCOMPARE(b.titles(outline::orderedTaskIDs(b.ws, p)), QStringList({"p"}));
        QCOMPARE(b.titles(outline::orderedTaskIDs(b.ws, self)), QStringList({"s"}));
        QCOMPARE(b.titles(outline::flattenTaskWithDescendants(b.ws, t2)), QStringList({"T2", "T"}));
        QVERIFY(!outline::tasksInDisplayOrder(b.ws)); // "s" is unreachable
    }

    void tenThousandLevelsOfNestingDoNotExhaustTheStack() {
        Builder groups, folders;
        QUuid section = groups.section("To do", {}), task = groups.task("0", section);
        groups.ws.rootOutlineOrder = {OutlineEntry::task(task)};
        QUuid folder = folders.section("To do", {});
        for (int i = 1; i <= 10000; ++i) {
            section = groups.group(task, section);
            task = groups.task(QString::number(i), section);
            folder = folders.section("F", folder);
            folders.task(QString::number(i), folder);
        }
        std::reverse(groups.ws.tasks.begin(), groups.ws.tasks.end());
        folders.ws.rootOutlineOrder = {OutlineEntry::section(folders.ws.sections[1].id)};

        QCOMPARE(outline::outlineRows(groups.ws).last().depth, 10000);
        QCOMPARE(outline::tasksInDisplayOrder(groups.ws)->last().title, QString("10000"));
        QCOMPARE(outline::fullDisplayOrder(groups.ws).size(), 10001);
        QCOMPARE(outline::outlineRows(folders.ws).size(), 20000);
        QCOMPARE(outline::orderedTaskIDs(folders.ws, folders.ws.sections[0].id).first(),
                 folders.ws.tasks.last().id);
    }
};

VORN_TEST_CLASS(OutlineTest)
#include "outline_test.moc"
