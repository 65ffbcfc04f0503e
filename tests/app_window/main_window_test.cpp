// The main window on a throw-away store: its commands, its alert, its layout,
// the boss watch following the application's activity and the surge countdown.
#include "fixtures/boss_replies.h"
#include "fixtures/store_fixture.h"
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
#include <QListView>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSplitterHandle>
#include <QToolButton>
#include <QtTest>

using namespace vorn;

namespace {

const QString kList = QStringLiteral("Monday\n1. Mail\n2. Report\n    1. Outline\n    2. Draft\n3. Call\n");

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::StoreFixture> m_fixture;
    std::unique_ptr<MainWindow> m_window;
    test::StoreFixture& f() { return *m_fixture; }
    TaskStore& store() { return m_fixture->store(); }
    MainWindow& window() { return *m_window; }

private slots:
    // Each test has a window on a fresh store, shown at 09:00.
    void init() {
        m_fixture = std::make_unique<test::StoreFixture>(test::localTime(9, 0));
        m_window = std::make_unique<MainWindow>(&m_fixture->start());
        m_window->show();
    }
    void cleanup() {
        m_window.reset();
        m_fixture.reset();
    }

    void toolbarCallsTheStore() {
        // One settings window, raised when asked again; a fresh analytics sheet each time.
        window().settingsAction()->trigger();
        QPointer<SettingsWindow> settings = window().settingsWindow();
        QVERIFY(settings && settings->isVisible());
        window().settingsAction()->trigger();
        QCOMPARE(window().settingsWindow(), settings.data());
        window().analyticsAction()->trigger();
        QPointer<AnalyticsSheet> analytics = window().analyticsSheet();
        QVERIFY(analytics && analytics->isVisible());
        window().analyticsAction()->trigger();
        QVERIFY(window().analyticsSheet() && window().analyticsSheet() != analytics.data());
        window().analyticsSheet()->close(); // a sheet holds the window's input while it is open
        settings->close();

        f().clock().set(test::localTime(11, 30));
        window().restartAction()->trigger();
        QCOMPARE(store().scheduleStartTime(), test::localTime(11, 30));

        f().proxy().reply(QStringLiteral("/api/openai/chat"), test::ScriptedReply::silence());
        f().setRequestTimeoutMs(300);
        window().estimateAction()->trigger();
        QVERIFY(store().isEstimating());
        QVERIFY(!window().estimateAction()->isVisible());
        QVERIFY(window().estimateBusyAction()->isVisible());
        QTRY_VERIFY(!store().isEstimating());
        QVERIFY(window().estimateAction()->isEnabled());
        store().setTasks({});
        QVERIFY(!window().estimateAction()->isEnabled());

        // Ctrl+Q closes the window (and with it the application).
        store().setErrorMessage(std::nullopt); // the estimate's timeout alert
        window().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window()));
        QTest::keyClick(&window(), Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!window().isVisible());
    }

    void undoFollowsItsStack() {
        QCOMPARE(window().undoAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
        QCOMPARE(window().redoAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));

        store().addTask();
        window().undoAction()->trigger();
        QCOMPARE(store().tasks().size(), 1);
        QVERIFY(!window().undoAction()->isEnabled());
        QVERIFY(window().redoAction()->isEnabled());
        window().redoAction()->trigger();
        QCOMPARE(store().tasks().size(), 2);
        QVERIFY(!window().redoAction()->isEnabled());
    }

    void importSheetReplacesTheList() {
        window().importAction()->trigger();
        ImportTasksSheet* sheet = window().importSheet();
        QTRY_VERIFY(sheet->isVisible());

        // Text that does not parse: an alert, each time, and the sheet stays open with the text.
        QTest::keyClicks(sheet->editor(), QStringLiteral("just words"));
        QCOMPARE(store().pasteText(), QStringLiteral("just words"));
        for (int attempt = 0; attempt < 2; ++attempt) {
            sheet->importButton()->click();
            QTRY_VERIFY(window().errorAlert() && window().errorAlert()->isVisible());
            QCOMPARE(window().errorAlert()->text(), store().errorMessage().value_or(QString()));
            window().errorAlert()->button(QMessageBox::Ok)->click();
            QVERIFY(!store().errorMessage() && !window().errorAlert()->isVisible());
        }
        QVERIFY(sheet->isVisible());
        QCOMPARE(store().tasks().size(), 1);

        sheet->editor()->setPlainText(kList);
        sheet->importButton()->click();
        QTRY_VERIFY(!sheet->isVisible());
        QCOMPARE(store().tasks().size(), 4);
        QCOMPARE(store().sectionTitle(*store().rootSectionID()), QStringLiteral("Monday"));

        // Opened again, it shows the last imported list and the list's title.
        window().importAction()->trigger();
        QTRY_VERIFY(sheet->isVisible());
        QCOMPARE(sheet->editor()->toPlainText(), kList);
        QVERIFY(!sheet->listPicker()->isEnabled());
        QCOMPARE(sheet->listPicker()->currentText(), QStringLiteral("Monday"));
        sheet->cancelButton()->click();
        QVERIFY(!store().showImportSheet());
    }

    void panelsFollowTheFraction() {
        window().resize(1000, 600);
        QVERIFY(QTest::qWaitForWindowExposed(&window()));
        const int total = window().splitter()->width();
        QCOMPARE(window().splitter()->sizes().at(1), qRound(total * 0.35));
        store().setChatPanelFraction(0.5);
        QCOMPARE(window().splitter()->sizes().at(1), qRound(total * 0.5));

        // In the narrowest window a wide chat leaves the list what it needs
        // (at least 240), and neither pane gets less than its layout needs.
        store().setChatPanelFraction(0.9);
        window().resize(window().minimumSize());
        const int list = window().listPane()->minimumWidth();
        QVERIFY(list >= 240);
        QTRY_COMPARE(window().splitter()->sizes().at(0), list);
        QCOMPARE(window().splitter()->sizes().at(1), window().splitter()->width() - 5 - list);
        for (QWidget* pane :
             {static_cast<QWidget*>(window().listPane()), static_cast<QWidget*>(window().chatPane())}) {
            QVERIFY(pane->width() >= pane->minimumSizeHint().width());
            QVERIFY(pane->height() >= pane->minimumSizeHint().height());
        }
        window().resize(1000, 600);
        store().setChatPanelFraction(0.5);
        QTRY_COMPARE(window().splitter()->sizes().at(1), qRound(total * 0.5));

        // Dragging the divider is remembered as a fraction, within its bounds.
        QCOMPARE(chatFractionForWidth(10, 800), std::optional<double>(0.1));
        QCOMPARE(chatFractionForWidth(790, 800), std::optional<double>(0.9));
        QCOMPARE(chatFractionForWidth(0, 0), std::nullopt);
        QSignalSpy cleared(&AppNotifications::instance(), &AppNotifications::clearTaskRowSelection);
        QSplitterHandle* handle = window().splitter()->handle(1);
        const QPoint middle(handle->width() / 2, handle->height() / 2);
        QTest::mousePress(handle, Qt::LeftButton, {}, middle);
        QCOMPARE(cleared.size(), 1);
        QTest::mouseMove(handle, middle + QPoint(total / 4, 0));
        QTest::mouseRelease(handle, Qt::LeftButton, {}, middle + QPoint(total / 4, 0));
        QVERIFY(store().chatPanelFraction() < 0.5);
        QCOMPARE(f().preferences().number(QStringLiteral("chat_panel_fraction")),
                 store().chatPanelFraction());

        // A click into the chat asks for the same; one into the list does not.
        cleared.clear();
        QTest::mouseClick(window().chatPane()->findChildren<QWidget*>().constLast(), Qt::LeftButton);
        QVERIFY(!cleared.isEmpty());
        cleared.clear();
        QTest::mouseClick(window().listPane(), Qt::LeftButton);
        QVERIFY(cleared.isEmpty());
    }

    void hiddenChatIsRememberedAcrossRuns() {
        window().chatToggleAction()->trigger();
        QVERIFY(!store().isChatVisible());
        m_window.reset();
        m_window = std::make_unique<MainWindow>(&f().restart());
        window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&window()));
        QVERIFY(!window().chatPane()->isVisible());
        QVERIFY(window().showChatButton()->isVisible());
        // The "V" floats in a gutter of its own, clear of the rows.
        const QRect list(window().listPane()->mapTo(window().centralWidget(), QPoint()),
                         window().listPane()->size());
        QVERIFY(!window().showChatButton()->geometry().intersects(list));
        QTest::mouseClick(window().showChatButton(), Qt::LeftButton);
        QVERIFY(window().chatPane()->isVisible());
        QVERIFY(!window().showChatButton()->isVisible());
    }

    // A low window turns the mood banner into a strip, leaving the chat room
    // for four one-line messages; the default size keeps the big picture.
    void lowWindowKeepsRoomForTheChat() {
        for (int i = 0; i < 8; ++i)
            store().postSystemMessage(QStringLiteral("Line %1").arg(i));
        window().resize(900, 600);
        QVERIFY(QTest::qWaitForWindowExposed(&window()));
        QTRY_VERIFY(window().chatPane()->hasCompactHeader());
        QListView* list = window().chatPane()->messageList();
        list->scrollToBottom();
        int shown = 0;
        for (int row = 0; row < list->model()->rowCount(); ++row)
            shown +=
                list->viewport()->rect().contains(list->visualRect(list->model()->index(row, 0))) ? 1 : 0;
        QVERIFY2(shown >= 4, qPrintable(QStringLiteral("%1 whole messages shown").arg(shown)));

        window().resize(1100, 700);
        QTRY_VERIFY(!window().chatPane()->hasCompactHeader());
    }

    // Without a sound device boss messages arrive as text: no alert opens and
    // the chat says so once.
    void noSoundDeviceOpensNoAlert() {
        f().audio().device = false;
        test::answerEverything(f().proxy(), QStringLiteral("Onward."));
        const qsizetype before = store().chatMessages().size();
        for (int i = 0; i < 3; ++i)
            QCoro::waitFor(
                store().deliverBossChatMessage(QStringLiteral("x"), false, std::nullopt, std::nullopt));
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(!window().errorAlert() || !window().errorAlert()->isVisible());
        QStringList added;
        for (const ChatMessage& m : store().chatMessages().mid(before))
            added.append(m.content);
        QCOMPARE(added, (QStringList{QStringLiteral("No sound device: Vorn will write instead of speak."),
                                     QStringLiteral("Onward."), QStringLiteral("Onward."),
                                     QStringLiteral("Onward.")}));
    }

    void bossWatchFollowsActivity() {
        QVERIFY(!store().isBossAIActive()); // the initial state starts nothing
        for (Qt::ApplicationState state :
             {Qt::ApplicationActive, Qt::ApplicationInactive, Qt::ApplicationActive, Qt::ApplicationHidden}) {
            emit qApp->applicationStateChanged(state);
            QCOMPARE(store().isBossAIActive(), state == Qt::ApplicationActive);
        }
    }

    void surgeCountdownAppearsAndEnds() {
        SurgeCountdown* countdown = window().surgeCountdown();
        QVERIFY(!countdown->isVisible());

        BossAIState state = store().bossAIState();
        state.surgeModeUntil = f().clock().now() + 1800;
        store().setBossAIState(state);
        f().clock().advance(0.4);
        countdown->tick();
        QVERIFY(countdown->isVisible());
        QCOMPARE(countdown->remainingText(), QStringLiteral("29:59 left"));

        f().clock().advance(1800);
        countdown->tick();
        QVERIFY(!countdown->isVisible());
        QVERIFY(!store().bossAIState().surgeModeUntil); // the tick ended the expired surge
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
