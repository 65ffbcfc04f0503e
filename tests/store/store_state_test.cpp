// Undo and redo, preferences and their observers, clearing the list.
#include "fixtures/outline_fixture.h"
#include "fixtures/store_fixture.h"
#include "fixtures/test_main.h"

#include <QSignalSpy>
#include <QtTest>

#include <limits>

using namespace vorn;
using vorn::test::StoreFixture;

namespace {

// One "edit" as the editing operations make it: snapshot, then change.
void retitleFirstTask(TaskStore& store, const QString& title) {
    store.recordUndoSnapshot();
    QList<TaskItem> tasks = store.tasks();
    tasks.first().title = title;
    store.setTasks(tasks);
}

} // namespace

class StoreStateTest : public QObject {
    Q_OBJECT

private slots:
    // Further undo and redo behaviour is checked by the random editing test.
    void undoKeepsFiftyStepsOfTheOutline() {
        StoreFixture f;
        TaskStore& store = f.start();
        for (int i = 1; i <= 55; ++i)
            retitleFirstTask(store, QStringLiteral("edit %1").arg(i));
        QCOMPARE(store.undoStack().size(), 50);
        store.setGamification({3, 3, 4});

        for (int i = 0; i < 51; ++i)
            store.undo();
        QCOMPARE(store.tasks().first().title, QStringLiteral("edit 5"));
        QCOMPARE(store.redoStack().size(), 50);
        QCOMPARE(store.gamification(), (GamificationState{3, 3, 4})); // undo restores the outline only
    }

    void snapshotsAreNotTakenWhileApplyingOne() {
        StoreFixture f;
        TaskStore& store = f.start();
        retitleFirstTask(store, QStringLiteral("x"));
        // An observer that edits while a snapshot is applied must not grow the stacks.
        connect(&store, &TaskStore::tasksChanged, &store, [&store] { store.recordUndoSnapshot(); });
        store.undo();
        QCOMPARE(store.undoStack().size(), 0);
        QCOMPARE(store.redoStack().size(), 1);
    }

    void preferencesAreReadWithDefaultsAndWrittenByObservers() {
        StoreFixture f;
        f.preferences().setNumber(QStringLiteral("chat_panel_width"), 420);
        f.preferences().setText(QStringLiteral("late_multiplier"), QStringLiteral("lots"));
        f.preferences().setText(QStringLiteral("chat_visible"), QStringLiteral("maybe"));
        const QUuid kept = newUuid();
        f.preferences().setTextList(QStringLiteral("collapsed_section_ids"),
                                    {uuidText(kept).toLower(), QStringLiteral("garbage")});
        TaskStore& store = f.start();

        QCOMPARE(store.chatPanelFraction(), 0.42); // the older width setting, read as thousandths
        QCOMPARE(store.lateThresholdMultiplier(), 1.1);
        QCOMPARE(store.isChatVisible(), true);
        QCOMPARE(store.collapsedSectionIDs(), QSet<QUuid>{kept});

        QSignalSpy fractionChanges(&store, &TaskStore::chatPanelFractionChanged);
        store.setChatPanelFraction(0.95);
        QCOMPARE(store.chatPanelFraction(), 0.9);
        QCOMPARE(f.preferences().number(QStringLiteral("chat_panel_fraction")), 0.9);
        QCOMPARE(fractionChanges.size(), 2); // the raw value, then the clamped one
        store.setChatPanelFraction(0.05);
        QCOMPARE(f.preferences().number(QStringLiteral("chat_panel_fraction")), 0.1);

        store.setLateThresholdMultiplier(1.5);
        store.setCollapsedSectionIDs({});
        TaskStore& again = f.restart();
        QCOMPARE(again.lateThresholdMultiplier(), 1.5);
        QCOMPARE(again.chatPanelFraction(), 0.1);
        QVERIFY(again.collapsedSectionIDs().isEmpty());
    }

