// The first window on a new data folder.
#include "fixtures/store_fixture.h"
#include "views/main_window.h"
#include "views/outline/outline_table.h"
#include "views/outline/outline_table_model.h"
#include "views/outline/outline_view.h"

#include <QListWidget>
#include <QtTest>

using namespace vorn;

class ViewsTest : public QObject {
    Q_OBJECT

private slots:
    void newDataFolderShowsThePlaceholder() {
        test::StoreFixture f(test::localTime(9, 0));
        MainWindow window(&f.start());
        window.show();

        QCOMPARE(window.listTitle(), QStringLiteral("To do"));
        const QAbstractItemModel* model = window.outlineView()->table()->model();
        QCOMPARE(model->rowCount(), 1);
        QCOMPARE(model->index(0, OutlineTableModel::TitleColumn).data().toString(),
                 QStringLiteral("Create to do list"));
        QCOMPARE(model->index(0, OutlineTableModel::MinutesColumn).data().toLongLong(), 10);
        QCOMPARE(model->index(0, OutlineTableModel::FinishColumn).data().toString(), QStringLiteral("09:10"));
        QCOMPARE(window.chatView()->count(), 1);
    }
};

QTEST_MAIN(ViewsTest)
#include "views_test.moc"
