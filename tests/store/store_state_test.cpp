// Undo and redo, preferences and their observers, clearing the list.
#include "fixtures/outline_fixture.h"
#include "fixtures/store_fixture.h"
#include "fixtures/test_main.h"

#include <QSignalSpy>
#include <QtTest>

#include <limits>
#include <utility>

using namespace vorn;
using vorn::test::StoreFixture;

namespace {

// A title commit through the store: one undo step of its own.
void retitleFirstTask(TaskStore& store, const QString& title) {
    store.editor().updateTitle(store.outline().tasks().first().id, title);
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
        QCOMPARE(store.editor().undoStack().size(), 50);
        store.boss().setGamification({3, 3, 4});

        for (int i = 0; i < 51; ++i)
            store.editor().undo();
        QCOMPARE(store.outline().tasks().first().title, QStringLiteral("edit 5"));
        QCOMPARE(store.editor().redoStack().size(), 50);
        QCOMPARE(store.boss().gamification(), (GamificationState{3, 3, 4})); // undo restores the outline only
    }

    void snapshotsAreNotTakenWhileApplyingOne() {
        StoreFixture f;
        TaskStore& store = f.start();
        retitleFirstTask(store, QStringLiteral("x"));
        // An observer that edits while a snapshot is applied must not grow the stacks.
        const QUuid first = store.outline().tasks().first().id;
        bool edited = false;
        connect(&store.outline(), &Outline::tasksChanged, &store, [&store, &edited, first] {
            if (!std::exchange(edited, true))
                store.editor().updateDuration(first, 45);
        });
        store.editor().undo();
        QCOMPARE(store.editor().undoStack().size(), 0);
        QCOMPARE(store.editor().redoStack().size(), 1);
        QVERIFY(edited);
    }

    // The store decides the undo step of a title commit: exactly one when the
    // title changes, none when it does not, and undo gives the old title back.
    void titleCommitIsOneUndoStep() {
        StoreFixture f;
        TaskStore& store = f.start();
        const QUuid id = store.outline().tasks().first().id;
        const QString before = store.outline().tasks().first().title;
        const qsizetype steps = store.editor().undoStack().size();

        store.editor().updateTitle(id, QStringLiteral("Renamed"));
        QCOMPARE(store.editor().undoStack().size(), steps + 1);
        store.editor().updateTitle(id, QStringLiteral("Renamed"));
        QCOMPARE(store.editor().undoStack().size(), steps + 1);

        store.editor().undo();
        QCOMPARE(store.outline().tasks().first().title, before);
        QCOMPARE(store.editor().undoStack().size(), steps);
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

        QCOMPARE(store.window().chatPanelFraction(), 0.42); // the older width setting, read as thousandths
        QCOMPARE(store.settings().lateThresholdMultiplier(), 1.1);
        QCOMPARE(store.window().isChatVisible(), true);
        QCOMPARE(store.outline().collapsedSectionIDs(), QSet<QUuid>{kept});

        QSignalSpy fractionChanges(&store.window(), &WindowState::chatPanelFractionChanged);
        store.window().setChatPanelFraction(0.95);
        QCOMPARE(store.window().chatPanelFraction(), 0.9);
        QCOMPARE(f.preferences().number(QStringLiteral("chat_panel_fraction")), 0.9);
        QCOMPARE(fractionChanges.size(), 2); // the raw value, then the clamped one
        store.window().setChatPanelFraction(0.05);
        QCOMPARE(f.preferences().number(QStringLiteral("chat_panel_fraction")), 0.1);

        store.settings().setLateThresholdMultiplier(1.5);
        store.outline().setCollapsedSectionIDs({});
        TaskStore& again = f.restart();
        QCOMPARE(again.settings().lateThresholdMultiplier(), 1.5);
        QCOMPARE(again.window().chatPanelFraction(), 0.1);
        QVERIFY(again.outline().collapsedSectionIDs().isEmpty());
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
        QCOMPARE(store.settings().lateThresholdMultiplier(), multiplier);
        QCOMPARE(store.window().chatPanelFraction(), fraction);
        // A task that has just begun is not late, whatever the file said.
        test::setOpenTasks(store, {{"Now", 30}});
        QVERIFY(!store.watch().shouldSendInitialOverdueChat(store.outline().tasks().first(), 0.01));
        store.settings().setLateThresholdMultiplier(std::numeric_limits<double>::quiet_NaN());
        QCOMPARE(store.settings().lateThresholdMultiplier(), 1.1);
    }

    void clearAllTasksKeepsSectionsAndCounters() {
        StoreFixture f;
        TaskStore& store = f.start();
        const QUuid root = store.outline().sections().first().id;
        const TaskSection child{newUuid(), QStringLiteral("Sub"), root, 0, std::nullopt};
        store.outline().setSections({store.outline().sections().first(), child});
        TaskItem inChild;
        inChild.id = newUuid();
        inChild.title = QStringLiteral("deep");
        inChild.durationMinutes = 5;
        inChild.sectionID = child.id;
        store.outline().setTasks({store.outline().tasks().first(), inChild});
        store.outline().setRootOutlineOrder(store.outline().computeOutlineOrderSnapshot());
        store.boss().setGamification({2, 5, 9});
        store.window().setPasteText(QStringLiteral("1. It's a 'quoted' plan"));
        store.persistWorkspace();
        QCOMPARE(f.database().loadSession().pasteText, store.window().pasteText());

        f.clock().advance(500);
        store.clearAllTasks();

        QCOMPARE(store.outline().sections().size(), 2);
        QCOMPARE(store.outline().tasks().size(), 1);
        QCOMPARE(store.outline().tasks().first().title, QStringLiteral("Create to do list"));
        QCOMPARE(store.outline().tasks().first().sectionID, root);
        QCOMPARE(store.outline().scheduleStartTime(), f.clock().now());
        QCOMPARE(store.boss().gamification(), (GamificationState{2, 5, 9}));
        QCOMPARE(store.chat().chatMessages().size(), 1); // the chat goes too, but for the notice
        QVERIFY(store.editor().canUndo());

        TaskStore& again = f.restart();
        QCOMPARE(again.outline().tasks().size(), 1);
        QCOMPARE(again.outline().sections().size(), 2);
        QCOMPARE(again.window().pasteText(), QString());
    }

    void failingSaveIsReportedOnce() {
        StoreFixture f;
        TaskStore& store = f.start();
        // Another connection holds the write lock for the whole time.
        DatabaseService other(f.databasePath(), f.clock());
        QVERIFY(other.exec(QStringLiteral("BEGIN IMMEDIATE")));
        const int before = static_cast<int>(store.chat().chatMessages().size());
        store.persistWorkspace();
        store.persistWorkspace();
        QCOMPARE(store.chat().chatMessages().size(), before + 1);
        QVERIFY(store.chat().chatMessages().last().content.contains(QStringLiteral("could not be saved")));
        QVERIFY(other.exec(QStringLiteral("ROLLBACK")));

        store.persistWorkspace();
        QCOMPARE(f.database().loadTasks(newUuid()).size(), 1);
    }
};

VORN_TEST_CLASS(StoreStateTest)
#include "store_state_test.moc"
