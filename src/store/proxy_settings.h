#pragma once

#include "services/proxy_config.h"
#include "store/connection_access.h"

#include <QByteArray>
#include <QProcessEnvironment>

#include <chrono>
#include <variant>

class QNetworkAccessManager;

namespace vorn {

class Preferences;
class ProxyConnection;
class SecretStore;

// What one GET /healthz came back with.
struct HealthReply {
    QString errorText; // the transport failure, when there was one
    bool timedOut = false;
    int status = 0;
    QByteArray body;
};

// The line shown under "Test connection" for the answer of `proxy`: "Connected:
// built-in chat, espeak voice", or what went wrong, without the token.
HealthVerdict describeHealth(const ProxyConfig& proxy, const HealthReply& reply);

// What ProxySettings reads besides the preferences and the keyring.
struct ProxySettingsOptions {
    ProxyConnection* connection = nullptr;    // the proxy in use, for testing the built-in one
    QNetworkAccessManager* network = nullptr; // nullptr: the process-wide one
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    std::chrono::milliseconds testTimeout{10'000};
};

// The address goes into the "proxy_base_url" preference, the token into the
// keyring (the preference file when no keyring runs); both are read when Vorn
// starts. `preferences`, `secrets` and the options' connection and network
// must outlive this.
class ProxySettings final : public ConnectionAccess {
public:
    ProxySettings(Preferences& preferences, SecretStore& secrets, ProxySettingsOptions options = {});

    QString proxyAddress() const override;
    void setProxyAddress(const QString& address) override;
    std::optional<QString> addressProblem(const QString& address) const override;
    QCoro::Task<QString> loadToken() override;
    QCoro::Task<bool> saveToken(QString token) override;
    QStringList overridingVariables() const override;
    std::optional<QString> untestableReason(const QString& address, const QString& token) const override;
    QCoro::Task<HealthVerdict> testConnection(QString address, QString token) override;

private:
    // The proxy a test asks, or why there is none.
    std::variant<ProxyConfig, QString> testTarget(const QString& address, const QString& token) const;
    QCoro::Task<HealthReply> fetchHealth(ProxyConfig proxy);

    Preferences& m_preferences;
    SecretStore& m_secrets;
    ProxySettingsOptions m_options;
};

} // namespace vorn
