#pragma once

#include <QString>
#include <QStringList>

#include <qcoro/qcorotask.h>

#include <optional>

namespace vorn {

// What one connection test came to: whether a vorn-proxy answered, and the
// line to show for it.
struct HealthVerdict {
    bool ok = false;
    QString text;
};

// The proxy address and token that Vorn reads when it starts, and a test of
// the proxy they name: what the "Connection" group of the settings works
// with. ProxySettings keeps them in the preferences and the keyring; tests
// may hand the group one of their own.
class ConnectionAccess {
public:
    virtual ~ConnectionAccess() = default;

    // The stored proxy address; empty: Vorn runs its own vorn-proxy.
    virtual QString proxyAddress() const = 0;
    // Keeps `address` for the next start; an empty one is forgotten.
    virtual void setProxyAddress(const QString& address) = 0;
    // Why `address` cannot be the proxy address, or nullopt when it can.
    virtual std::optional<QString> addressProblem(const QString& address) const = 0;

    // The stored token; empty when there is none.
    virtual QCoro::Task<QString> loadToken() = 0;
    // Keeps `token` for the next start: true when the keyring took it, false
    // when it went to the preference file (no keyring runs).
    virtual QCoro::Task<bool> saveToken(QString token) = 0;

    // The environment variables that are set and take precedence over the
    // stored address and token.
    virtual QStringList overridingVariables() const = 0;

    // Why a test of `address` with `token` (an empty address: the proxy in
    // use) has nothing to ask, or nullopt when it has.
    virtual std::optional<QString> untestableReason(const QString& address, const QString& token) const = 0;
    // Asks that proxy whether it is a vorn-proxy and what it runs.
    virtual QCoro::Task<HealthVerdict> testConnection(QString address, QString token) = 0;
};

} // namespace vorn
