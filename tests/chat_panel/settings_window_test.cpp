// The settings window writes every control straight into the store and its
// preferences; the two resets and the helper set-up behave as the user expects.
#include "fixtures/blocker_fakes.h"
#include "fixtures/fake_connection_access.h"
#include "fixtures/store_fixture.h"
#include "views/settings/settings_window.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

using namespace vorn;

namespace {

QPushButton* buttonNamed(QMessageBox* box, const QString& text) {
    for (QAbstractButton* button : box->buttons())
        if (button->text() == text)
            return qobject_cast<QPushButton*>(button);
    return nullptr;
}

} // namespace

class SettingsWindowTest : public QObject {
    Q_OBJECT

    test::FakeConnectionAccess m_connection;

private slots:
    // The keyboard starts on the first field (and comes back where it was);
    // Escape, even in the sites, and Ctrl+W close the window, with what was typed kept.
    void keysOpenOnTheFirstFieldAndClose() {
        test::StoreFixture f;
        TaskStore& store = f.start();
        SettingsWindow window(store, m_connection, [] { return false; });
        QWidget* focus = window.modelField();
        for (const QKeyCombination keys :
             {QKeyCombination(Qt::Key_Escape), Qt::ControlModifier | Qt::Key_W}) {
            window.show();
            window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&window));
            QCOMPARE(QApplication::focusWidget(), focus);
            window.sitesEditor()->setFocus();
            focus = window.sitesEditor();
            QTest::keyClicks(window.sitesEditor(), QStringLiteral("x"));
            QTest::keyClick(window.sitesEditor(), keys.key(), keys.keyboardModifiers());
            QVERIFY(!window.isVisible());
        }
        QVERIFY(window.sitesEditor()->toPlainText().startsWith(QStringLiteral("xxfacebook.com\n")));
        QVERIFY(store.settings().blockedSitesText().startsWith(QStringLiteral("xxfacebook.com\n")));
    }

    void fieldsWriteThroughAndComeBack() {
        test::StoreFixture f;
        TaskStore& store = f.start();
        {
            SettingsWindow window(store, m_connection, [] { return false; });
            window.show();
            window.thresholdSlider()->setFocus();
            QTest::keyClick(window.thresholdSlider(), Qt::Key_End); // the slider ends at 200%
            QCOMPARE(store.settings().lateThresholdMultiplier(), 2.0);
            QTest::keyClick(window.thresholdSlider(), Qt::Key_Left);
            QCOMPARE(store.settings().lateThresholdMultiplier(), 1.95);

            window.modelField()->clear();
            QTest::keyClicks(window.modelField(), QStringLiteral("gpt-4o"));
            QCOMPARE(store.settings().openAIModel(), QStringLiteral("gpt-4o"));

            window.sitesEditor()->clear();
            window.sitesEditor()->setFocus();
            QTest::keyClicks(window.sitesEditor(), QStringLiteral("news.example"));
            QTest::keyClick(window.sitesEditor(), Qt::Key_Return);
            QTest::keyClicks(window.sitesEditor(), QStringLiteral("www.news.example"));
            QCOMPARE(f.preferences().text(QStringLiteral("blocked_sites")),
                     std::optional<QString>(QStringLiteral("news.example\nwww.news.example")));

            QVERIFY(!window.rejectedSites()->isVisible());
            QTest::keyClick(window.sitesEditor(), Qt::Key_Return);
            QTest::keyClicks(window.sitesEditor(), QStringLiteral("*.news.example"));
            QVERIFY(window.rejectedSites()->text().endsWith(QStringLiteral(": *.news.example")));
            QVERIFY(window.rejectedSites()->isVisible());
            for (int i = 0; i < 15; ++i) // the line and its break
                QTest::keyClick(window.sitesEditor(), Qt::Key_Backspace);
            QVERIFY(!window.rejectedSites()->isVisible());
            QTest::mouseClick(window.blockingSwitch(), Qt::LeftButton);
            QVERIFY(!store.settings().demonWebsiteBlockingEnabled());
            QVERIFY(window.speakSwitch()->isChecked()); // speaking is on until turned off
            QTest::mouseClick(window.speakSwitch(), Qt::LeftButton, {},
                              QPoint(8, window.speakSwitch()->height() / 2));
            QVERIFY(!store.settings().speakMessages());
            const auto click = [](QCheckBox* box) {
                QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
            };
            click(window.notificationsSwitch());
            QVERIFY(!store.settings().showNotifications());

            // The login entry appears and goes with its switch.
            const QString entry = f.dataDir() + QStringLiteral("/autostart/io.github.vorn.vorn.desktop");
            window.setAutostartFile(entry);
            QVERIFY(!window.autostartSwitch()->isChecked());
            click(window.autostartSwitch());
            QVERIFY(test::readFile(entry).contains("\nExec=vorn --hidden\n"));
            click(window.autostartSwitch());
            QVERIFY(!QFileInfo::exists(entry));
            QVERIFY(!window.autostartSwitch()->isChecked());
        }
        SettingsWindow reopened(store, m_connection, [] { return false; });
        QCOMPARE(reopened.sitesEditor()->toPlainText(), QStringLiteral("news.example\nwww.news.example"));
        QCOMPARE(reopened.modelField()->text(), QStringLiteral("gpt-4o"));
        QCOMPARE(f.preferences().number(QStringLiteral("late_multiplier")), std::optional<double>(1.95));
        QCOMPARE(reopened.thresholdLabel()->text(), QStringLiteral("195%"));
        QVERIFY(!reopened.blockingSwitch()->isChecked());
        QVERIFY(!reopened.speakSwitch()->isChecked());
        QVERIFY(!reopened.notificationsSwitch()->isChecked());
        QCOMPARE(f.restart().settings().speakMessages(), false);   // kept as "speak_messages"
        QCOMPARE(f.store().settings().showNotifications(), false); // and "show_notifications"
    }

    void cancelKeepsEveryTask() {
        test::StoreFixture f;
        TaskStore& store = f.start();
        store.editor().updateTitle(store.editor().addTask(), QStringLiteral("Write report"));
        const QList<TaskItem> before = store.outline().tasks();
        SettingsWindow window(store, m_connection, [] { return false; });
        window.show();

        QTest::mouseClick(window.clearButton(), Qt::LeftButton);
        QVERIFY(window.clearConfirmation());
        QTest::mouseClick(buttonNamed(window.clearConfirmation(), QStringLiteral("Cancel")), Qt::LeftButton);
        QTRY_VERIFY(!window.clearConfirmation());
        QCOMPARE(store.outline().tasks(), before);

        QTest::mouseClick(window.clearButton(), Qt::LeftButton);
        QTest::mouseClick(buttonNamed(window.clearConfirmation(), QStringLiteral("Clear All Tasks")),
                          Qt::LeftButton);
        QCOMPARE(store.outline().tasks().size(), 1); // the new day's placeholder
    }

    // An administrator prompt that takes a moment and then refuses: the window says
    // why and offers the set-up again; a window closed meanwhile is not called back.
    void failedSetUpShowsWhyAndClosingMeanwhileIsSafe() {
        test::StoreFixture f;
        const QString ran = f.dataDir() + QStringLiteral("/admin-ran");
        const QString admin = f.dataDir() + QStringLiteral("/slow-admin");
        test::writeFile(admin, QStringLiteral("#!/bin/sh\nsleep 0.1\ntouch '%1'\nexit 1\n").arg(ran).toUtf8(),
                        QFile::ExeOwner);
        HostsBlockerConfig config = f.environment().hostsBlocker;
        config.administratorProgram = admin;
        test::writeFile(config.bundledHelper, {}, QFile::ExeOwner);
        f.setHostsBlocker(config);
        TaskStore& store = f.start();

        auto window = std::make_unique<SettingsWindow>(store, m_connection, [] { return false; });
        window->show();
        QTest::mouseClick(window->setUpButton(), Qt::LeftButton);
        QVERIFY(!window->setUpButton()->isEnabled());
        QTRY_VERIFY(window->setUpButton()->isEnabled());
        QVERIFY(window->helperMessage()->isVisible() && !window->helperMessage()->text().isEmpty());
        QCOMPARE(window->helperStatus()->text(), QStringLiteral("Website blocking not set up"));

        QVERIFY(QFile::remove(ran));
        QTest::mouseClick(window->setUpButton(), Qt::LeftButton);
        window.reset();
        QTRY_VERIFY(QFile::exists(ran));
        QTest::qWait(20); // the set-up's answer arrives with no window to show it in
    }

    void openingKeepsTheDemonBlock() {
        // An installed helper that writes and removes the block in a hosts file
        // of the test's own, run by a sudo that runs what it is given.
        test::StoreFixture f;
        HostsBlockerConfig config = f.environment().hostsBlocker;
        test::writeFile(config.hostsFile, "127.0.0.1 localhost\n");
        test::writeFile(config.sudoersFile, "rule\n");
        test::writeFile(
            config.helperPath,
            QStringLiteral("#!/bin/sh\nh='%1'\ncase \"$1\" in\n"
                           "enable) cat > /dev/null; printf '%2\\n0.0.0.0 news.example\\n' >> \"$h\" ;;\n"
                           "disable) sed -i '/%2/,$d' \"$h\" ;;\nesac\n")
                .arg(config.hostsFile, QString::fromLatin1(kHostsBlockMarker))
                .toUtf8(),
            QFile::ExeOwner);
        config.sudo = f.dataDir() + QStringLiteral("/sudo");
        test::writeFile(config.sudo, "#!/bin/sh\nshift\nexec \"$@\"\n", QFile::ExeOwner);
        f.setHostsBlocker(config);
        TaskStore& store = f.start();
        store.boss().setActiveBossMode(BossAIMode::demon);
        store.blocking().updateDemonWebsiteBlocking(BossAIMode::demon);
        QTRY_VERIFY(store.blocking().isBlocking());

        SettingsWindow window(store, m_connection); // asks the real blocker whether the helper is there
        QCOMPARE(window.helperStatus()->text(), QStringLiteral("Website blocking ready"));
        QVERIFY(!window.setUpButton()->isVisible());
        QTRY_COMPARE(store.blocking().pendingRequests(), 0);
        QVERIFY(store.blocking().isBlocking());
        const QByteArray hosts = test::readFile(config.hostsFile);
        QVERIFY(hosts.startsWith("127.0.0.1 localhost\n") && hosts.contains(kHostsBlockMarker));
    }
};

QTEST_MAIN(SettingsWindowTest)
#include "settings_window_test.moc"
