#include "store/proxy_settings.h"

#include "platform/preferences.h"
#include "services/local_proxy.h"
#include "services/network.h"
#include "services/proxy_connection.h"
#include "services/secret_store.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

#include <qcoro/qcoronetworkreply.h>

#include <memory>

namespace vorn {

namespace {

constexpr qint64 kMaxHealthBytes = 64 * 1024;

QString backendName(const QString& backend) {
    if (backend == QLatin1String("builtin"))
        return QCoreApplication::translate("ProxySettings", "built-in");
    if (backend == QLatin1String("openai"))
        return QCoreApplication::translate("ProxySettings", "OpenAI-compatible");
    return backend;
}

} // namespace

HealthVerdict describeHealth(const ProxyConfig& proxy, const HealthReply& reply) {
    const QString address = proxy.baseUrl.toString(QUrl::RemoveUserInfo);
    if (reply.timedOut)
        return {false,
                QCoreApplication::translate("ProxySettings", "No answer from %1 (timed out).").arg(address)};
    if (reply.status == 0)
        return {false, proxy.redacted(QCoreApplication::translate("ProxySettings", "No answer from %1: %2")
                                          .arg(address, reply.errorText))};
    if (reply.status == 401 || reply.status == 403)
        return {false, QCoreApplication::translate("ProxySettings", "The proxy refused the token (%1).")
                           .arg(reply.status)};
    if (reply.status == 404)
        return {false, QCoreApplication::translate("ProxySettings",
                                                   "Something answers at %1, but it is not vorn-proxy (404).")
                           .arg(address)};
    if (reply.status != 200) {
        const QString said =
            QString::fromUtf8(reply.body).trimmed().section(QLatin1Char('\n'), 0, 0).left(200);
        return {
            false,
            proxy.redacted(
                said.isEmpty()
                    ? QCoreApplication::translate("ProxySettings", "The proxy answered %1.").arg(reply.status)
                    : QCoreApplication::translate("ProxySettings", "The proxy answered %1: %2")
                          .arg(reply.status)
                          .arg(said))};
    }
    const QJsonObject health = QJsonDocument::fromJson(reply.body).object();
    const QString chat = health.value(QLatin1String("chat")).toString();
    const QString voice = health.value(QLatin1String("voice")).toString();
    if (chat.isEmpty() || voice.isEmpty())
        return {false, QCoreApplication::translate("ProxySettings",
                                                   "Something answers at %1, but not like vorn-proxy.")
                           .arg(address)};
    return {true, QCoreApplication::translate("ProxySettings", "Connected: %1 chat, %2 voice")
                      .arg(backendName(chat), backendName(voice))};
}

ProxySettings::ProxySettings(Preferences& preferences, SecretStore& secrets, ProxySettingsOptions options)
    : m_preferences(preferences), m_secrets(secrets), m_options(std::move(options)) {}

QString ProxySettings::proxyAddress() const {
    return m_preferences.text(QLatin1String(kProxyBaseUrlKey)).value_or(QString());
}

void ProxySettings::setProxyAddress(const QString& address) {
    const QString key = QLatin1String(kProxyBaseUrlKey);
    if (address.isEmpty())
        m_preferences.remove(key);
    else
        m_preferences.setText(key, address);
}

std::optional<QString> ProxySettings::addressProblem(const QString& text) const {
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return QCoreApplication::translate("ProxySettings",
                                           "Not a proxy address: %1 (for example "
                                           "https://proxy.example.org or http://127.0.0.1:8765)")
            .arg(text);
    ProxyConfig proxy;
    proxy.baseUrl = url;
    if (!proxy.isSecureEnough())
        return proxy.insecureAddressMessage();
    return std::nullopt;
}

QCoro::Task<QString> ProxySettings::loadToken() {
    return loadProxyToken(m_secrets, m_preferences);
}

QCoro::Task<bool> ProxySettings::saveToken(QString token) {
    return saveProxyToken(m_secrets, m_preferences, std::move(token));
}

QStringList ProxySettings::overridingVariables() const {
    QStringList set;
    for (const char* variable : {kProxyUrlEnv, kProxyTokenEnv})
        if (!m_options.environment.value(QLatin1String(variable)).trimmed().isEmpty())
            set.append(QLatin1String(variable));
    return set;
}

std::variant<ProxyConfig, QString> ProxySettings::testTarget(const QString& address,
                                                             const QString& token) const {
    std::optional<ProxyConfig> target;
    QString why =
        QCoreApplication::translate("ProxySettings", "The built-in proxy starts when Vorn next starts.");
    LocalProxy* local = m_options.connection ? m_options.connection->localProxy() : nullptr;
    if (!address.isEmpty()) {
        if (const std::optional<QString> problem = addressProblem(address)) {
            why = *problem;
        } else {
            target.emplace();
            target->baseUrl = QUrl(address);
            target->token = token;
        }
    } else if (local && local->state() == LocalProxy::State::ready) {
        target = local->config();
    } else if (local) {
        why = local->state() == LocalProxy::State::starting
                  ? QCoreApplication::translate("ProxySettings", "The built-in proxy is still starting.")
                  : QCoreApplication::translate("ProxySettings", "The built-in proxy is not running. %1")
                        .arg(local->lastError());
    } else if (m_options.connection &&
               !m_options.environment.value(QLatin1String(kProxyUrlEnv)).trimmed().isEmpty()) {
        target = m_options.connection->config();
    }
    if (target && !target->isSecureEnough()) {
        why = target->insecureAddressMessage();
        target.reset();
    }
    if (!target)
        return why.trimmed();
    target->timeoutMs = static_cast<int>(m_options.testTimeout.count());
    return *target;
}

std::optional<QString> ProxySettings::untestableReason(const QString& address, const QString& token) const {
    const std::variant<ProxyConfig, QString> target = testTarget(address, token);
    if (const QString* why = std::get_if<QString>(&target))
        return *why;
    return std::nullopt;
}

QCoro::Task<HealthVerdict> ProxySettings::testConnection(QString address, QString token) {
    const std::variant<ProxyConfig, QString> target = testTarget(address, token);
    if (const QString* why = std::get_if<QString>(&target))
        co_return HealthVerdict{false, *why};
    const ProxyConfig proxy = std::get<ProxyConfig>(target);
    const HealthReply reply = co_await fetchHealth(proxy);
    co_return describeHealth(proxy, reply);
}

QCoro::Task<HealthReply> ProxySettings::fetchHealth(ProxyConfig proxy) {
    QNetworkAccessManager& network = m_options.network ? *m_options.network : sharedNetworkAccessManager();
    const QNetworkRequest request = proxyRequest(proxy, QStringLiteral("/healthz"));
    const std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> reply(
        network.get(request), [](QNetworkReply* r) { r->deleteLater(); });

    HealthReply out;
    // Ends with this call, so it never fires at a finished reply.
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, reply.get(), [&out, r = reply.get()] {
        out.timedOut = true;
        r->abort();
    });
    deadline.start(proxy.timeoutMs);
    // A health answer is a few bytes; anything far larger is not one.
    QObject::connect(reply.get(), &QNetworkReply::downloadProgress, reply.get(),
                     [r = reply.get()](qint64 got) {
                         if (got > kMaxHealthBytes)
                             r->abort();
                     });
    co_await reply.get();
    out.errorText = reply->errorString();
    out.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->isOpen())
        out.body = reply->read(kMaxHealthBytes);
    co_return out;
}

} // namespace vorn
