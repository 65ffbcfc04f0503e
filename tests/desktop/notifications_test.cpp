// Boss messages as desktop notifications, against a fake notification server
// on the private session bus of dbus-run-session.
#include "fake_notification_server.h"
#include "fixtures/boss_replies.h"
#include "fixtures/log_capture.h"
#include "fixtures/store_fixture.h"
#include "platform/desktop_notifier.h"
#include "views/desktop/boss_notifications.h"
#include "views/desktop/desktop_presence.h"

#include <QSignalSpy>
#include <QWidget>
#include <QtTest>

using namespace vorn;

namespace {

bool haveBus() {
    return QDBusConnection::sessionBus().isConnected();
}

} // namespace

class NotificationsTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        if (!haveBus())
            QSKIP("no session bus: run under dbus-run-session");
    }

    void eachNotificationReplacesTheLast() {
        test::FakeNotificationServer server;
        QVERIFY(server.isRegistered());
        DesktopNotifier notifier;
        notifier.show({QStringLiteral("Vorn \u2014 Demon mode"), QStringLiteral("Move."), true,
                       QStringLiteral("Show Vorn"), QStringLiteral("Mark Done")});
        QTRY_COMPARE(notifier.currentID(), 41u);
        notifier.show({QStringLiteral("Vorn \u2014 Normal mode"), QStringLiteral("Good."), false,
                       QStringLiteral("Show Vorn"), QString()});
        QTRY_COMPARE(server.calls().size(), 2);

        const auto& first = server.calls().first();
        QCOMPARE(first.appName, QStringLiteral("Vorn"));
        QCOMPARE(first.appIcon, QStringLiteral("io.github.vorn.vorn"));
        QCOMPARE(first.replacesID, 0u);
        QCOMPARE(first.hints.value(QStringLiteral("urgency")).toInt(), 2);
        QCOMPARE(first.actions, (QStringList{"default", "Show Vorn", "mark-done", "Mark Done"}));
        const auto& second = server.calls().last();
        QCOMPARE(second.replacesID, 41u);
        QCOMPARE(second.hints.value(QStringLiteral("urgency")).toInt(), 1);
        QCOMPARE(second.actions, (QStringList{"default", "Show Vorn"}));

        // Clicks on the notification shown last count; one on another does not.
        QSignalSpy markDone(&notifier, &DesktopNotifier::markDoneRequested);
        QSignalSpy activated(&notifier, &DesktopNotifier::activated);
        server.invokeAction(7, QStringLiteral("mark-done"));
        server.invokeAction(41, QStringLiteral("default"));
        QTRY_COMPARE(activated.size(), 1);
        QCOMPARE(markDone.size(), 0);
    }

    void noServerIsNoError() {
        test::LogCapture log;
        DesktopNotifier notifier;
        notifier.show(
            {QStringLiteral("Vorn"), QStringLiteral("Anyone?"), false, QStringLiteral("Show Vorn"), {}});
        QTest::qWait(50);
        QCOMPARE(notifier.currentID(), 0u);
        QVERIFY(log.lines().isEmpty());
    }

    // The store's boss messages: notified while the window is in the
    // background, never while it is active; "Mark Done" completes the task
    // the message was about, once.
    void bossMessagesReachTheDesktop() {
        test::FakeNotificationServer server;
        test::StoreFixture f;
        TaskStore& store = f.start();
        test::answerEverything(f.proxy(), QStringLiteral("Finish the plan."));
        const QUuid id = store.outline().tasks().first().id;
        store.editor().updateTitle(id, QStringLiteral("Plan"));
        DesktopNotifier notifier;
        QWidget window;
        bool enabled = true;
        BossNotifications bridge(store, notifier, window, [&] { return enabled; });

        QCoro::waitFor(
            store.chat().deliverBossChatMessage(QStringLiteral("Overdue"), true, BossAIMode::demon, id));
        QTRY_COMPARE(server.calls().size(), 1);
        QCOMPARE(server.calls().first().summary, QStringLiteral("Vorn \u2014 Demon mode"));
        QCOMPARE(server.calls().first().body, QStringLiteral("Finish the plan."));
        QVERIFY(server.calls().first().actions.contains(QStringLiteral("mark-done")));
        QTRY_COMPARE(notifier.currentID(), 41u);

        enabled = false;
        QCoro::waitFor(store.chat().deliverBossChatMessage(QStringLiteral("x"), false, BossAIMode::normal,
                                                           std::nullopt));
        enabled = true;
        window.show();
        window.activateWindow();
        if (QTest::qWaitForWindowActive(&window)) {
            QCoro::waitFor(store.chat().deliverBossChatMessage(QStringLiteral("x"), false, BossAIMode::normal,
                                                               std::nullopt));
            window.hide();
        }
        QTest::qWait(20);
        QCOMPARE(server.calls().size(), 1);

        server.invokeAction(41, QStringLiteral("mark-done"));
        QTRY_VERIFY(store.outline().tasks().first().isCompleted);
        server.invokeAction(41, QStringLiteral("mark-done")); // a second click changes nothing
        QTest::qWait(20);
        QVERIFY(store.outline().tasks().first().isCompleted);
        QCOMPARE(f.database().loadTaskAnalytics().size(), 1);

        // The next message replaces the notification, and offers no task.
        QCoro::waitFor(store.chat().deliverBossChatMessage(QStringLiteral("y"), false, BossAIMode::normal,
                                                           std::nullopt));
        QTRY_COMPARE(server.calls().size(), 2);
        QCOMPARE(server.calls().last().replacesID, 41u);
        QVERIFY(!server.calls().last().actions.contains(QStringLiteral("mark-done")));
    }

    // With a tray, closing the window hides it there, and the first time a
    // notification says so; without one, closing quits as before.
    void closingHidesToTheTrayAndSaysSoOnce() {
        test::FakeNotificationServer server;
        test::StoreFixture f;
        TaskStore& store = f.start();
        QWidget window;
        window.show();
        DesktopPresence withTray(store, window, true);
        QVERIFY(withTray.hideToTray());
        QVERIFY(!window.isVisible());
        window.show();
        QVERIFY(withTray.hideToTray());
        QTRY_COMPARE(server.calls().size(), 1);
        QTest::qWait(20);
        QCOMPARE(server.calls().size(), 1);
        QCOMPARE(server.calls().first().summary, QStringLiteral("Vorn is still running"));

        DesktopPresence noTray(store, window, false);
        QVERIFY(!noTray.hasTray());
        QVERIFY(!noTray.hideToTray());
    }
};

int runNotificationsTest(int argc, char** argv) {
    NotificationsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "notifications_test.moc"
