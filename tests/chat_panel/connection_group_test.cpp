// The "Connection" group keeps the proxy address and token where Vorn reads
// them at start, and its connection test reports what answered.
#include "fixtures/fake_proxy.h"
#include "fixtures/fake_secret_store.h"
#include "platform/preferences.h"
#include "services/local_proxy.h"
#include "services/proxy_connection.h"
#include "store/proxy_settings.h"
#include "views/settings/connection_group.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace vorn;

namespace {

struct Setup {
    QTemporaryDir dir;
    Preferences preferences{dir.filePath(QStringLiteral("settings.ini"))};
    test::FakeSecretStore secrets;

    ProxySettings settings{
        preferences,
        secrets,
        {.environment = QProcessEnvironment(), .testTimeout = std::chrono::milliseconds(1000)}};
};

void typeInto(QLineEdit* field, const QString& text) {
    field->clear();
    QTest::keyClicks(field, text);
}

} // namespace

Q_DECLARE_METATYPE(vorn::test::ScriptedReply)

class ConnectionGroupTest : public QObject {
    Q_OBJECT

private slots:
    void testReportsWhatAnswered_data() {
        QTest::addColumn<test::ScriptedReply>("reply");
        QTest::addColumn<QString>("shown");
        QTest::newRow("vorn-proxy") << test::ScriptedReply::json(
                                           R"({"status":"ok","chat":"builtin","voice":"espeak"})")
                                    << QStringLiteral("Connected: built-in chat, espeak voice");
        QTest::newRow("wrong token") << test::ScriptedReply::text("Missing or wrong proxy token.", 401)
                                     << QStringLiteral("The proxy refused the token (401).");
        QTest::newRow("silent") << test::ScriptedReply::silence()
                                << QStringLiteral("No answer from %1 (timed out).");
        QTest::newRow("an error that repeats the token")
            << test::ScriptedReply::text("upstream said secret-token-1234 is bad\nsecond line", 502)
            << QStringLiteral("The proxy answered 502: upstream said <redacted> is bad");
        QTest::newRow("not vorn-proxy")
            << test::ScriptedReply::text("<html>hello</html>", 200)
            << QStringLiteral("Something answers at %1, but not like vorn-proxy.");
    }

