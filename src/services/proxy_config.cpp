#include "services/proxy_config.h"

#include "platform/preferences.h"

#include <QCoreApplication>
#include <QHostAddress>

#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

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

constexpr qsizetype kMinMaskedLength = 8;
constexpr size_t kWindow = size_t(kMinMaskedLength);

// Case-folded one UTF-16 unit at a time, so positions match the original.
std::u16string folded(const QString& text) {
    std::u16string out;
    out.reserve(size_t(text.size()));
    for (const QChar c : text)
        out.push_back(char16_t(QChar::toCaseFolded(c.unicode())));
    return out;
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
    return scheme == QLatin1String("http") && isLoopback();
}

bool ProxyConfig::isLoopback() const {
    return isLoopbackHost(baseUrl.host());
}

QString ProxyConfig::insecureAddressMessage() const {
    return QCoreApplication::translate("Proxy", "Proxy address must use https: %1")
        .arg(redacted(baseUrl.toString(QUrl::RemoveUserInfo)));
}

QString ProxyConfig::redacted(QString text) const {
    // A token too short to be a real secret would mask ordinary words.
    if (token.size() < kMinMaskedLength || text.size() < kMinMaskedLength)
        return text;

    // Any piece of the token of the minimum length or more is covered by the
    // token's windows of exactly that length, so marking every place where the
    // text holds one of those windows finds every such piece, in any case.
    const std::u16string foldedToken = folded(token);
    std::unordered_set<std::u16string_view> windows;
    for (size_t i = 0; i + kWindow <= foldedToken.size(); ++i)
        windows.insert(std::u16string_view(foldedToken).substr(i, kWindow));

    const std::u16string foldedText = folded(text);
    const std::u16string_view view(foldedText);
    std::vector<char> masked(foldedText.size(), 0);
    for (size_t i = 0; i + kWindow <= view.size(); ++i) {
        if (windows.contains(view.substr(i, kWindow)))
            std::fill_n(masked.begin() + std::ptrdiff_t(i), kWindow, char(1));
    }

    QString out;
    out.reserve(text.size());
    for (size_t i = 0; i < masked.size();) {
        if (!masked[i]) {
            out.append(text.at(qsizetype(i++)));
            continue;
        }
        out.append(QLatin1String("<redacted>"));
        while (i < masked.size() && masked[i])
            ++i;
    }
    return out;
}

} // namespace vorn
