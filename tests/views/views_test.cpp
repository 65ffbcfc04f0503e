// The first window on a new data folder, and the outline model it shows.
#include "fixtures/store_fixture.h"
#include "views/main_window.h"
#include "views/outline_rows_model.h"
#include "views/placeholder_panes.h"

#include <QAbstractItemModelTester>
#include <QListWidget>
#include <QTableView>
#include <QtTest>

using namespace vorn;

class ViewsTest : public QObject {
    Q_OBJECT

private slots:
    void newDataFolderShowsThePlaceholder() {
        test::StoreFixture f(test::localTime(9, 0));
        MainWindow window(&f.start());
        window.show();

        auto* outline = window.findChild<ReadOnlyOutlinePane*>();
        QVERIFY(outline);
        QCOMPARE(outline->listTitle(), QStringLiteral("To do"));
        const QAbstractItemModel* model = outline->table()->model();
        QCOMPARE(model->rowCount(), 1);
        QCOMPARE(model->index(0, OutlineRowsModel::TitleColumn).data().toString(),
                 QStringLiteral("Create to do list"));
        QCOMPARE(model->index(0, OutlineRowsModel::MinutesColumn).data().toLongLong(), 10);
        QCOMPARE(model->index(0, OutlineRowsModel::FinishColumn).data().toString(), QStringLiteral("09:10"));
        QCOMPARE(window.findChild<ReadOnlyChatPane*>()->list()->count(), 1);
    }

    void modelFollowsTheStore() {
        test::StoreFixture f(test::localTime(9, 0));
        TaskStore& store = f.start();
        OutlineRowsModel model(&store);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);

        const QUuid root = store.sections().first().id;
        const TaskSection folder{newUuid(), QStringLiteral("Errands"), root, 0, std::nullopt};
        TaskItem shop;
        shop.id = newUuid();
        shop.title = QStringLiteral("Shop");
        shop.durationMinutes = 45;
        shop.sectionID = folder.id;
        store.setSections({store.sections().first(), folder});
        store.setTasks({store.tasks().first(), shop});
        store.setRootOutlineOrder(store.computeOutlineOrderSnapshot());
        store.recalculateFinishTimes();

        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.index(1, OutlineRowsModel::TitleColumn).data().toString(), QStringLiteral("Errands"));
        QCOMPARE(model.index(1, OutlineRowsModel::FinishColumn).data().toString(), QStringLiteral("09:55"));
        QCOMPARE(model.index(2, OutlineRowsModel::TitleColumn).data().toString(), QStringLiteral("    Shop"));
        QVERIFY(!model.index(1, OutlineRowsModel::MinutesColumn).data().isValid());
    }
};

QTEST_MAIN(ViewsTest)
#include "views_test.moc"
