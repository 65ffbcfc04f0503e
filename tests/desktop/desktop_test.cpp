// The tray's view of the day and the autostart entry: no panel and no bus needed.
#include "fixtures/store_fixture.h"
#include "model/day_glance.h"
#include "platform/autostart.h"
#include "views/desktop/tray_icon.h"
#include "views/desktop/tray_texts.h"

#include <QMenu>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

using namespace vorn;

namespace {

TaskItem task(const QString& title, std::optional<Instant> finish, bool done = false) {
    TaskItem t;
    t.id = QUuid::createUuid();
    t.title = title;
    t.durationMinutes = 30;
    t.finishTime = finish;
    t.isCompleted = done;
    return t;
}

} // namespace

class DesktopTest : public QObject {
    Q_OBJECT

private slots:
    void glanceAtTheDay() {
        const Instant now = test::localTime(9, 0);
        const QList<TaskItem> tasks{
            task(QStringLiteral("Done"), now - 600, true), task(QStringLiteral("Report"), now + 25 * 60 + 1),
            task(QStringLiteral("Call"), now + 3600),      task(QStringLiteral("Mail"), now + 5400),
            task(QStringLiteral("Read"), now + 7200),      task(QStringLiteral("Walk"), now + 9000),
        };
        const DayGlance day = glanceAtDay(tasks, now);
        QCOMPARE(day.current->title, QStringLiteral("Report"));
        QCOMPARE(day.current->minutesLeft, 26); // a started minute counts
        QCOMPARE(day.next.size(), 3);
        QCOMPARE(day.next.last().title, QStringLiteral("Read"));
        QCOMPARE(day.openCount, 5);
        QCOMPARE(day.doneCount, 1);

        // Running over: whole minutes over, none "left".
        QCOMPARE(glanceAtDay({task(QStringLiteral("Late"), now - 5 * 60)}, now).current->minutesLeft, -5);
        QCOMPARE(glanceAtDay({task(QStringLiteral("Now"), now - 30)}, now).current->minutesLeft, 0);
        QVERIFY(!glanceAtDay({tasks.first()}, now).current);
    }

    void tooltipAndMenuWords_data() {
        QTest::addColumn<qint64>("minutesLeft");
        QTest::addColumn<std::optional<BossAIMode>>("mode");
        QTest::addColumn<QString>("tooltip");
        QTest::newRow("running, normal")
            << qint64(25) << std::optional<BossAIMode>()
            << "Vorn \u2014 Normal mode\nNow: Write the report\nuntil 09:25 \u00b7 25 min left";
        QTest::newRow("one minute, demon")
            << qint64(1) << std::optional(BossAIMode::demon)
            << "Vorn \u2014 Demon mode\nNow: Write the report\nuntil 09:25 \u00b7 1 min left";
        QTest::newRow("over, messianic")
            << qint64(-5) << std::optional(BossAIMode::messianic)
            << "Vorn \u2014 Messianic mode\nNow: Write the report\nuntil 09:25 \u00b7 5 min over";
    }

    void tooltipAndMenuWords() {
        QFETCH(qint64, minutesLeft);
        QFETCH(std::optional<BossAIMode>, mode);
        QFETCH(QString, tooltip);
        DayGlance day;
        day.current = GlanceTask{QUuid::createUuid(), QStringLiteral("  Write the\nreport "),
                                 test::localTime(9, 25), minutesLeft};
        day.next = {GlanceTask{QUuid::createUuid(), QString(QStringLiteral("x")).repeated(80),
                               test::localTime(10, 0), 60}};
        const TrayTexts texts = trayTexts(day, mode);
        QCOMPARE(texts.tooltip, tooltip);
        QCOMPARE(texts.current->taskID, day.current->id);
        QVERIFY(texts.current->text.startsWith(QStringLiteral("Write the report \u2014 ")));
        // Long titles are cut short with an ellipsis before the finish time.
        QVERIFY(texts.next.first().text.endsWith(QStringLiteral("\u2026 \u2014 until 10:00")));
        QVERIFY(texts.next.first().text.size() < 70);
    }