    void testReportsWhatAnswered() {
        QFETCH(test::ScriptedReply, reply);
        QFETCH(QString, shown);
        test::FakeProxy proxy;
        proxy.reply(QStringLiteral("/healthz"), reply);
        Setup setup;
        ConnectionGroup group(setup.settings);
        group.show();
        typeInto(group.addressField(), proxy.baseUrl().toString());
        typeInto(group.tokenField(), QStringLiteral("secret-token-1234"));

        QTest::mouseClick(group.testButton(), Qt::LeftButton);
        QVERIFY(!group.testButton()->isEnabled());
        QTRY_VERIFY(group.testButton()->isEnabled());
        QCOMPARE(group.testResult()->text(),
                 shown.contains(QLatin1String("%1")) ? shown.arg(proxy.baseUrl().toString()) : shown);
        const QList<test::RecordedRequest> asked = proxy.requests(QStringLiteral("/healthz"));
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.first().header("Authorization"), QByteArray("Bearer secret-token-1234"));
    }

    void testsTheRunningBuiltInProxy() {
        Setup setup;
        LocalProxyOptions options;
        options.program = QStringLiteral(VORN_PROXY_PROGRAM);
        // Keep the user's own proxy configuration out of it.
        options.environment.insert(QStringLiteral("XDG_CONFIG_HOME"), setup.dir.path());
        options.environment.insert(QStringLiteral("HOME"), setup.dir.path());
        ProxyConnection connection(setup.preferences, &setup.secrets, options, QProcessEnvironment());
        ProxySettings settings(setup.preferences, setup.secrets,
                               {.connection = &connection,
                                .environment = QProcessEnvironment(),
                                .testTimeout = std::chrono::seconds(5)});
        ConnectionGroup group(settings);

        connection.start();
        QCoro::waitFor(group.testConnection());
        QCOMPARE(group.testResult()->text(), QStringLiteral("The built-in proxy is still starting."));
        QSignalSpy ready(connection.localProxy(), &LocalProxy::ready);
        QVERIFY(ready.wait(20'000));
        QCoro::waitFor(group.testConnection());
        QCOMPARE(group.testResult()->text(), QStringLiteral("Connected: built-in chat, espeak voice"));
    }

    // The token is saved once, trimmed, even when the group goes away while it is typed.
    void fieldsStoreWhereTheAppReadsThem() {
        Setup setup;
        {
            ConnectionGroup group(setup.settings);
            group.show();
            QVERIFY(QTest::qWaitForWindowActive(&group));
            typeInto(group.addressField(), QStringLiteral("https://proxy.example.org/vorn"));
            group.tokenField()->setFocus();
            typeInto(group.tokenField(), QStringLiteral(" pasted-token "));
            QCOMPARE(group.tokenField()->echoMode(), QLineEdit::Password);
        } // the token field loses its focus while the group goes away
        const ProxyConfig resolved = ProxyConfig::resolve(setup.preferences, QProcessEnvironment());
        QCOMPARE(resolved.baseUrl, QUrl(QStringLiteral("https://proxy.example.org/vorn")));
        QVERIFY(!LocalProxy::isNeeded(setup.preferences, QProcessEnvironment()));
        QCOMPARE(setup.secrets.secrets.value(QLatin1String(kProxyTokenKey)), QStringLiteral("pasted-token"));
        QCOMPARE(setup.secrets.writes, 1);
        QVERIFY(!setup.preferences.contains(QLatin1String(kProxyTokenKey)));

        ConnectionGroup reopened(setup.settings);
        QCOMPARE(reopened.addressField()->text(), QStringLiteral("https://proxy.example.org/vorn"));
        QCOMPARE(reopened.tokenField()->text(), QStringLiteral("pasted-token"));
        reopened.addressField()->selectAll();
        QTest::keyClick(reopened.addressField(), Qt::Key_Backspace);
        QVERIFY(LocalProxy::isNeeded(setup.preferences, QProcessEnvironment()));
        QCoro::waitFor(reopened.testConnection()); // no address, and no built-in proxy running yet
        QCOMPARE(reopened.testResult()->text(),
                 QStringLiteral("The built-in proxy starts when Vorn next starts."));
    }

    void badAddressIsRefusedAndTheStoredOneKept() {
        Setup setup;
        setup.preferences.setText(QLatin1String(kProxyBaseUrlKey), QStringLiteral("http://127.0.0.1:9000"));
        ConnectionGroup group(setup.settings);
        group.show();
        typeInto(group.addressField(), QStringLiteral("https://"));
        QVERIFY(!group.notice()->isVisible()); // no complaint while typing
        for (const QString& bad :
             {QStringLiteral("proxy.example.org:80"), QStringLiteral("http://proxy.example.org")}) {
            typeInto(group.addressField(), bad);
            emit group.addressField()->editingFinished();
            QVERIFY(group.notice()->isVisible());
            QVERIFY2(group.notice()->text().contains(bad), qPrintable(group.notice()->text()));
            QCOMPARE(setup.preferences.text(QLatin1String(kProxyBaseUrlKey)),
                     std::optional<QString>(QStringLiteral("http://127.0.0.1:9000")));
            QCoro::waitFor(group.testConnection());
            QCOMPARE(group.testResult()->text(), group.notice()->text());
        }
    }

    void tokenGoesToThePreferenceFileWithoutAKeyring() {
        Setup setup;
        setup.secrets.available = false;
        ConnectionGroup group(setup.settings);
        group.show();
        typeInto(group.tokenField(), QStringLiteral("t0ken"));
        QVERIFY(!setup.preferences.contains(QLatin1String(kProxyTokenKey))); // not at every keystroke
        emit group.tokenField()->editingFinished();
        QCOMPARE(setup.preferences.text(QLatin1String(kProxyTokenKey)),
                 std::optional<QString>(QStringLiteral("t0ken")));
        QVERIFY(group.notice()->isVisible());
    }
};

QTEST_MAIN(ConnectionGroupTest)
#include "connection_group_test.moc"
