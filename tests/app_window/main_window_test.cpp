// The main window on a throw-away store: its commands, its alert, its layout,
// the boss watch following the application's activity and the surge countdown.
#include "fixtures/store_fixture.h"
#include "model/schedule.h"
#include "views/analytics/analytics_sheet.h"
#include "views/app_notifications.h"
#include "views/chat/chat_panel.h"
#include "views/import_tasks_sheet.h"
#include "views/main_layout.h"
#include "views/main_window.h"
#include "views/outline/outline_view.h"
#include "views/panel_splitter.h"
#include "views/settings/settings_window.h"
#include "views/surge_countdown.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSplitterHandle>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

using namespace vorn;

namespace {

const QString kList = QStringLiteral("Monday\n1. Mail\n2. Report\n    1. Outline\n    2. Draft\n3. Call\n");

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void layoutArithmetic_data() {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("fraction");
        QTest::addColumn<double>("list");
        QTest::addColumn<double>("chat");
        QTest::newRow("800 at 0.35") << 800.0 << 0.35 << 515.0 << 280.0;
        QTest::newRow("narrow keeps the list") << 300.0 << 0.35 << 240.0 << 105.0;
        QTest::newRow("wide chat") << 1000.0 << 0.9 << 240.0 << 900.0;
    }
    void layoutArithmetic() {
        QFETCH(double, width);
        QFETCH(double, fraction);
        QFETCH(double, list);
        QFETCH(double, chat);
        const MainLayoutWidths widths = mainLayoutWidths(width, fraction);
        QCOMPARE(widths.list, list);
        QCOMPARE(widths.chat, chat);
    }

    void dividerFraction() {
        QCOMPARE(chatFractionForWidth(280, 800), std::optional<double>(0.35));
        QCOMPARE(chatFractionForWidth(10, 800), std::optional<double>(0.1));
        QCOMPARE(chatFractionForWidth(790, 800), std::optional<double>(0.9));
        QCOMPARE(chatFractionForWidth(0, 0), std::nullopt);
    }

