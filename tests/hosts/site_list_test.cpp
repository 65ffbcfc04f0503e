// What people paste as sites to block, turned into host names.
#include "fixtures/test_main.h"
#include "model/site_list.h"

#include <QtTest>

using namespace vorn;

class SiteListTest : public QObject {
    Q_OBJECT

private slots:
    void parse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("hosts");
        QTest::addColumn<QStringList>("rejected");
        QTest::newRow("address") << "https://www.reddit.com/r/x" << QStringList{"www.reddit.com"}
                                 << QStringList{};
        QTest::newRow("case, blanks, empty lines, CRLF")
            << "  YouTube.COM \r\n\n\t\nnews.example\r\n"
            << QStringList{"youtube.com", "news.example"} << QStringList{};
        QTest::newRow("port, query, user, no scheme")
            << "news.ycombinator.com:443/item?id=1\nhttp://me@x.org:8080#top"
            << QStringList{"news.ycombinator.com", "x.org"} << QStringList{};
        QTest::newRow("written twice stays twice")
            << "a.com\nA.com" << QStringList{"a.com", "a.com"} << QStringList{};
        QTest::newRow("international and fully qualified")
            << QString::fromUtf8("bücher.de\nexample.com.") << QStringList{"xn--bcher-kva.de", "example.com"}
            << QStringList{};
        QTest::newRow("not host names")
            << "*.reddit.com\nnot a site\n127.0.0.1\nhttps://\n-bad.com\na..com\n[::1]\nfile:///etc/hosts"
            << QStringList{} << QStringList{"*.reddit.com", "not a site", "127.0.0.1", "https://",
                                            "-bad.com",     "a..com",     "[::1]",     "file:///etc/hosts"};
        QTest::newRow("nothing") << " \n\n" << QStringList{} << QStringList{};
    }

    void parse() {
        QFETCH(QString, text);
        QFETCH(QStringList, hosts);
        QFETCH(QStringList, rejected);
        const SiteList list = parseSiteList(text);
        QCOMPARE(list.hosts, hosts);
        QCOMPARE(list.rejected, rejected);
    }
};

VORN_TEST_CLASS(SiteListTest)
#include "site_list_test.moc"
