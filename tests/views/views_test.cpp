// The first window on a new data folder: the outline table beside the boss's
// panel, and the settings window and analytics sheet the toolbar opens.
#include "fixtures/store_fixture.h"
#include "views/analytics/analytics_sheet.h"
#include "views/chat/chat_panel.h"
#include "views/main_window.h"
#include "views/outline/outline_header_bar.h"
#include "views/outline/outline_table.h"
#include "views/outline/outline_table_model.h"
#include "views/outline/outline_view.h"
#include "views/settings/settings_window.h"

#include <QAction>
#include <QLineEdit>
#include <QListView>
#include <QtTest>

using namespace vorn;

class ViewsTest : public QObject {
    Q_OBJECT

private slots:
    void newDataFolderShowsThePlaceholderAndTheWelcome() {
        test::StoreFixture f(test::localTime(9, 0));
        MainWindow window(&f.start());
        window.show();

        QCOMPARE(window.listPane()->headerBar()->titleField()->text(), QStringLiteral("To do"));
        const QAbstractItemModel* model = window.listPane()->table()->model();
        QCOMPARE(model->rowCount(), 1);
        QCOMPARE(model->index(0, OutlineTableModel::TitleColumn).data().toString(),
                 QStringLiteral("Create to do list"));
        QCOMPARE(model->index(0, OutlineTableModel::MinutesColumn).data().toLongLong(), 10);
        QCOMPARE(model->index(0, OutlineTableModel::FinishColumn).data().toString(), QStringLiteral("09:10"));
        QCOMPARE(window.chatPane()->messageList()->model()->rowCount(), 1);
    }

    void toolbarOpensOneSettingsWindowAndAFreshAnalyticsSheet() {
        test::StoreFixture f(test::localTime(9, 0));
        MainWindow window(&f.start());
        window.show();

        window.settingsAction()->trigger();
        QPointer<SettingsWindow> settings = window.settingsWindow();
        QVERIFY(settings && settings->isVisible());
        window.settingsAction()->trigger();
        QCOMPARE(window.settingsWindow(), settings.data()); // raised, not opened twice

        window.analyticsAction()->trigger();
        QPointer<AnalyticsSheet> first = window.analyticsSheet();
        QVERIFY(first && first->isVisible());
        window.analyticsAction()->trigger();
        QVERIFY(window.analyticsSheet() && window.analyticsSheet() != first.data());
    }
};

QTEST_MAIN(ViewsTest)
#include "views_test.moc"
