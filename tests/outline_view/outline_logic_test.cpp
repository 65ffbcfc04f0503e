// Turning one list of rows into another by identity, picking rows, and what
// a screen reader and a tooltip say about a row.
#include "views/outline/outline_table_model.h"
#include "views/outline/row_changes.h"
#include "views/outline/row_selection.h"
#include "views/outline/row_texts.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace vorn;

namespace {

QStringList letters(const QString& text) {
    QStringList out;
    for (QChar c : text)
        out.append(QString(c));
    return out;
}

} // namespace

class OutlineLogicTest : public QObject {
    Q_OBJECT

private slots:
    void planTurnsBeforeIntoAfter_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("steps");
        const auto row = [](const char* name, const char* before, const char* after, int steps) {
            QTest::newRow(name) << QString::fromLatin1(before) << QString::fromLatin1(after) << steps;
        };
        row("unchanged", "abcd", "abcd", 0);
        row("insert below", "abc", "abxc", 1);
        row("insert at end", "abc", "abcx", 1);
        row("remove first", "abc", "bc", 1);
        row("remove everything", "abc", "", 1);
        row("replace everything", "abc", "xyz", 2);
        row("folder up past a task", "tSpqr", "Spqrt", 1);
        row("folder down past a task", "Spqrt", "tSpqr", 1);
        row("swap neighbours", "abcd", "acbd", 1);
        row("remove, insert and move", "abcdef", "xfbce", 4);
        row("reversed", "abcde", "edcba", 4);
    }

    void planTurnsBeforeIntoAfter() {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(int, steps);
        const QList<RowChange> plan = planRowChanges(letters(before), letters(after));
        QStringList rows = letters(before);
        applyRowChanges(rows, plan, letters(after));
        QCOMPARE(rows, letters(after));
        QCOMPARE(plan.size(), steps);
        for (const RowChange& change : plan)
            if (change.kind == RowChange::Kind::move)
                QVERIFY(change.to < change.first); // what beginMoveRows accepts without adjusting
    }

    void planHoldsOnShuffledLists() {
        QRandomGenerator random(7);
        const QStringList pool = letters(QStringLiteral("abcdefghijklmnopqrstuvwxyz"));
        for (int round = 0; round < 500; ++round) {
            QStringList before, after;
            for (const QString& id : pool) {
                if (random.bounded(4) != 0)
                    before.append(id);
                if (random.bounded(4) != 0)
                    after.append(id);
            }
            std::shuffle(after.begin(), after.end(), std::mt19937(round));
            QStringList rows = before;
            applyRowChanges(rows, planRowChanges(before, after), after);
            QCOMPARE(rows, after);
        }
    }

    // Rows "abcdef"; a selection is written as its letters.
    void tapsPickRows_data() {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("anchor");
        QTest::addColumn<int>("tapped");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("expectedAnchor");
        const auto row = [](const char* name, const char* selected, const char* anchor, int tapped,
                            bool shift, const char* expected, const char* expectedAnchor) {
            QTest::newRow(name) << QString::fromLatin1(selected) << QString::fromLatin1(anchor) << tapped
                                << shift << QString::fromLatin1(expected)
                                << QString::fromLatin1(expectedAnchor);
        };
        row("plain tap", "", "", 2, false, "c", "c");
        row("shift range down, anchor stays", "b", "b", 4, true, "bcde", "b");
        row("shift range up", "d", "d", 1, true, "bcd", "d");
        row("shift without anchor", "", "", 3, true, "d", "d");
        row("shift with a vanished anchor", "c", "z", 1, true, "b", "b");
        row("only selected row again clears", "c", "c", 2, false, "", "");
        row("one of several", "bc", "b", 2, false, "c", "c");
    }

    void tapsPickRows() {
        QFETCH(QString, selected);
        QFETCH(QString, anchor);
        QFETCH(int, tapped);
        QFETCH(bool, shift);
        QFETCH(QString, expected);
        QFETCH(QString, expectedAnchor);
        const auto ids = [](const QString& text) {
            const QStringList list = letters(text);
            return QSet<QString>(list.cbegin(), list.cend());
        };
        const RowSelection current{ids(selected), anchor.isEmpty() ? std::nullopt : std::optional(anchor)};
        const RowSelection next =
            row_selection::tap(current, letters(QStringLiteral("abcdef")), tapped, shift);
        QCOMPARE(next.ids, ids(expected));
        QCOMPARE(next.anchor.value_or(QString()), expectedAnchor);
    }

    // A completed and an open task read differently; the tooltip carries the
    // title (a long one is cut off in the cell) before the Tab help.
    void rowTextsTellTheState_data() {
        QTest::addColumn<bool>("done");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("toggle");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("tooltip");
        const QString help = QStringLiteral("Tab to indent under item above · Shift+Tab to outdent");
        QTest::newRow("open") << false << "Write the quarterly report"
                              << "Open"
                              << "Task, Write the quarterly report, 25 minutes, done by 10:25, open"
                              << "Write the quarterly report\n" + help;
        QTest::newRow("completed") << true << "Call"
                                   << "Completed"
                                   << "Task, Call, 25 minutes, done by 10:25, completed"
                                   << "Call\n" + help;
        QTest::newRow("untitled") << false << ""
                                  << "Open"
                                  << "Task, Task name, 25 minutes, done by 10:25, open" << help;
    }

    void rowTextsTellTheState() {
        QFETCH(bool, done);
        QFETCH(QString, title);
        QFETCH(QString, toggle);
        QFETCH(QString, description);
        QFETCH(QString, tooltip);
        TaskItem task;
        task.title = title;
        task.durationMinutes = 25;
        task.isCompleted = done;
        const OutlineRow row{task, 0, false};
        const QString finish = QStringLiteral("10:25");
        QCOMPARE(row_texts::cellName(row, OutlineTableModel::ToggleColumn, finish, false), toggle);
        QCOMPARE(row_texts::cellName(row, OutlineTableModel::MinutesColumn, finish, false),
                 QStringLiteral("25 minutes"));
        QCOMPARE(row_texts::cellName(row, OutlineTableModel::FinishColumn, finish, false),
                 QStringLiteral("Done by 10:25"));
        QCOMPARE(row_texts::rowDescription(row, finish), description);
        QCOMPARE(row_texts::titleToolTip(row), tooltip);
    }
};

QTEST_GUILESS_MAIN(OutlineLogicTest)
#include "outline_logic_test.moc"