    // A hand-edited settings file: every number is brought into the range
    // its control offers, and one that is no number at all gives the default.
    void absurdPreferencesAreClampedToTheirControls_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<double>("multiplier");
        QTest::addColumn<double>("fraction");
        QTest::newRow("nan") << QStringLiteral("nan") << 1.1 << 0.35;
        QTest::newRow("infinite") << QStringLiteral("inf") << 1.1 << 0.35;
        QTest::newRow("minus infinite") << QStringLiteral("-inf") << 1.1 << 0.35;
        QTest::newRow("negative") << QStringLiteral("-5") << 1.0 << 0.1;
        QTest::newRow("zero") << QStringLiteral("0") << 1.0 << 0.1;
        QTest::newRow("huge") << QStringLiteral("1e308") << 2.0 << 0.9;
        QTest::newRow("in range") << QStringLiteral("1.25") << 1.25 << 0.9;
    }
    void absurdPreferencesAreClampedToTheirControls() {
        QFETCH(QString, stored);
        QFETCH(double, multiplier);
        QFETCH(double, fraction);
        StoreFixture f;
        f.preferences().setText(QStringLiteral("late_multiplier"), stored);
        f.preferences().setText(QStringLiteral("chat_panel_fraction"), stored);
        TaskStore& store = f.start();
        QCOMPARE(store.lateThresholdMultiplier(), multiplier);
        QCOMPARE(store.chatPanelFraction(), fraction);
        // A task that has just begun is not late, whatever the file said.
        test::setOpenTasks(store, {{"Now", 30}});
        QVERIFY(!store.shouldSendInitialOverdueChat(store.tasks().first(), 0.01));
        store.setLateThresholdMultiplier(std::numeric_limits<double>::quiet_NaN());
        QCOMPARE(store.lateThresholdMultiplier(), 1.1);
    }

    void clearAllTasksKeepsSectionsAndCounters() {
        StoreFixture f;
        TaskStore& store = f.start();
        const QUuid root = store.sections().first().id;
        const TaskSection child{newUuid(), QStringLiteral("Sub"), root, 0, std::nullopt};
        store.setSections({store.sections().first(), child});
        TaskItem inChild;
        inChild.id = newUuid();
        inChild.title = QStringLiteral("deep");
        inChild.durationMinutes = 5;
        inChild.sectionID = child.id;
        store.setTasks({store.tasks().first(), inChild});
        store.setRootOutlineOrder(store.computeOutlineOrderSnapshot());
        store.setGamification({2, 5, 9});
        store.setPasteText(QStringLiteral("1. It's a 'quoted' plan"));
        store.persistWorkspace();
        QCOMPARE(f.database().loadSession().pasteText, store.pasteText());

        f.clock().advance(500);
        store.clearAllTasks();

        QCOMPARE(store.sections().size(), 2);
        QCOMPARE(store.tasks().size(), 1);
        QCOMPARE(store.tasks().first().title, QStringLiteral("Create to do list"));
        QCOMPARE(store.tasks().first().sectionID, root);
        QCOMPARE(store.scheduleStartTime(), f.clock().now());
        QCOMPARE(store.gamification(), (GamificationState{2, 5, 9}));
        QCOMPARE(store.chatMessages().size(), 1); // the chat goes too, but for the notice
        QVERIFY(store.canUndo());

        TaskStore& again = f.restart();
        QCOMPARE(again.tasks().size(), 1);
        QCOMPARE(again.sections().size(), 2);
        QCOMPARE(again.pasteText(), QString());
    }

    void failingSaveIsReportedOnce() {
        StoreFixture f;
        TaskStore& store = f.start();
        // Another connection holds the write lock for the whole time.
        DatabaseService other(f.databasePath(), f.clock());
        QVERIFY(other.exec(QStringLiteral("BEGIN IMMEDIATE")));
        const int before = static_cast<int>(store.chatMessages().size());
        store.persistWorkspace();
        store.persistWorkspace();
        QCOMPARE(store.chatMessages().size(), before + 1);
        QVERIFY(store.chatMessages().last().content.contains(QStringLiteral("could not be saved")));
        QVERIFY(other.exec(QStringLiteral("ROLLBACK")));

        store.persistWorkspace();
        QCOMPARE(f.database().loadTasks(newUuid()).size(), 1);
    }
};

VORN_TEST_CLASS(StoreStateTest)
#include "store_state_test.moc"
