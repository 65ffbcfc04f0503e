// The main window on a throw-away store: its commands, its alert, its layout,
// the boss watch following the application's activity and the surge countdown.
#include "fixtures/boss_replies.h"
#include "fixtures/fake_connection_access.h"
#include "fixtures/outline_fixture.h"
#include "fixtures/store_fixture.h"
#include "views/analytics/analytics_sheet.h"
#include "views/app_notifications.h"
#include "views/chat/chat_input.h"
#include "views/chat/chat_panel.h"
#include "views/focus_ring.h"
#include "views/import_tasks_sheet.h"
#include "views/keyboard_shortcuts.h"
#include "views/main_layout.h"
#include "views/main_window.h"
#include "views/outline/outline_header_bar.h"
#include "views/outline/outline_table.h"
#include "views/outline/outline_table_model.h"
#include "views/outline/outline_view.h"
#include "views/panel_splitter.h"
#include "views/settings/settings_window.h"
#include "views/surge_countdown.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSplitterHandle>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

using namespace vorn;

namespace {

const QString kList = QStringLiteral("Monday\n1. Mail\n2. Report\n    1. Outline\n    2. Draft\n3. Call\n");

// A key pressed where the keyboard is.
void press(int key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
}

void typeText(const QString& text) {
    QTest::keyClicks(QApplication::focusWidget(), text);
}

QString accessibleName(QObject* object) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    return face ? face->text(QAccessible::Name) : QString();
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    test::FakeConnectionAccess m_connection;
    std::unique_ptr<test::StoreFixture> m_fixture;
    std::unique_ptr<MainWindow> m_window;
    test::StoreFixture& f() { return *m_fixture; }
    TaskStore& store() { return m_fixture->store(); }
    MainWindow& window() { return *m_window; }

private slots:
    // Each test has a window on a fresh store, shown at 09:00.
    void init() {
        m_fixture = std::make_unique<test::StoreFixture>(test::localTime(9, 0));
        m_window = std::make_unique<MainWindow>(m_fixture->start(), m_connection);
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
        QCOMPARE(store().outline().scheduleStartTime(), test::localTime(11, 30));

        f().proxy().reply(QStringLiteral("/api/openai/chat"), test::ScriptedReply::silence());
        f().setRequestTimeoutMs(300);
        window().estimateAction()->trigger();
        QVERIFY(store().estimate().isEstimating());
        QVERIFY(!window().estimateAction()->isVisible());
        QVERIFY(window().estimateBusyAction()->isVisible());
        QTRY_VERIFY(!store().estimate().isEstimating());
        QVERIFY(window().estimateAction()->isEnabled());
        store().outline().setTasks({});
        QVERIFY(!window().estimateAction()->isEnabled());

        // With a tray, closing the window leaves it to the tray's handler;
        // Ctrl+Q closes it (and with it the application) all the same.
        store().setErrorMessage(std::nullopt); // the estimate's timeout alert
        int askedTray = 0;
        window().setCloseHandler([&askedTray] { return ++askedTray > 0; });
        window().close();
        QCOMPARE(askedTray, 1);
        QVERIFY(window().isVisible());
        window().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window()));
        QTest::keyClick(&window(), Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!window().isVisible());
        QCOMPARE(askedTray, 1);
    }

    // From a fresh start, with keys only: five tasks with their minutes, two
    // of them completed, all still there after a restart.
    void aDayFromTheKeyboardAlone() {
        window().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window()));
        OutlineTable* table = window().listPane()->table();
        const QAbstractItemModelTester tester(table->model(),
                                              QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(QApplication::focusWidget(), table);
        QVERIFY(table->isRowSelected(table->currentIndex().row()));

        press(Qt::Key_Return);
        press(Qt::Key_A, Qt::ControlModifier);
        const QList<std::pair<QString, QString>> day{
            {"Plan", "30"}, {"Write", "1h 15m"}, {"Review", "15"}, {"Lunch", "60"}, {"Call", "20"}};
        for (const auto& [title, minutes] : day) {
            typeText(title);
            press(Qt::Key_Right);
            typeText(minutes);
            press(title == QLatin1String("Call") ? Qt::Key_Escape : Qt::Key_Return);
        }
        press(Qt::Key_Escape);
        QCOMPARE(QApplication::focusWidget(), table);
        for (int row = 4; row > 0; --row)
            press(Qt::Key_Up);
        press(Qt::Key_Return, Qt::ControlModifier);
        press(Qt::Key_Down);
        press(Qt::Key_Return, Qt::ControlModifier);

        // A screen reader tells a completed task from an open one.
        QAccessibleTableInterface* cells = QAccessible::queryAccessibleInterface(table)->tableInterface();
        QCOMPARE(cells->cellAt(1, OutlineTableModel::ToggleColumn)->text(QAccessible::Name),
                 QStringLiteral("Completed"));
        QCOMPARE(cells->cellAt(2, OutlineTableModel::ToggleColumn)->text(QAccessible::Name),
                 QStringLiteral("Open"));

        // Tab goes round the table, the chat input and the list title; the ring follows.
        auto* ring = window().findChild<FocusRing*>();
        const QList<QWidget*> round{window().chatPane()->input(),
                                    window().listPane()->headerBar()->titleField(), table};
        for (QWidget* stop : round) {
            press(Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), stop);
            QCOMPARE(ring->target(), stop);
        }
        press(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), round.at(1));
        // Escape from the chat input and the list title: back on the list, the text kept.
        press(Qt::Key_Backtab, Qt::ShiftModifier);
        typeText(QStringLiteral("later"));
        press(Qt::Key_Escape);
        QCOMPARE(QApplication::focusWidget(), table);
        QCOMPARE(window().chatPane()->input()->toPlainText(), QStringLiteral("later"));
        press(Qt::Key_Tab);
        press(Qt::Key_Tab);
        press(Qt::Key_Escape);
        QCOMPARE(QApplication::focusWidget(), table);

        m_window.reset();
        const TaskStore& again = f().restart();
        QStringList kept;
        for (const TaskItem& task : again.outline().tasks())
            kept << QStringLiteral("%1 %2%3")
                        .arg(task.title)
                        .arg(task.durationMinutes)
                        .arg(task.isCompleted ? QStringLiteral(" done") : QString());
        QCOMPARE(kept, (QStringList{"Plan 30 done", "Write 75 done", "Review 15", "Lunch 60", "Call 20"}));
        QCOMPARE(f().database().loadTaskAnalytics().size(), 2);
    }

    // Every toolbar command is in a menu with a key of its own; F1 lists them
    // all; the menu's Copy is the focused widget's, and the chat keeps its own Ctrl+C.
    void menusCarryEveryCommand() {
        window().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window()));
        const QList<QAction*> toolbar{window().importAction(),     window().analyticsAction(),
                                      window().chatToggleAction(), window().restartAction(),
                                      window().estimateAction(),   window().settingsAction()};
        for (QAction* action : toolbar) {
            const QList<QObject*> places = action->associatedObjects();
            QVERIFY2(std::any_of(places.cbegin(), places.cend(),
                                 [](QObject* place) { return qobject_cast<QMenu*>(place); }),
                     qPrintable(action->text()));
        }
        QStringList keys;
        for (const KeyHelp& help : menuKeys(window().menuBar()))
            keys << help.keys;
        QCOMPARE(QSet<QString>(keys.cbegin(), keys.cend()).size(), keys.size());
        for (QAction* action : toolbar)
            QVERIFY(keys.contains(action->shortcut().toString(QKeySequence::NativeText)));

        press(Qt::Key_F1);
        QTRY_VERIFY(window().shortcutsDialog() && window().shortcutsDialog()->isVisible());
        QTableWidget* listed = window().shortcutsDialog()->table();
        QCOMPARE(listed->rowCount(), keys.size() + outlineKeys().size());
        for (int row = 0; row < keys.size(); ++row)
            QCOMPARE(listed->item(row, 0)->text(), keys.at(row));
        window().shortcutsDialog()->close();
        window().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window()));

        press(Qt::Key_H, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!store().window().isChatVisible());
        press(Qt::Key_H, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(store().window().isChatVisible());

        window().listPane()->table()->setFocus();
        window().copyAction()->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), window().listPane()->table()->copyText());
        QListView* chat = window().chatPane()->findChild<QListView*>();
        QVERIFY(chat && chat->model()->rowCount() > 0);
        chat->setFocus();
        chat->setCurrentIndex(chat->model()->index(0, 0));
        QTest::keyClick(chat, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), store().chat().chatMessages().first().content);
    }

    // Every button that can be used, and whatever takes the keyboard, shown or
    // not yet, has a name a screen reader can say.
    void everyControlHasAName() {
        QVERIFY(QTest::qWaitForWindowExposed(&window()));
        for (QWidget* widget : window().findChildren<QWidget*>()) {
            const bool control =
                qobject_cast<QAbstractButton*>(widget) || widget->focusPolicy() != Qt::NoFocus;
            if (control && widget->isEnabled() && !qobject_cast<QLineEdit*>(widget->parentWidget()))
                QVERIFY2(!accessibleName(widget).isEmpty(), qPrintable(widget->objectName()));
        }
    }

    void undoFollowsItsStack() {
        QCOMPARE(window().undoAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
        QCOMPARE(window().redoAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));

        store().editor().addTask();
        window().undoAction()->trigger();
        QCOMPARE(store().outline().tasks().size(), 1);
        QVERIFY(!window().undoAction()->isEnabled());
        QVERIFY(window().redoAction()->isEnabled());
        window().redoAction()->trigger();
        QCOMPARE(store().outline().tasks().size(), 2);
        QVERIFY(!window().redoAction()->isEnabled());
    }

    void importSheetReplacesTheList() {
        window().importAction()->trigger();
        ImportTasksSheet* sheet = window().importSheet();
        QTRY_VERIFY(sheet->isVisible());

        // Text that does not parse: an alert, each time, and the sheet stays open with the text.
        QTest::keyClicks(sheet->editor(), QStringLiteral("just words"));
        QCOMPARE(store().window().pasteText(), QStringLiteral("just words"));
        for (int attempt = 0; attempt < 2; ++attempt) {
            sheet->importButton()->click();
            QTRY_VERIFY(window().errorAlert() && window().errorAlert()->isVisible());
            QCOMPARE(window().errorAlert()->text(), store().errorMessage().value_or(QString()));
            window().errorAlert()->button(QMessageBox::Ok)->click();
            QVERIFY(!store().errorMessage() && !window().errorAlert()->isVisible());
        }
        QVERIFY(sheet->isVisible());
        QCOMPARE(store().outline().tasks().size(), 1);

        sheet->editor()->setPlainText(kList);
        sheet->importButton()->click();
        QTRY_VERIFY(!sheet->isVisible());
        QCOMPARE(store().outline().tasks().size(), 4);
        QCOMPARE(store().outline().sectionTitle(*store().outline().rootSectionID()),
                 QStringLiteral("Monday"));

        // Opened again, it shows the last imported list and the list's title;
        // the list is picked, so a new one typed or pasted takes its place.
        window().importAction()->trigger();
        QTRY_VERIFY(sheet->isVisible());
        QCOMPARE(sheet->editor()->toPlainText(), kList);
        QVERIFY(!sheet->listPicker()->isEnabled());
        QCOMPARE(sheet->listPicker()->currentText(), QStringLiteral("Monday"));
        QTest::keyClicks(sheet->editor(), QStringLiteral("1. New"));
        QCOMPARE(store().window().pasteText(), QStringLiteral("1. New"));
        sheet->cancelButton()->click();
        QVERIFY(!sheet->isVisible());
    }

    void panelsFollowTheFraction() {
        window().resize(1000, 600);
        QVERIFY(QTest::qWaitForWindowExposed(&window()));
        const int total = window().splitter()->width();
        QCOMPARE(window().splitter()->sizes().at(1), qRound(total * 0.35));
        store().window().setChatPanelFraction(0.5);
        QCOMPARE(window().splitter()->sizes().at(1), qRound(total * 0.5));

        // In the narrowest window a wide chat leaves the list what it needs
        // (at least 240), and neither pane gets less than its layout needs.
        store().window().setChatPanelFraction(0.9);
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
        store().window().setChatPanelFraction(0.5);
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
        QVERIFY(store().window().chatPanelFraction() < 0.5);
        QCOMPARE(f().preferences().number(QStringLiteral("chat_panel_fraction")),
                 store().window().chatPanelFraction());

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
        QVERIFY(!store().window().isChatVisible());
        m_window.reset();
        m_window = std::make_unique<MainWindow>(f().restart(), m_connection);
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
            store().chat().postSystemMessage(QStringLiteral("Line %1").arg(i));
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
        const qsizetype before = store().chat().chatMessages().size();
        for (int i = 0; i < 3; ++i)
            QCoro::waitFor(store().chat().deliverBossChatMessage(QStringLiteral("x"), false, std::nullopt,
                                                                 std::nullopt));
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(!window().errorAlert() || !window().errorAlert()->isVisible());
        QStringList added;
        for (const ChatMessage& m : store().chat().chatMessages().mid(before))
            added.append(m.content);
        QCOMPARE(added, (QStringList{QStringLiteral("No sound device: Vorn will write instead of speak."),
                                     QStringLiteral("Onward."), QStringLiteral("Onward."),
                                     QStringLiteral("Onward.")}));
    }

    // A failure's alert takes the keyboard only when the user is not typing in
    // the window; under a window manager the rest of a title would go to it.
    // (The offscreen platform activates every window it shows: the flag is checked.)
    void errorAlertLeavesTheKeyboardToTyping() {
        OutlineTable* table = window().listPane()->table();
        const auto alertTakesKeyboard = [this](QWidget* focus) {
            focus->window()->activateWindow();
            (void)QTest::qWaitForWindowActive(focus->window());
            focus->setFocus();
            store().setErrorMessage(QStringLiteral("AI error (500): upstream broke"));
            const bool shown = window().errorAlert() && window().errorAlert()->isVisible();
            const bool takes = !window().errorAlert()->testAttribute(Qt::WA_ShowWithoutActivating);
            store().setErrorMessage(std::nullopt);
            return shown ? int(takes) : -1;
        };
        QVERIFY(QTest::qWaitForWindowActive(&window()));
        QCOMPARE(alertTakesKeyboard(table), 1); // idle on the list
        QTest::keyClick(table, Qt::Key_Down);
        QCOMPARE(alertTakesKeyboard(table), 0); // a key a moment ago
        f().clock().set(store().now() + 5);
        QCOMPARE(alertTakesKeyboard(table), 1);                        // a pause
        QCOMPARE(alertTakesKeyboard(window().chatPane()->input()), 0); // a field has the keyboard
        window().settingsAction()->trigger();
        QCOMPARE(alertTakesKeyboard(window().settingsWindow()->modelField()), 0); // in another window
        window().settingsWindow()->close();
    }

    void bossWatchFollowsActivity() {
        QVERIFY(!store().watch().isBossAIActive()); // the initial state starts nothing
        for (Qt::ApplicationState state :
             {Qt::ApplicationActive, Qt::ApplicationInactive, Qt::ApplicationActive, Qt::ApplicationHidden}) {
            emit qApp->applicationStateChanged(state);
            QCOMPARE(store().watch().isBossAIActive(), state == Qt::ApplicationActive);
        }
    }

    void surgeCountdownAppearsAndEnds() {
        SurgeCountdown* countdown = window().surgeCountdown();
        QVERIFY(!countdown->isVisible());

        BossAIState state = store().boss().bossAIState();
        state.surgeModeUntil = f().clock().now() + 1800;
        store().boss().setBossAIState(state);
        f().clock().advance(0.4);
        countdown->tick();
        QVERIFY(countdown->isVisible());
        QCOMPARE(countdown->remainingText(), QStringLiteral("29:59 left"));

        f().clock().advance(1800);
        countdown->tick();
        QVERIFY(!countdown->isVisible());
        QVERIFY(!store().boss().bossAIState().surgeModeUntil); // the tick ended the expired surge
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
