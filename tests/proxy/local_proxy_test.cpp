// The app's side: Vorn starts, uses, restarts and stops its own vorn-proxy,
// starts nothing when an address is configured, and keeps the token of a
// configured proxy in the keyring.
#include "fixtures/await_task.h"
#include "fixtures/fake_secret_store.h"

#include "platform/preferences.h"
#include "services/boss_ai_service.h"
#include "services/local_proxy.h"
#include "services/openai_service.h"
#include "services/proxy_connection.h"
#include "services/secret_store.h"

#include <QJsonArray>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

using namespace vorn;

namespace {

using test::FakeSecretStore;

bool isAlive(qint64 pid) {
    return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) == 0;
}

} // namespace

class LocalProxyTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void neededOnlyWithoutAnAddress_data();
    void neededOnlyWithoutAnAddress();
    void startsUsesRestartsOnceAndStops();
    void missingProgramFails();
    void badConfigurationFailsWithItsReason();
    void explicitAddressStartsNothingAndReadsTheKeyring();
    void tokenGoesToTheKeyringOrThePreferences();

private:
    LocalProxyOptions options() const;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void LocalProxyTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
}

LocalProxyOptions LocalProxyTest::options() const {
    LocalProxyOptions options;
    options.program = QStringLiteral(VORN_PROXY_PROGRAM);
    // Keep the user's own proxy configuration out of it.
    options.environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir->path());
    options.environment.insert(QStringLiteral("HOME"), m_dir->path());
    options.startTimeout = std::chrono::seconds(20);
    options.pollInterval = std::chrono::milliseconds(5);
    return options;
}

void LocalProxyTest::neededOnlyWithoutAnAddress_data() {
    QTest::addColumn<QString>("environmentUrl");
    QTest::addColumn<QString>("preferenceUrl");
    QTest::addColumn<bool>("needed");
    QTest::newRow("nothing configured") << QString() << QString() << true;
    QTest::newRow("blank variable") << QStringLiteral("  ") << QString() << true;
    QTest::newRow("variable") << QStringLiteral("https://proxy.example") << QString() << false;
    QTest::newRow("preference") << QString() << QStringLiteral("https://proxy.example") << false;
}

void LocalProxyTest::neededOnlyWithoutAnAddress() {
    QFETCH(QString, environmentUrl);
    QFETCH(QString, preferenceUrl);
    QFETCH(bool, needed);
    Preferences preferences(m_dir->filePath(QStringLiteral("prefs.ini")));
    if (!preferenceUrl.isEmpty())
        preferences.setText(QLatin1String(kProxyBaseUrlKey), preferenceUrl);
    QProcessEnvironment environment;
    if (!environmentUrl.isEmpty())
        environment.insert(QLatin1String(kProxyUrlEnv), environmentUrl);
    QCOMPARE(LocalProxy::isNeeded(preferences, environment), needed);
}

void LocalProxyTest::startsUsesRestartsOnceAndStops() {
    LocalProxy proxy(options());
    QSignalSpy ready(&proxy, &LocalProxy::ready);
    QSignalSpy failed(&proxy, &LocalProxy::failed);
    proxy.start();
    QVERIFY(ready.wait(20000));
    const ProxyConfig first = proxy.config();
    QVERIFY(first.baseUrl.port() > 0);
    QCOMPARE(first.token.size(), 64);

    // The boss speaks through it: the built-in writer answers a real request.
    QNetworkAccessManager network;
    const QJsonObject body{
        {QStringLiteral("model"), QStringLiteral("gpt-4o-mini")},
        {QStringLiteral("messages"),
         QJsonArray{QJsonObject{{QStringLiteral("role"), QStringLiteral("system")},
                                {QStringLiteral("content"), QStringLiteral("You are Vorn.")}},
                    QJsonObject{{QStringLiteral("role"), QStringLiteral("user")},
                                {QStringLiteral("content"), QStringLiteral("Write Vorn's message now.")}}}},
        {QStringLiteral("max_tokens"), 400}};
    auto reply = test::awaitTask(OpenAIService(&network).postChatCompletion(body, first));
    QVERIFY(reply.ok());
    QVERIFY(readBossReplyText(reply.value()).ok());

    // It dies: one restart, with a new port and a new token.
    const qint64 firstPid = proxy.processId();
    ::kill(static_cast<pid_t>(firstPid), SIGKILL);
    QVERIFY(ready.wait(20000));
    QCOMPARE(proxy.restarts(), 1);
    QVERIFY(proxy.config().token != first.token);
    QVERIFY(proxy.processId() != firstPid);

    // It dies again: no more restarts, and the failure is told.
    ::kill(static_cast<pid_t>(proxy.processId()), SIGKILL);
    QVERIFY(failed.wait(20000));
    QCOMPARE(proxy.state(), LocalProxy::State::failed);

    // A fresh start, then stop: the child is gone.
    proxy.start();
    QVERIFY(ready.wait(20000));
    const qint64 pid = proxy.processId();
    QVERIFY(isAlive(pid));
    proxy.stop();
    QVERIFY(!isAlive(pid));
    QCOMPARE(proxy.state(), LocalProxy::State::stopped);
    QCOMPARE(failed.count(), 1);
}

