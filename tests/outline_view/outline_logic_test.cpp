// Turning one list of rows into another by identity, and picking rows.
#include "views/outline/row_changes.h"
#include "views/outline/row_selection.h"

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
        QTest::newRow("unchanged") << "abcd"
                                   << "abcd" << 0;
        QTest::newRow("insert below") << "abc"
                                      << "abxc" << 1;
        QTest::newRow("insert at end") << "abc"
                                       << "abcx" << 1;
        QTest::newRow("remove first") << "abc"
                                      << "bc" << 1;
        QTest::newRow("remove everything") << "abc"
                                           << "" << 1;
        QTest::newRow("replace everything") << "abc"
                                            << "xyz" << 2;
        QTest::newRow("folder up past a task") << "tSpqr"
                                               << "Spqrt" << 1;
        QTest::newRow("folder down past a task") << "Spqrt"
                                                 << "tSpqr" << 1;
        QTest::newRow("swap neighbours") << "abcd"
                                         << "acbd" << 1;
        QTest::newRow("remove, insert and move") << "abcdef"
                                                 << "xfbce" << 4;
        QTest::newRow("reversed") << "abcde"
                                  << "edcba" << 4;
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

    void tapsPickRows_data() {
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QString>("anchor");
        QTest::addColumn<int>("tapped");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("expectedAnchor");
        const QStringList none;
        QTest::newRow("plain tap") << none << "" << 2 << false << QStringList{"c"} << "c";
        QTest::newRow("shift range down, anchor stays")
            << QStringList{"b"} << "b" << 4 << true << QStringList{"b", "c", "d", "e"} << "b";
        QTest::newRow("shift range up")
            << QStringList{"d"} << "d" << 1 << true << QStringList{"b", "c", "d"} << "d";
        QTest::newRow("shift without anchor") << none << "" << 3 << true << QStringList{"d"} << "d";
        QTest::newRow("shift with a vanished anchor")
            << QStringList{"c"} << "z" << 1 << true << QStringList{"b"} << "b";
        QTest::newRow("only selected row again clears")
            << QStringList{"c"} << "c" << 2 << false << none << "";
        QTest::newRow("one of several")
            << QStringList{"b", "c"} << "b" << 2 << false << QStringList{"c"} << "c";
    }

    void tapsPickRows() {
        QFETCH(QStringList, selected);
        QFETCH(QString, anchor);
        QFETCH(int, tapped);
        QFETCH(bool, shift);
        QFETCH(QStringList, expected);
        QFETCH(QString, expectedAnchor);
        RowSelection current{QSet<QString>(selected.cbegin(), selected.cend()),
                             anchor.isEmpty() ? std::nullopt : std::optional<QString>(anchor)};
        const RowSelection next =
            row_selection::tap(current, letters(QStringLiteral("abcdef")), tapped, shift);
        QCOMPARE(next.ids, QSet<QString>(expected.cbegin(), expected.cend()));
        QCOMPARE(next.anchor.value_or(QString()), expectedAnchor);
    }
};

QTEST_GUILESS_MAIN(OutlineLogicTest)
#include "outline_logic_test.moc"
