#include "services/proxy_connection.h"

#include "platform/preferences.h"
#include "services/secret_store.h"

#include <QPointer>

#include <qcoro/qcorosignal.h>

namespace vorn {

ProxyConnection::ProxyConnection(const Preferences& preferences, SecretStore* secrets,
                                 LocalProxyOptions options, QProcessEnvironment environment, QObject* parent)
    : QObject(parent), m_preferences(preferences), m_secrets(secrets), m_environment(std::move(environment)) {
    if (!m_secrets) {
        m_ownSecrets = std::make_unique<KeychainSecretStore>();
        m_secrets = m_ownSecrets.get();
    }
    if (LocalProxy::isNeeded(m_preferences, m_environment)) {
        m_local = std::make_unique<LocalProxy>(std::move(options));
        connect(m_local.get(), &LocalProxy::ready, this, &ProxyConnection::becameReady);
        connect(m_local.get(), &LocalProxy::failed, this, &ProxyConnection::becameReady);
    }
    m_tokenLookedUp = !m_local && !m_environment.value(QLatin1String(kProxyTokenEnv)).trimmed().isEmpty();
}

ProxyConnection::~ProxyConnection() {
    stop();
}

void ProxyConnection::start() {
    if (m_local) {
        m_local->start();
        return;
    }
    if (m_tokenLookedUp || m_lookingUpToken)
        return;
    m_lookingUpToken = true;
    [](QPointer<ProxyConnection> self, SecretStore* secrets,
       const Preferences* preferences) -> QCoro::Task<> {
        const QString token = co_await loadProxyToken(*secrets, *preferences);
        if (!self)
            co_return;
        self->m_keyringToken = token;
        self->m_lookingUpToken = false;
        self->m_tokenLookedUp = true;
        emit self->becameReady();
    }(this, m_secrets, &m_preferences);
}

bool ProxyConnection::isReady() const {
    if (m_local)
        return m_local->state() == LocalProxy::State::ready || m_local->state() == LocalProxy::State::failed;
    return m_tokenLookedUp;
}

QCoro::Task<> ProxyConnection::untilReady(std::chrono::milliseconds limit) {
    if (isReady())
        co_return;
    if (!m_stopped)
        start(); // a request that comes before the planned start
    if (isReady())
        co_return;
    co_await qCoro(this, &ProxyConnection::becameReady, limit);
}

void ProxyConnection::stop() {
    m_stopped = true;
    if (m_local)
        m_local->stop();
}

ProxyConfig ProxyConnection::config() const {
    if (m_local)
        return m_local->config();
    ProxyConfig config = ProxyConfig::resolve(m_preferences, m_environment);
    if (m_environment.value(QLatin1String(kProxyTokenEnv)).trimmed().isEmpty() && !m_keyringToken.isEmpty())
        config.token = m_keyringToken;
    return config;
}

} // namespace vorn