void LocalProxyTest::missingProgramFails() {
    LocalProxyOptions opts = options();
    opts.program = m_dir->filePath(QStringLiteral("no-such-proxy"));
    LocalProxy proxy(opts);
    QSignalSpy failed(&proxy, &LocalProxy::failed);
    proxy.start();
    QVERIFY(failed.wait(5000));
    QVERIFY(proxy.lastError().contains(QStringLiteral("could not be started")));
}

void LocalProxyTest::badConfigurationFailsWithItsReason() {
    LocalProxyOptions opts = options();
    opts.extraArguments = {QStringLiteral("--config"), m_dir->filePath(QStringLiteral("missing.conf"))};
    LocalProxy proxy(opts);
    QSignalSpy failed(&proxy, &LocalProxy::failed);
    proxy.start();
    QVERIFY(failed.wait(10000));
    QCOMPARE(proxy.restarts(), 1);
    QVERIFY2(proxy.lastError().contains(QStringLiteral("status 2")) &&
                 proxy.lastError().contains(QStringLiteral("cannot read the configuration file")),
             qPrintable(proxy.lastError()));
}

void LocalProxyTest::explicitAddressStartsNothingAndReadsTheKeyring() {
    Preferences preferences(m_dir->filePath(QStringLiteral("prefs.ini")));
    preferences.setText(QLatin1String(kProxyBaseUrlKey), QStringLiteral("https://proxy.example/base"));
    FakeSecretStore keyring;
    keyring.secrets.insert(QLatin1String(kProxyTokenKey), QStringLiteral("from-the-keyring"));
    ProxyConnection connection(preferences, &keyring, options(), QProcessEnvironment());
    QVERIFY(!connection.localProxy());
    connection.start();
    QTRY_COMPARE(connection.config().token, QStringLiteral("from-the-keyring"));
    QCOMPARE(connection.config().baseUrl, QUrl(QStringLiteral("https://proxy.example/base")));

    // The environment's token wins over the keyring.
    QProcessEnvironment environment;
    environment.insert(QLatin1String(kProxyTokenEnv), QStringLiteral("from-the-environment"));
    ProxyConnection overridden(preferences, &keyring, options(), environment);
    overridden.start();
    QCoreApplication::processEvents();
    QCOMPARE(overridden.config().token, QStringLiteral("from-the-environment"));
}

void LocalProxyTest::tokenGoesToTheKeyringOrThePreferences() {
    Preferences preferences(m_dir->filePath(QStringLiteral("prefs.ini")));
    const QString key = QLatin1String(kProxyTokenKey);
    FakeSecretStore keyring;
    keyring.available = false;
    QVERIFY(!test::awaitTask(saveProxyToken(keyring, preferences, QStringLiteral("t-1"))));
    QCOMPARE(preferences.text(key).value_or(QString()), QStringLiteral("t-1"));
    QCOMPARE(test::awaitTask(loadProxyToken(keyring, preferences)), QStringLiteral("t-1"));

    // Once a keyring runs, the token moves there and leaves the file.
    keyring.available = true;
    QVERIFY(test::awaitTask(saveProxyToken(keyring, preferences, QStringLiteral("t-2"))));
    QVERIFY(!preferences.text(key));
    QCOMPARE(keyring.secrets.value(key), QStringLiteral("t-2"));
    QCOMPARE(test::awaitTask(loadProxyToken(keyring, preferences)), QStringLiteral("t-2"));
}

QTEST_GUILESS_MAIN(LocalProxyTest)
#include "local_proxy_test.moc"
