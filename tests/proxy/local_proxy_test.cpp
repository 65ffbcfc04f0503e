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

#include <QFile>
#include <QJsonDocument>
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
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void startsUsesRestartsOnceAndStops() {
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
        const QJsonObject body =
            QJsonDocument::fromJson(R"({"model": "gpt-4o-mini", "max_tokens": 400, "messages": [)"
                                    R"({"role": "system", "content": "You are Vorn."},)"
                                    "{\"role\": \"user\", \"content\": \"Write Vorn's message now.\"}]}")
                .object();
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

    void failuresGiveTheirReason() {
        // The restarts made and the reason told when a start fails.
        const auto fail = [](const LocalProxyOptions& opts) {
            LocalProxy proxy(opts);
            QSignalSpy failed(&proxy, &LocalProxy::failed);
            proxy.start();
            return failed.wait(10000) ? qMakePair(proxy.restarts(), proxy.lastError())
                                      : qMakePair(-1, QString());
        };
        LocalProxyOptions opts = options();
        opts.program = m_dir->filePath(QStringLiteral("no-such-proxy"));
        QVERIFY(fail(opts).second.contains(QStringLiteral("could not be started")));

        opts = options();
        opts.extraArguments = {QStringLiteral("--config"), m_dir->filePath(QStringLiteral("missing.conf"))};
        const auto [restarts, reason] = fail(opts);
        QCOMPARE(restarts, 1);
        QVERIFY2(reason.contains(QStringLiteral("status 2")) &&
                     reason.contains(QStringLiteral("cannot read the configuration file")),
                 qPrintable(reason));

        // A child that hangs before it listens is given up on, and ended.
        opts = options();
        opts.program = m_dir->filePath(QStringLiteral("hanging-proxy"));
        QFile script(opts.program);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nexec sleep 30\n");
        script.close();
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
        opts.startTimeout = std::chrono::milliseconds(300);
        opts.maxRestarts = 0;
        LocalProxy hanging(opts);
        QSignalSpy failed(&hanging, &LocalProxy::failed);
        hanging.start();
        QVERIFY(failed.wait(10000));
        QVERIFY(hanging.lastError().contains(QStringLiteral("did not become ready in time")));
        QTRY_COMPARE(hanging.processId(), 0);
    }

    // Requests wait until the proxy can take them: the own proxy has its port,
    // the configured one its token; with the token in the environment, at once.
    // A request that comes before the planned start starts it, once.
    void readyOnceRequestsCanGo() {
        Preferences preferences(m_dir->filePath(QStringLiteral("prefs.ini")));
        FakeSecretStore keyring;
        ProxyConnection own(preferences, &keyring, options(), QProcessEnvironment());
        QVERIFY(!own.isReady());
        QCoro::Task<> waiting = own.untilReady();
        QCOMPARE(own.localProxy()->state(), LocalProxy::State::starting);
        own.start();
        QCoro::waitFor(std::move(waiting));
        QCOMPARE(own.localProxy()->state(), LocalProxy::State::ready);
        QVERIFY(own.config().baseUrl.port() > 0);
        QCOMPARE(own.localProxy()->restarts(), 0);
        own.stop();
        QCoro::waitFor(own.untilReady(std::chrono::milliseconds(1)));
        QCOMPARE(own.localProxy()->state(), LocalProxy::State::stopped); // not brought back by a late request

        preferences.setText(QLatin1String(kProxyBaseUrlKey), QStringLiteral("https://proxy.example"));
        keyring.secrets.insert(QLatin1String(kProxyTokenKey), QStringLiteral("from-the-keyring"));
        ProxyConnection configured(preferences, &keyring, options(), QProcessEnvironment());
        QVERIFY(!configured.isReady());
        QCoro::waitFor(configured.untilReady());
        configured.start();
        QCOMPARE(configured.config().token, QStringLiteral("from-the-keyring"));
        QCOMPARE(keyring.reads, 1);

        QProcessEnvironment environment;
        environment.insert(QLatin1String(kProxyTokenEnv), QStringLiteral("from-the-environment"));
        QVERIFY(ProxyConnection(preferences, &keyring, options(), environment).isReady());
    }

    void explicitAddressStartsNothingAndReadsTheKeyring() {
        // Only an address, by preference or (not blank) in the environment, does without a local proxy.
        Preferences preferences(m_dir->filePath(QStringLiteral("prefs.ini")));
        QProcessEnvironment environment;
        environment.insert(QLatin1String(kProxyUrlEnv), QStringLiteral("  "));
        QVERIFY(LocalProxy::isNeeded(preferences, environment));
        environment.insert(QLatin1String(kProxyUrlEnv), QStringLiteral("https://proxy.example"));
        QVERIFY(!LocalProxy::isNeeded(preferences, environment));
        preferences.setText(QLatin1String(kProxyBaseUrlKey), QStringLiteral("https://proxy.example/base"));
        QVERIFY(!LocalProxy::isNeeded(preferences, QProcessEnvironment()));
        FakeSecretStore keyring;
        keyring.secrets.insert(QLatin1String(kProxyTokenKey), QStringLiteral("from-the-keyring"));
        ProxyConnection connection(preferences, &keyring, options(), QProcessEnvironment());
        QVERIFY(!connection.localProxy());
        connection.start();
        QTRY_COMPARE(connection.config().token, QStringLiteral("from-the-keyring"));
        QCOMPARE(connection.config().baseUrl, QUrl(QStringLiteral("https://proxy.example/base")));

        // The environment's token wins over the keyring.
        environment.insert(QLatin1String(kProxyTokenEnv), QStringLiteral("from-the-environment"));
        ProxyConnection overridden(preferences, &keyring, options(), environment);
        overridden.start();
        QCoreApplication::processEvents();
        QCOMPARE(overridden.config().token, QStringLiteral("from-the-environment"));
    }

    void tokenGoesToTheKeyringOrThePreferences() {
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

private:
    LocalProxyOptions options() const {
        LocalProxyOptions options;
        options.program = QStringLiteral(VORN_PROXY_PROGRAM);
        // Keep the user's own proxy configuration out of it.
        options.environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir->path());
        options.environment.insert(QStringLiteral("HOME"), m_dir->path());
        options.startTimeout = std::chrono::seconds(20);
        return options;
    }
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(LocalProxyTest)
#include "local_proxy_test.moc"
