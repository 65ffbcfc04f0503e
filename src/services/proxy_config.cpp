#include "services/proxy_config.h"

#include "platform/preferences.h"

#include <QHostAddress>

namespace vorn {

namespace {

// The environment value when it is set and not blank, else the preference.
QString setting(const QProcessEnvironment& environment, const char* variable, const Preferences& preferences,
                const char* key) {
    const QString fromEnvironment = environment.value(QLatin1String(variable)).trimmed();
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return preferences.text(QLatin1String(key)).value_or(QString()).trimmed();
}

bool isLoopbackHost(const QString& host) {
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    QHostAddress address;
    return address.setAddress(host) && address.isLoopback();
}

} // namespace

QUrl ProxyConfig::defaultBaseUrl() {
    return QUrl(QStringLiteral("http://127.0.0.1:8765"));
}

ProxyConfig ProxyConfig::resolve(const Preferences& preferences, const QProcessEnvironment& environment) {
    ProxyConfig config;
    const QString address = setting(environment, kProxyUrlEnv, preferences, kProxyBaseUrlKey);
    if (!address.isEmpty())
        config.baseUrl = QUrl(address);
    config.token = setting(environment, kProxyTokenEnv, preferences, kProxyTokenKey);
    return config;
}

QUrl ProxyConfig::endpoint(const QString& path) const {
    QUrl url = baseUrl;
    QString basePath = url.path();
    while (basePath.endsWith(QLatin1Char('/')))
        basePath.chop(1);
    url.setPath(basePath + path);
    return url;
}

bool ProxyConfig::isSecureEnough() const {
    if (!baseUrl.isValid() || baseUrl.host().isEmpty())
        return false;
    const QString scheme = baseUrl.scheme().toLower();
    if (scheme == QLatin1String("https"))
        return true;
    return scheme == QLatin1String("http") && isLoopbackHost(baseUrl.host());
}

QString ProxyConfig::insecureAddressMessage() const {
    return QStringLiteral("Proxy address must use https: ") +
           redacted(baseUrl.toString(QUrl::RemoveUserInfo));
}

QString ProxyConfig::redacted(QString text) const {
    // A token too short to be a real secret would mask ordinary words.
    if (token.size() >= 8)
        text.replace(token, QStringLiteral("<redacted>"));
    return text;
}

} // namespace vorn
