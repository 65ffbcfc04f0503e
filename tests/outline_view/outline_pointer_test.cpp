// The outline table under the pointer: taps, Shift ranges, the drag-selection
// threshold, the toggle and trash buttons, drops and Alt+arrow moves.
#include "outline_view_harness.h"

#include "views/app_notifications.h"
#include "views/outline/outline_metrics.h"

#include <QMimeData>

using namespace vorn;
using namespace vorn::test;
using M = OutlineTableModel;

namespace {

void sendMouse(QWidget* target, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers = {}) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, target->mapToGlobal(pos), button, buttons, modifiers);
    QApplication::sendEvent(target, &event);
}

const QStringList kFiveTasks{"A", "B", "C", "D", "E"};

} // namespace

class OutlinePointerTest : public QObject {
    Q_OBJECT

private slots:
    void tapsAndShiftTapsPickRows() {
        OutlineHarness h;
        h.build(kFiveTasks);
        QWidget* viewport = h.table()->viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, h.cellCentre(1, M::FinishColumn));
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::ShiftModifier, h.cellCentre(4, M::FinishColumn));
        const QStringList ids = h.model()->rowIds();
        QCOMPARE(h.table()->selection().ids, (QSet<QString>{ids.at(1), ids.at(2), ids.at(3), ids.at(4)}));
        // Escape drops the picked rows, and the keyboard keeps its row.
        QCOMPARE(h.table()->currentIndex().row(), 4);
        QTest::keyClick(h.table(), Qt::Key_Escape);
        QCOMPARE(h.table()->selection().ids, (QSet<QString>{ids.at(4)}));
        QTest::keyClick(h.table(), Qt::Key_Up);
        QCOMPARE(h.table()->currentIndex().row(), 3);

        // The window's request clears it.
        QTest::keyClick(h.table(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(h.table()->selection().ids.size(), 5);
        AppNotifications::instance().postClearTaskRowSelection();
        QVERIFY(h.table()->selection().ids.isEmpty());
    }

    void dragSelectionStartsAfterSixPixels_data() {
        QTest::addColumn<int>("dy");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("afterRelease");
        QTest::newRow("5 px: nothing, then a tap") << 5 << 0 << 1;
        QTest::newRow("6 px: the row itself") << 6 << 1 << 1;
        QTest::newRow("three rows down") << 3 * outline_metrics::kRowHeight << 4 << 4;
    }

    void dragSelectionStartsAfterSixPixels() {
        QFETCH(int, dy);
        QFETCH(int, selected);
        QFETCH(int, afterRelease);
        OutlineHarness h;
        h.build(kFiveTasks);
        QWidget* viewport = h.table()->viewport();
        const QPoint start = h.cellCentre(0, M::FinishColumn) - QPoint(0, 6);
        sendMouse(viewport, QEvent::MouseButtonPress, start, Qt::LeftButton);
        sendMouse(viewport, QEvent::MouseMove, start + QPoint(0, dy), Qt::LeftButton);
        QCOMPARE(h.table()->selection().ids.size(), selected);
        sendMouse(viewport, QEvent::MouseButtonRelease, start + QPoint(0, dy), Qt::NoButton);
        QCOMPARE(h.table()->selection().ids.size(), afterRelease);
    }

    void toggleAndTrashCallTheStore() {
        OutlineHarness h;
        h.build({"Errands/", " Shop"});
        const QUuid shop = taskNamed(h.store, QStringLiteral("Shop"));
        QWidget* viewport = h.table()->viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, h.cellCentre(1, M::ToggleColumn));
        QVERIFY(taskWithID(h.store, shop).isCompleted);
        QTest::mouseClick(viewport, Qt::LeftButton, {}, h.cellCentre(0, M::TrashColumn));
        h.settle();
        QCOMPARE(h.shownRows(), QStringList{"Shop@0"});
        QCOMPARE(taskWithID(h.store, shop).sectionID, *h.store.outline().rootSectionID());
    }

    // The second press of a double-click on the circle is no second toggle: the
    // task ends completed, with one analytics record and one completion counted.
    void aDoubleClickTogglesOnce() {
        OutlineHarness h;
        h.build({"A"});
        const int completions = h.store.boss().gamification().totalCompletions;
        const QPoint circle = h.cellCentre(0, M::ToggleColumn);
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                  QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease})
            sendMouse(h.table()->viewport(), type, circle,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton);
        QVERIFY(taskTitled(h.store, QStringLiteral("A")).isCompleted);
        QCOMPARE(h.fixture.database().loadTaskAnalytics().size(), 1);
        QCOMPARE(h.store.boss().gamification().totalCompletions, completions + 1);
    }

    void dropsAreCheckedAndGoToTheStore() {
        OutlineHarness h;
        h.build({"Head", " Child", "Errands/", " Shop", "Home/", " Dishes"});
        QCOMPARE(h.shownRows(),
                 (QStringList{"Head@0", "Child@1", "Errands@0", "Shop@1", "Home@0", "Dishes@1"}));
        OutlineTableModel* model = h.model();
        const auto canDrop = [&](int dragged, int target) {
            std::unique_ptr<QMimeData> data(model->mimeData({model->index(dragged, 0)}));
            return model->canDropMimeData(data.get(), Qt::MoveAction, -1, -1, model->index(target, 0));
        };
        // Not onto itself or its own child, nor a folder onto a task.
        for (auto [dragged, target] : {std::pair{0, 0}, {0, 1}, {2, 3}, {2, 2}})
            QVERIFY(!canDrop(dragged, target));
        for (auto [dragged, target] : {std::pair{1, 3}, {0, 4}, {4, 2}})
            QVERIFY(canDrop(dragged, target));

        std::unique_ptr<QMimeData> folderDrag(model->mimeData({model->index(4, 0)}));
        QVERIFY(model->dropMimeData(folderDrag.get(), Qt::MoveAction, -1, -1, model->index(2, 0)));
        QCOMPARE(h.shownRows(),
                 (QStringList{"Head@0", "Child@1", "Home@0", "Dishes@1", "Errands@0", "Shop@1"}));
        std::unique_ptr<QMimeData> taskDrag(model->mimeData({model->index(5, 0)}));
        QVERIFY(model->dropMimeData(taskDrag.get(), Qt::MoveAction, -1, -1, model->index(2, 0)));
        QCOMPARE(h.shownRows(),
                 (QStringList{"Head@0", "Child@1", "Home@0", "Dishes@1", "Shop@1", "Errands@0"}));
    }

    // A drag hovering the table: the row under it lights up only when it takes
    // the drop, and the drop moves the task once (the view removes nothing itself).
    void aHoveringDragMarksTheTargetAndDrops() {
        OutlineHarness h;
        h.build(kFiveTasks);
        QWidget* viewport = h.table()->viewport();
        std::unique_ptr<QMimeData> data(h.model()->mimeData({h.model()->index(4, 0)}));
        const auto hover = [&](int row) {
            QDragMoveEvent move(h.cellCentre(row, M::TitleColumn), Qt::MoveAction, data.get(), Qt::LeftButton,
                                {});
            QApplication::sendEvent(viewport, &move);
            return move.isAccepted();
        };
        QDragEnterEvent enter(h.cellCentre(4, M::TitleColumn), Qt::MoveAction, data.get(), Qt::LeftButton,
                              {});
        QApplication::sendEvent(viewport, &enter);
        QVERIFY(!hover(4));
        QVERIFY(!h.table()->isDropTarget(4));
        QVERIFY(hover(1));
        QVERIFY(h.table()->isDropTarget(1));

        QDropEvent drop(h.cellCentre(1, M::TitleColumn), Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &drop);
        h.settle();
        QVERIFY(!h.table()->isDropTarget(1));
        QCOMPARE(h.shownRows(), (QStringList{"A@0", "E@0", "B@0", "C@0", "D@0"}));
    }

    void altArrowsMoveTheCurrentTask() {
        OutlineHarness h;
        h.build(kFiveTasks);
        QTest::mouseClick(h.table()->viewport(), Qt::LeftButton, {}, h.cellCentre(0, M::FinishColumn));
        QTest::keyClick(h.table(), Qt::Key_Down); // row 1: B
        QTest::keyClick(h.table(), Qt::Key_Down, Qt::AltModifier);
        h.settle();
        QCOMPARE(h.shownRows(), (QStringList{"A@0", "C@0", "B@0", "D@0", "E@0"}));
        QCOMPARE(h.table()->currentIndex().row(), 2);
        QTest::keyClick(h.table(), Qt::Key_Up, Qt::AltModifier);
        QTest::keyClick(h.table(), Qt::Key_Up, Qt::AltModifier);
        h.settle();
        QCOMPARE(h.shownRows(), (QStringList{"B@0", "A@0", "C@0", "D@0", "E@0"}));
        h.store.editor().undo();
        h.settle();
        QCOMPARE(h.shownRows(), (QStringList{"A@0", "B@0", "C@0", "D@0", "E@0"}));

        // From inside a title: Down goes to the next title, Alt+Down takes the task along.
        QVERIFY(h.table()->focusTitle(taskNamed(h.store, QStringLiteral("A")), false));
        QTest::keyClick(h.editor(), Qt::Key_Down);
        QCOMPARE(h.editor()->text(), QStringLiteral("B"));
        h.type(QStringLiteral("e"), Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(h.shownRows(), (QStringList{"A@0", "C@0", "Be@0", "D@0", "E@0"}));
        QCOMPARE(h.editor()->text(), QStringLiteral("Be"));
    }
};

QTEST_MAIN(OutlinePointerTest)
#include "outline_pointer_test.moc"
