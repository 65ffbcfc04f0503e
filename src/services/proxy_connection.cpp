#include "services/proxy_connection.h"

#include "platform/preferences.h"
#include "services/secret_store.h"

#include <QPointer>

namespace vorn {

ProxyConnection::ProxyConnection(const Preferences& preferences, SecretStore* secrets,
                                 LocalProxyOptions options, QProcessEnvironment environment, QObject* parent)
    : QObject(parent), m_preferences(preferences), m_secrets(secrets), m_environment(std::move(environment)) {
    if (!m_secrets) {
        m_ownSecrets = std::make_unique<KeychainSecretStore>();
        m_secrets = m_ownSecrets.get();
    }
    if (LocalProxy::isNeeded(m_preferences, m_environment))
        m_local = std::make_unique<LocalProxy>(std::move(options));
}

ProxyConnection::~ProxyConnection() {
    stop();
}

void ProxyConnection::start() {
    if (m_local) {
        m_local->start();
        return;
    }
    if (!m_environment.value(QLatin1String(kProxyTokenEnv)).trimmed().isEmpty())
        return;
    [](QPointer<ProxyConnection> self, SecretStore* secrets,
       const Preferences* preferences) -> QCoro::Task<> {
        const QString token = co_await loadProxyToken(*secrets, *preferences);
        if (self)
            self->m_keyringToken = token;
    }(this, m_secrets, &m_preferences);
}

void ProxyConnection::stop() {
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
