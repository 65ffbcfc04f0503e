// The pasted-list parser, the paste detector and the text export, including
// round trips through both and inputs meant to break them.
#include "fixtures/test_main.h"
#include "model/outline.h"
#include "outline_io/hierarchical_task_exporter.h"
#include "outline_io/hierarchical_task_parser.h"
#include "outline_io/outline_paste_detector.h"

#include <QtTest>

#include <random>

using namespace vorn;

namespace {

// "#root", then one entry per node in text order, a dot per level: {"#To do", "A", ".A1"}.
QStringList render(const std::optional<ParsedOutline>& outline) {
    if (!outline)
        return {};
    QStringList out{"#" + outline->rootTitle};
    forEachParsedNode(outline->nodes, [&](const ParsedNode& node, int depth, qsizetype) {
        out << QString(depth, u'.') + node.title;
    });
    return out;
}

QStringList parsed(const QString& text) {
    return render(HierarchicalTaskParser::parse(text));
}

OutlineRow taskRow(const QString& title, int depth) {
    return {TaskItem{newUuid(), title, 30, false, {}, {}, {}, {}}, depth, false};
}

} // namespace

class OutlineIoTest : public QObject {
    Q_OBJECT

private slots:
    void parsesLists_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("tree");
        QTest::newRow("heading, tab nesting")
            << "To do\n1. Plan trip\n\t1. Book train\n\t2. Pack\n2. Leave"
            << QStringList{"#To do", "Plan trip", ".Book train", ".Pack", "Leave"};
        QTest::newRow("item titled todo names the list")
            << "1. Todo\n2. Buy milk" << QStringList{"#Todo", "Buy milk"};
        QTest::newRow("digit-free heading") << "Groceries\n1. Milk" << QStringList{"#Groceries", "Milk"};
        QTest::newRow("heading with a digit is an item")
            << "Groceries 2\n1. Milk" << QStringList{"#To do", "Groceries 2", "Milk"};
        QTest::newRow("a fraction is a number")
            << "Buy ½ kg\n1. Flour" << QStringList{"#To do", "Buy ½ kg", "Flour"};
        QTest::newRow("last heading wins") << "Monday\nTUESDAY\n7. A" << QStringList{"#TUESDAY", "A"};
        QTest::newRow("continuation joins the item, keeping its level")
            << "1. Call Anna\n            about the contract\n\t2. B"
            << QStringList{"#To do", "Call Anna about the contract", ".B"};
        QTest::newRow("dashes head, then continue")
            << "- packing\n- list\n1. Tent\n- poles" << QStringList{"#- list", "Tent - poles"};
        QTest::newRow("marker needs whitespace")
            << "1.Task\n2) Next" << QStringList{"#To do", "1.Task", "Next"};
        QTest::newRow("space groups, normalised") << "    1. A\n        1. B\n            1. C\n      1. D"
                                                  << QStringList{"#To do", "A", ".B", "..C", "D"};
        QTest::newRow("tabs win over spaces") << "1. A\n  \t  1. B" << QStringList{"#To do", "A", ".B"};
        QTest::newRow("level jumps attach to the nearest shallower line")
            << "1. A\n\t\t\t1. B\n\t1. C\n1. D" << QStringList{"#To do", "A", ".B", ".C", "D"};
        QTest::newRow("crlf") << "1. A\r\n\t1. B\r\n" << QStringList{"#To do", "A", ".B"};
        QTest::newRow("unicode line ends")
            << QString::fromUtf16(u"1. A\u20282. B\u0085\t3. C\v4. D\f5. E\u2029")
            << QStringList{"#To do", "A", "B", ".C", "D", "E"};
        QTest::newRow("other digits and spaces")
            << QString::fromUtf16(u"١٢. Arabic\n\U0001D7D9)\u00A0Math\u3000")
            << QStringList{"#To do", "Arabic", "Math"};
        QTest::newRow("empty") << "" << QStringList{};
        QTest::newRow("blank lines") << "\n \t\n\r\n" << QStringList{};
        QTest::newRow("headings only") << "Shopping\n\n1. TODO" << QStringList{};
    }
    void parsesLists() {
        QFETCH(QString, text);
        QFETCH(QStringList, tree);
        QCOMPARE(parsed(text), tree);
    }

    void detectsOutlinePastes_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isList");
        QTest::newRow("one numbered line") << "1. Milk" << false;
        QTest::newRow("only the second numbered") << "Groceries\n  2) Milk" << true;
        QTest::newRow("heading and a plain line") << " ToDo \nMilk" << true;
        QTest::newRow("two plain lines") << "Milk\nEggs" << false;
        QTest::newRow("marker without space") << "1.Milk\n2.Eggs" << false;
        QTest::newRow("blank lines do not count") << "1. Milk\n\n \t\r\n" << false;
        QTest::newRow("marker ends the line") << "1.\nEggs" << false;
    }
    void detectsOutlinePastes() {
        QFETCH(QString, text);
        QFETCH(bool, isList);
        QCOMPARE(OutlinePasteDetector::isOutlineList(text), isList);
    }

    void exportsNumberedIndentedLines() {
        Workspace ws;
        const QUuid root = newUuid(), a = newUuid();
        ws.sections = {{root, "Plan", std::nullopt, 0, std::nullopt}, {a, "A", root, 0, std::nullopt}};
        for (const auto& [title, section] : {std::pair{"A1", a}, {"A2", a}, {"B", root}})
            ws.tasks.append({newUuid(), title, 30, false, {}, {}, section, {}});
        ws.rootOutlineOrder = {OutlineEntry::section(a), OutlineEntry::task(ws.tasks.last().id)};
        QCOMPARE(HierarchicalTaskExporter::exportOutline(ws), "Plan\n1. A\n    1. A1\n    2. A2\n2. B");
        const QString sectionKey = "section:" + uuidText(a);
        QCOMPARE(
            HierarchicalTaskExporter::exportOutline(ws, {sectionKey, "task:" + uuidText(ws.tasks[1].id)}),
            "Plan\n1. A\n    1. A2");
        // Keys match exactly as rows write them.
        QCOMPARE(
            HierarchicalTaskExporter::exportOutline(ws, {sectionKey.toLower(), "task:{" + uuidText(a) + "}"}),
            "Plan");

        // Deeper counts restart under each new parent; shallower ones continue.
        const QList<OutlineRow> rows = {taskRow("a", 1), taskRow("b", 2), taskRow("c", 2), taskRow("d", 1),
                                        taskRow("e", 2), taskRow("f", 3), taskRow("g", 1)};
        QCOMPARE(HierarchicalTaskExporter::exportOutline("T", rows),
                 "T\n1. a\n    1. b\n    2. c\n2. d\n    1. e\n        1. f\n3. g");
        QCOMPARE(HierarchicalTaskExporter::exportOutline("T", rows, {rows[2].id(), rows[5].id()}),
                 "T\n1. c\n    1. f");
        QCOMPARE(HierarchicalTaskExporter::exportOutline("T", rows, {"task:" + uuidText(newUuid())}), "T");
        QCOMPARE(HierarchicalTaskExporter::exportOutline("T", {}), "T");
        QCOMPARE(HierarchicalTaskExporter::exportOutline(Workspace{}), "To do");
    }

    void exportedOutlinesParseBackToTheSameTree() {
        const QStringList words = {
            "Milk", "3. Eggs", "(2)",       "½ cup",      "Ωmega",
            "a\tb", "x  y",    "1)",        "To do list", QString("nul") + QChar(0) + "x",
            "-",    "#",       "\U0001F600"};
        const QStringList rootTitles = {"To do", "Groceries", "Week — draft"};
        std::mt19937 rng(20240611);
        for (int round = 0; round < 300; ++round) {
            const QString rootTitle = rootTitles[rng() % rootTitles.size()];
            QList<OutlineRow> rows;
            QStringList expected{"#" + rootTitle};
            int depth = 0;
            for (int i = 0, count = 1 + int(rng() % 40); i < count; ++i) {
                depth = i == 0 ? 0 : int(rng() % (depth + 2));
                QStringList title;
                for (int w = 0, n = 1 + int(rng() % 3); w < n; ++w)
                    title << words[rng() % words.size()];
                rows << taskRow(title.join(' '), depth);
                expected << QString(depth, u'.') + rows.last().task().title;
            }
            const QString text = HierarchicalTaskExporter::exportOutline(rootTitle, rows);
            QCOMPARE(parsed(text), expected);
            QVERIFY(OutlinePasteDetector::isOutlineList(text));
        }
    }

    void hostileInputsFinishSanely() {
        // A megabyte of items, each with a continuation line.
        QString big;
        for (int i = 0; big.size() < 1'000'000; ++i)
            big += QString("%1. Item %1\n\tmore\n").arg(i);
        const auto many = HierarchicalTaskParser::parse(big);
        QVERIFY(many && many->nodes.size() > 20'000);
        QCOMPARE(many->nodes.first().title, "Item 0 more");
        QVERIFY(OutlinePasteDetector::isOutlineList(big));

        // Lines of 100,000 characters: digits, indentation, a title.
        const QString digits(100'000, u'7'), spaces(100'000, u' '), letters(100'000, u'x');
        QCOMPARE(parsed(digits + ". a\n" + spaces + "1. b\n" + letters + "\n" + digits),
                 QStringList({"#To do", "a", ".b " + letters + " " + digits}));

        // Control characters and NUL stay in titles; broken UTF-8 and lone surrogates read as text.
        const QString controls = QString("1. a") + QChar(0) + "b\n\x01\x02\n\t1. \x1b[31m";
        QCOMPARE(parsed(controls),
                 QStringList({"#To do", QString("a") + QChar(0) + "b \x01\x02", ".\x1b[31m"}));
        const QString broken = QString::fromUtf8("\xff\xfe"
                                                 "1. \xc3(\n\xed\xa0\x80 \xf0\x9f 2) x");
        QCOMPARE(parsed(broken).size(), 2);
        const QString surrogates =
            QString("1. a") + QChar(0xD800) + "\n" + QChar(0xDC00) + "2. b" + QChar(0xD83D);
        QCOMPARE(parsed(surrogates).size(), 2);

        // Ten thousand lines, each a level deeper, on a stack far too small for one frame
        // per level: parsed, walked, copied, compared and freed; the same depth of
        // sections is shown as rows and exported.
        constexpr int deep = 10'000;
        QString stairs;
        for (int i = 0; i < deep; ++i)
            stairs += QString(i, u'\t') + "1. s\n";
        int count = 0, maxDepth = -1;
        bool copiesCompare = false;
        QList<OutlineRow> rows;
        QString exported;
        QScopedPointer<QThread> thread(QThread::create([&] {
            auto chain = HierarchicalTaskParser::parse(stairs);
            if (!chain)
                return;
            forEachParsedNode(chain->nodes,
                              [&](const ParsedNode&, int d, qsizetype) { maxDepth = d, ++count; });
            auto copy = *chain;
            copiesCompare = copy == *chain;
            copy.nodes.first().title = "changed";
            copiesCompare = copiesCompare && !(copy == *chain);
            chain.reset();

            Workspace ws;
            ws.sections.append({newUuid(), "To do", std::nullopt, 0, std::nullopt});
            for (int d = 0; d < deep - 1; ++d)
                ws.sections.append({newUuid(), "s", ws.sections.last().id, 0, std::nullopt});
            ws.tasks.append({newUuid(), "s", 30, false, {}, {}, ws.sections.last().id, {}});
            ws.rootOutlineOrder = {OutlineEntry::section(ws.sections[1].id)};
            rows = outline::outlineRows(ws);
            if (rows.size() == deep)
                exported =
                    HierarchicalTaskExporter::exportOutline(ws, {rows[deep - 2].id(), rows.last().id()});
        }));
        thread->setStackSize(256 * 1024);
        thread->start();
        QVERIFY(thread->wait());
        QCOMPARE(count, deep);
        QCOMPARE(maxDepth, deep - 1);
        QVERIFY(copiesCompare);
        QCOMPARE(rows.size(), deep);
        QCOMPARE(rows.last().depth, deep - 1);
        QCOMPARE(exported, "To do\n1. s\n    1. s");
    }
};

VORN_TEST_CLASS(OutlineIoTest)
#include "outline_io_test.moc"
