#pragma once

#include "services/local_proxy.h"
#include "services/proxy_config.h"

#include <QObject>
#include <QProcessEnvironment>

#include <qcoro/qcorotask.h>

#include <chrono>

#include <memory>

namespace vorn {

class Preferences;
class SecretStore;

// Which proxy Vorn talks to. With an address configured (VORN_PROXY_URL or
// the "proxy_base_url" preference) it is that one, with the token from the
// environment, the keyring or the preference file, and nothing is started.
// Without one, Vorn starts its own vorn-proxy (LocalProxy) and uses it.
class ProxyConnection : public QObject {
    Q_OBJECT
public:
    // `secrets` nullptr: the desktop keyring. Both outlive this object.
    ProxyConnection(const Preferences& preferences, SecretStore* secrets = nullptr,
                    LocalProxyOptions options = {},
                    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment(),
                    QObject* parent = nullptr);
    ~ProxyConnection() override;

    // Starts the local proxy, or looks up the configured proxy's token; once.
    void start();
    // Ends the local proxy, if there is one; nothing starts it again.
    void stop();

    // Where the next request goes.
    ProxyConfig config() const;
    // Returns once requests can go: Vorn's own proxy has answered or given up,
    // or the configured proxy's token has been looked up; at most `limit`.
    // Before that, the own proxy's port is still 0 and a request would fail.
    // Starts what is not started yet (unless stopped).
    QCoro::Task<> untilReady(std::chrono::milliseconds limit = std::chrono::seconds(20));
    bool isReady() const;

    // The local proxy when Vorn runs its own, else nullptr.
    LocalProxy* localProxy() const { return m_local.get(); }

signals:
    void becameReady();

private:
    const Preferences& m_preferences;
    std::unique_ptr<SecretStore> m_ownSecrets;
    SecretStore* m_secrets;
    QProcessEnvironment m_environment;
    std::unique_ptr<LocalProxy> m_local;
    QString m_keyringToken;
    bool m_tokenLookedUp = false;
    bool m_lookingUpToken = false;
    bool m_stopped = false;
};

} // namespace vorn
