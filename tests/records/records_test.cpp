// The outline-entry JSON text and the strict reading of UUID text.
#include "fixtures/test_main.h"
#include "model/records.h"

#include <QtTest>

using namespace vorn;

class RecordsTest : public QObject {
    Q_OBJECT

private slots:
    // Compact, type first, upper-case IDs; read back with members in any order and either case.
    void outlineEntriesEncodeCompactlyAndDecodeLeniently() {
        QCOMPARE(encodeOutlineEntries({}), QByteArray("[]"));
        QVERIFY(decodeOutlineEntries("[]").value().isEmpty());
        const QUuid a = QUuid::fromString(QStringLiteral("{0f8e2d3c-1111-4a5b-9c6d-aabbccddeeff}"));
        const QUuid b = QUuid::fromString(QStringLiteral("{12345678-9abc-4def-8123-456789abcdef}"));
        const QList<OutlineEntry> entries{OutlineEntry::task(a), OutlineEntry::section(b)};
        QCOMPARE(encodeOutlineEntries(entries),
                 QByteArray(R"([{"type":"task","id":"0F8E2D3C-1111-4A5B-9C6D-AABBCCDDEEFF"},)"
                            R"({"type":"section","id":"12345678-9ABC-4DEF-8123-456789ABCDEF"}])"));
        const auto read = decodeOutlineEntries(R"([ {"id": "0f8e2d3c-1111-4a5b-9c6d-aabbccddeeff", "type": )"
                                               R"("task"}, {"type":"section","id":"12345678-9ABC-4DEF-8123-)"
                                               R"(456789ABCDEF"}])");
        QVERIFY(read.ok());
        QCOMPARE(read.value(), entries);
    }

    void malformedEntriesAreDataErrors_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("key");
        const QByteArray id = "\"0F8E2D3C-1111-4A5B-9C6D-AABBCCDDEEFF\"";
        QTest::newRow("capitalised type") << QByteArray("[{\"type\":\"Task\",\"id\":" + id + "}]") << "type";
        QTest::newRow("folder type") << QByteArray("[{\"type\":\"folder\",\"id\":" + id + "}]") << "type";
        QTest::newRow("type not text") << QByteArray("[{\"type\":1,\"id\":" + id + "}]") << "type";
        QTest::newRow("no id") << QByteArray("[{\"type\":\"task\"}]") << "id";
        QTest::newRow("bad uuid") << QByteArray("[{\"type\":\"task\",\"id\":\"nope\"}]") << "id";
        QTest::newRow("not json") << QByteArray("{oops") << "";
        QTest::newRow("not an array") << QByteArray("{}") << "";
    }

    void malformedEntriesAreDataErrors() {
        QFETCH(QByteArray, json);
        QFETCH(QString, key);
        const auto read = decodeOutlineEntries(json);
        QVERIFY(!read.ok());
        QCOMPARE(read.error().key, key);
    }

    void uuidTextIsReadStrictly_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        const QString id = QStringLiteral("0f8e2d3c-1111-4a5b-9c6d-aabbccddeeff");
        QTest::newRow("lower case") << id << true;
        QTest::newRow("upper case") << id.toUpper() << true;
        QTest::newRow("nil") << QStringLiteral("00000000-0000-0000-0000-000000000000") << true;
        QTest::newRow("braces") << "{" + id + "}" << false;
        QTest::newRow("leading space") << " " + id << false;
        QTest::newRow("trailing text") << id + "x" << false;
        QTest::newRow("no dashes") << QString(id).remove('-') + "0000" << false;
        QTest::newRow("dash moved") << QStringLiteral("0f8e2d3c1-111-4a5b-9c6d-aabbccddeeff") << false;
        QTest::newRow("not hex") << QStringLiteral("0f8e2d3c-1111-4a5b-9c6d-aabbccddeefg") << false;
        QTest::newRow("empty") << QString() << false;
    }

    void uuidTextIsReadStrictly() {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        const std::optional<QUuid> id = parseUuid(text);
        QCOMPARE(id.has_value(), accepted);
        if (id)
            QCOMPARE(uuidText(*id), text.toUpper());
    }
};

VORN_TEST_CLASS(RecordsTest)
#include "records_test.moc"