    // The tray on a real store: the tooltip follows the clock minute by
    // minute, and its menu marks the right task done, once.
    void trayFollowsTheDayAndMarksDone() {
        test::StoreFixture f;
        TaskStore& store = f.start();
        const QUuid first = store.outline().tasks().first().id;
        store.editor().updateTitle(first, QStringLiteral("Plan"));
        store.editor().updateDuration(first, 30);
        const QUuid second = store.editor().addTask(first);
        store.editor().updateTitle(second, QStringLiteral("Write"));
        store.editor().updateDuration(second, 20);
        QWidget window;
        bool speaking = true;
        TrayIcon tray(store, window, {[&] { return speaking; }, [&](bool on) { speaking = on; }});
        QVERIFY(tray.texts().tooltip.contains(QStringLiteral("Now: Plan")));
        QVERIFY(tray.texts().tooltip.endsWith(QStringLiteral("30 min left")));
        f.clock().advance(10 * 60);
        tray.refresh();
        QVERIFY(tray.texts().tooltip.endsWith(QStringLiteral("20 min left")));

        const auto action = [&](const QString& text) -> QAction* {
            for (QAction* a : tray.menu()->actions()) {
                if (a->text() == text)
                    return a;
            }
            return nullptr;
        };
        QVERIFY(action(QStringLiteral("Show Vorn")));
        action(QStringLiteral("Speak Messages"))->trigger();
        QVERIFY(!speaking);
        action(QStringLiteral("Mark Done"))->trigger();
        QVERIFY(store.outline().tasks().first().isCompleted);
        QCOMPARE(f.database().loadTaskAnalytics().size(), 1);
        QVERIFY(tray.texts().tooltip.contains(QStringLiteral("Now: Write")));
        QVERIFY(tray.texts().next.isEmpty());
    }

    void autostartEntryFollowsTheSwitch() {
        QTemporaryDir dir;
        const QString home = dir.path();
        const auto env = [home](const QString& xdg) {
            return [home, xdg](const QString& name) -> std::optional<QString> {
                if (name == QStringLiteral("XDG_CONFIG_HOME") && !xdg.isNull())
                    return xdg;
                if (name == QStringLiteral("HOME"))
                    return home;
                return std::nullopt;
            };
        };
        QCOMPARE(autostart::filePath(env(QString())),
                 dir.path() + QStringLiteral("/.config/autostart/io.github.vorn.vorn.desktop"));
        QCOMPARE(autostart::filePath(env(QStringLiteral("relative"))),
                 dir.path() + QStringLiteral("/.config/autostart/io.github.vorn.vorn.desktop"));
        const QString path = autostart::filePath(env(dir.path() + QStringLiteral("/xdg")));
        QCOMPARE(path, dir.path() + QStringLiteral("/xdg/autostart/io.github.vorn.vorn.desktop"));

        QVERIFY(!autostart::isEnabled(path));
        QCOMPARE(autostart::setEnabled(path, true), std::nullopt);
        QVERIFY(autostart::isEnabled(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("\nExec=vorn --hidden\n"));
        file.close();
        QCOMPARE(autostart::setEnabled(path, false), std::nullopt);
        QVERIFY(!QFileInfo::exists(path));
        QCOMPARE(autostart::setEnabled(path, false), std::nullopt); // already off

        // An entry the user switched off in the session settings counts as off.
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Desktop Entry]\nExec=vorn --hidden\nHidden=true\n");
        file.close();
        QVERIFY(!autostart::isEnabled(path));
        QVERIFY(autostart::setEnabled(QString(), true).has_value());

        // The entry under the application's former, capitalised name still
        // counts, and goes when the switch is next used, either way.
        QVERIFY(QFile::remove(path));
        QFile old(dir.path() + QStringLiteral("/xdg/autostart/io.github.vorn.Vorn.desktop"));
        for (const bool enable : {true, false}) {
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("[Desktop Entry]\nExec=vorn --hidden\n");
            old.close();
            QVERIFY(autostart::isEnabled(path));
            QCOMPARE(autostart::setEnabled(path, enable), std::nullopt);
            QVERIFY(!old.exists());
            QCOMPARE(autostart::isEnabled(path), enable);
        }
    }
};

int runDesktopTest(int argc, char** argv) {
    DesktopTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "desktop_test.moc"
