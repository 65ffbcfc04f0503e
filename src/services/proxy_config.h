#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QUrl>

namespace vorn {

class Preferences;

// Where the proxy lives and how to authenticate against it. Every chat and
// speech request goes through the proxy; the credential travels as
// "Authorization: Bearer <token>" and is never logged.
struct ProxyConfig {
    static constexpr int defaultTimeoutMs = 60000;

    QUrl baseUrl = defaultBaseUrl();
    QString token;
    // How long a request may take in all, counted from its start.
    int timeoutMs = defaultTimeoutMs;

    // VORN_PROXY_URL / VORN_PROXY_TOKEN when set and not blank, else the
    // preferences "proxy_base_url" / "proxy_token"; the address falls back to
    // http://127.0.0.1:8765 and the token to none.
    static ProxyConfig
    resolve(const Preferences& preferences,
            const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

    static QUrl defaultBaseUrl();

    // The base address with `path` ("/api/…") appended to its own path.
    QUrl endpoint(const QString& path) const;

    // True when a request may go to this address: https, or plain http to a
    // loopback host (127.0.0.0/8, ::1, "localhost").
    bool isSecureEnough() const;
    // True when the host is a loopback one, whatever the scheme.
    bool isLoopback() const;

    // "Proxy address must use https: " followed by the address (without any
    // user information), the failure of a request to an address that is not.
    QString insecureAddressMessage() const;

    // `text` with the token masked wherever it, or any piece of it 8 characters
    // or longer, appears in any letter case, for error texts that might echo it
    // back. Tokens under 8 characters are left alone.
    QString redacted(QString text) const;
};

inline constexpr const char* kProxyBaseUrlKey = "proxy_base_url";
inline constexpr const char* kProxyTokenKey = "proxy_token";
inline constexpr const char* kProxyUrlEnv = "VORN_PROXY_URL";
inline constexpr const char* kProxyTokenEnv = "VORN_PROXY_TOKEN";

} // namespace vorn