    void toolbarCallsTheStore() {
        test::StoreFixture f(test::localTime(9, 0));
        TaskStore& store = f.start();
        MainWindow window(&store);
        window.show();
        const QList<QAction*> order = window.findChild<QToolBar*>()->actions();
        QCOMPARE(order.first()->text(), QStringLiteral("Import"));
        QCOMPARE(order.first()->toolTip(), QStringLiteral("Import tasks from pasted text"));
        QCOMPARE(window.analyticsAction()->toolTip(), QStringLiteral("View completion analytics"));
        QVERIFY(order.indexOf(window.analyticsAction()) < order.indexOf(window.chatToggleAction()));
        QVERIFY(order.indexOf(window.restartAction()) < order.indexOf(window.estimateAction()));
        QCOMPARE(order.last(), window.settingsAction());

        window.importAction()->trigger();
        QVERIFY(store.showImportSheet());
        QTRY_VERIFY(window.importSheet()->isVisible());
        window.importSheet()->cancelButton()->click();
        QVERIFY(!store.showImportSheet());

        QSignalSpy analytics(&window, &MainWindow::analyticsRequested);
        QSignalSpy settings(&window, &MainWindow::settingsRequested);
        window.analyticsAction()->trigger();
        window.settingsAction()->trigger();
        QCOMPARE(analytics.size(), 1);
        QCOMPARE(settings.size(), 1);
        window.analyticsSheet()->close(); // a sheet holds the window's input while it is open
        window.settingsWindow()->close();

        window.chatToggleAction()->trigger();
        QVERIFY(!store.isChatVisible());
        QCOMPARE(window.chatToggleAction()->text(), QStringLiteral("Show Vorn"));
        window.chatToggleAction()->trigger();
        QVERIFY(store.isChatVisible());
        QCOMPARE(window.chatToggleAction()->text(), QStringLiteral("Hide Vorn"));

        f.clock().set(test::localTime(11, 30));
        window.restartAction()->trigger();
        QCOMPARE(store.scheduleStartTime(), test::localTime(11, 30));

        f.proxy().reply(QStringLiteral("/api/openai/chat"), test::ScriptedReply::silence());
        f.setRequestTimeoutMs(300);
        window.estimateAction()->trigger();
        QVERIFY(store.isEstimating());
        QVERIFY(!window.estimateAction()->isVisible());
        QVERIFY(window.estimateBusyAction()->isVisible());
        QTRY_VERIFY(!store.isEstimating());
        QVERIFY(window.estimateAction()->isEnabled());

        store.setTasks({});
        QVERIFY(!window.estimateAction()->isEnabled());

        // Ctrl+Q closes the window (and with it the application).
        store.setErrorMessage(std::nullopt); // the estimate's timeout alert
        QVERIFY(!window.errorAlert() || !window.errorAlert()->isVisible());
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!window.isVisible());
    }

    void undoFollowsItsStack() {
        test::StoreFixture f(test::localTime(9, 0));
        TaskStore& store = f.start();
        MainWindow window(&store);
        QVERIFY(!window.undoAction()->isEnabled());
        QVERIFY(!window.redoAction()->isEnabled());
        QCOMPARE(window.undoAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
        QCOMPARE(window.redoAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));

        store.addTask();
        QVERIFY(window.undoAction()->isEnabled());
        window.undoAction()->trigger();
        QCOMPARE(store.tasks().size(), 1);
        QVERIFY(!window.undoAction()->isEnabled());
        QVERIFY(window.redoAction()->isEnabled());
        window.redoAction()->trigger();
        QCOMPARE(store.tasks().size(), 2);
    }

    void errorAlertShowsAndClears() {
        test::StoreFixture f(test::localTime(9, 0));
        TaskStore& store = f.start();
        MainWindow window(&store);
        window.show();
        store.setErrorMessage(QStringLiteral("Proxy unreachable"));
        QVERIFY(window.errorAlert());
        QTRY_VERIFY(window.errorAlert()->isVisible());
        QCOMPARE(window.errorAlert()->windowTitle(), QStringLiteral("Error"));
        QCOMPARE(window.errorAlert()->text(), QStringLiteral("Proxy unreachable"));
        QCOMPARE(window.errorAlert()->buttons().size(), 1);
        window.errorAlert()->button(QMessageBox::Ok)->click();
        QVERIFY(!store.errorMessage());
        QVERIFY(!window.errorAlert()->isVisible());

        store.setErrorMessage(QStringLiteral("Again"));
        QTRY_VERIFY(window.errorAlert()->isVisible());
        QCOMPARE(window.errorAlert()->text(), QStringLiteral("Again"));
    }

    void importSheetReplacesTheList() {
        test::StoreFixture f(test::localTime(9, 0));
        TaskStore& store = f.start();
        MainWindow window(&store);
        window.show();
        window.importAction()->trigger();
        ImportTasksSheet* sheet = window.importSheet();
        QTRY_VERIFY(sheet->isVisible());
        QCOMPARE(sheet->size(), QSize(480, 420));
        QVERIFY(!sheet->listPicker()->isEnabled());
        QCOMPARE(sheet->listPicker()->currentText(), QStringLiteral("To do"));

        // Text that does not parse: an error, the sheet stays open with the text.
        QTest::keyClicks(sheet->editor(), QStringLiteral("just words"));
        QCOMPARE(store.pasteText(), QStringLiteral("just words"));
        sheet->importButton()->click();
        QVERIFY(store.errorMessage());
        QVERIFY(sheet->isVisible());
        QCOMPARE(store.tasks().size(), 1);
        store.setErrorMessage(std::nullopt);

        sheet->editor()->setPlainText(kList);
        sheet->importButton()->click();
        QTRY_VERIFY(!sheet->isVisible());
        QVERIFY(!store.showImportSheet());
        QCOMPARE(store.tasks().size(), 4);
        QCOMPARE(store.sectionTitle(*store.rootSectionID()), QStringLiteral("Monday"));

        // Opened again, it shows the last imported list and the list's title.
        window.importAction()->trigger();
        QTRY_VERIFY(sheet->isVisible());
        QCOMPARE(sheet->editor()->toPlainText(), kList);
        QCOMPARE(sheet->listPicker()->currentText(), QStringLiteral("Monday"));
    }

    void panelsFollowTheFraction() {
        test::StoreFixture f(test::localTime(9, 0));
        TaskStore& store = f.start();
        MainWindow window(&store);
        window.resize(1000, 600);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const int total = window.splitter()->width();
        const MainLayoutWidths expected = mainLayoutWidths(total, 0.35);
        QCOMPARE(window.splitter()->sizes().at(1), qRound(expected.chat));

        store.setChatPanelFraction(0.5);
        QCOMPARE(window.splitter()->sizes().at(1), qRound(total * 0.5));

        // In the narrowest window a wide chat leaves the list its 240.
        store.setChatPanelFraction(0.9);
        window.resize(window.minimumSize());
        QTRY_COMPARE(window.splitter()->sizes().at(0), 240);
        QCOMPARE(window.splitter()->sizes().at(1), window.splitter()->width() - 5 - 240);
        window.resize(1000, 600);
        store.setChatPanelFraction(0.5);
        QTRY_COMPARE(window.splitter()->sizes().at(1), qRound(total * 0.5));

        // Dragging the divider is remembered as a fraction, within its bounds.
        QSignalSpy cleared(&AppNotifications::instance(), &AppNotifications::clearTaskRowSelection);
        QSplitterHandle* handle = window.splitter()->handle(1);
        const QPoint middle(handle->width() / 2, handle->height() / 2);
        QTest::mousePress(handle, Qt::LeftButton, {}, middle);
        QCOMPARE(cleared.size(), 1);
        QTest::mouseMove(handle, middle + QPoint(total / 4, 0));
        QTest::mouseRelease(handle, Qt::LeftButton, {}, middle + QPoint(total / 4, 0));
        QVERIFY(store.chatPanelFraction() < 0.5);
        QVERIFY(store.chatPanelFraction() >= 0.1);
        QCOMPARE(f.preferences().number(QStringLiteral("chat_panel_fraction")), store.chatPanelFraction());

        // A click into the chat asks for the same; one into the list does not.
        cleared.clear();
        QWidget* chatInside = window.chatPane()->findChildren<QWidget*>().constLast();
        QTest::mouseClick(chatInside, Qt::LeftButton);
        QVERIFY(!cleared.isEmpty());
        cleared.clear();
        QTest::mouseClick(window.listPane(), Qt::LeftButton);
        QVERIFY(cleared.isEmpty());
    }

    void hiddenChatIsRememberedAcrossRuns() {
        test::StoreFixture f(test::localTime(9, 0));
        {
            MainWindow window(&f.start());
            window.show();
            QVERIFY(!window.showChatButton()->isVisible());
            window.chatToggleAction()->trigger();
            QVERIFY(!window.chatPane()->isVisible());
        }
        MainWindow window(&f.restart());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(!window.chatPane()->isVisible());
        QToolButton* v = window.showChatButton();
        QVERIFY(v->isVisible());
        QCOMPARE(v->text(), QStringLiteral("V"));
        QCOMPARE(v->toolTip(), QStringLiteral("Show Vorn"));
        const QWidget* area = window.centralWidget();
        QCOMPARE(v->geometry().right(), area->width() - 1 - 6);
        QVERIFY(qAbs(v->geometry().center().y() - area->height() / 2) <= 1);

        QTest::mouseClick(v, Qt::LeftButton);
        QVERIFY(f.store().isChatVisible());
        QVERIFY(window.chatPane()->isVisible());
        QVERIFY(!v->isVisible());
    }

    void bossWatchFollowsActivity() {
        test::StoreFixture f(test::localTime(9, 0));
        TaskStore& store = f.start();
        MainWindow window(&store);
        window.show();
        QVERIFY(!store.isBossAIActive()); // the initial state starts nothing
        emit qApp->applicationStateChanged(Qt::ApplicationActive);
        QVERIFY(store.isBossAIActive());
        emit qApp->applicationStateChanged(Qt::ApplicationInactive);
        QVERIFY(!store.isBossAIActive());
        emit qApp->applicationStateChanged(Qt::ApplicationActive);
        QVERIFY(store.isBossAIActive());
        emit qApp->applicationStateChanged(Qt::ApplicationHidden);
        QVERIFY(!store.isBossAIActive());
    }

    void surgeCountdownAppearsAndEnds() {
        test::StoreFixture f(test::localTime(9, 0));
        TaskStore& store = f.start();
        MainWindow window(&store);
        window.show();
        SurgeCountdown* countdown = window.surgeCountdown();
        QVERIFY(!countdown->isVisible());

        BossAIState state = store.bossAIState();
        state.surgeModeUntil = f.clock().now() + 1800;
        store.setBossAIState(state);
        f.clock().advance(0.4);
        countdown->tick();
        QVERIFY(countdown->isVisible());
        QCOMPARE(countdown->remainingText(), QStringLiteral("29:59 left"));
        QVERIFY(countdown->findChild<QLabel*>()->text() == QStringLiteral("⚡ SURGE"));
        const QWidget* area = window.centralWidget();
        QCOMPARE(countdown->geometry().right(), area->width() - 1 - 12);
        QCOMPARE(countdown->y(), 12);

        f.clock().advance(1800);
        countdown->tick();
        QVERIFY(!countdown->isVisible());
        QVERIFY(!store.bossAIState().surgeModeUntil); // the tick ended the expired surge
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
