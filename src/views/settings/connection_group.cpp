#include "views/settings/connection_group.h"

#include "platform/preferences.h"
#include "services/network.h"
#include "services/proxy_connection.h"
#include "services/secret_store.h"
#include "views/chat/chat_style.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <qcoro/qcoronetworkreply.h>

#include <memory>
#include <optional>

namespace vorn {

namespace {

constexpr qint64 kMaxHealthBytes = 64 * 1024;

ConnectionServices& appServices() {
    static ConnectionServices services;
    return services;
}

QLabel* note(const QString& text = QString()) {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

// Why `text` cannot be stored as the proxy address, or nullopt when it can.
std::optional<QString> addressProblem(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return ConnectionGroup::tr("Not a proxy address: %1 (for example https://proxy.example.org or "
                                   "http://127.0.0.1:8765)")
            .arg(text);
    ProxyConfig proxy;
    proxy.baseUrl = url;
    if (!proxy.isSecureEnough())
        return proxy.insecureAddressMessage();
    return std::nullopt;
}

QString backendName(const QString& backend) {
    if (backend == QLatin1String("builtin"))
        return ConnectionGroup::tr("built-in");
    if (backend == QLatin1String("openai"))
        return ConnectionGroup::tr("OpenAI-compatible");
    return backend;
}

} // namespace

HealthVerdict describeHealth(const ProxyConfig& proxy, const HealthReply& reply) {
    const QString address = proxy.baseUrl.toString(QUrl::RemoveUserInfo);
    if (reply.timedOut)
        return {false, ConnectionGroup::tr("No answer from %1 (timed out).").arg(address)};
    if (reply.status == 0)
        return {false,
                proxy.redacted(ConnectionGroup::tr("No answer from %1: %2").arg(address, reply.errorText))};
    if (reply.status == 401 || reply.status == 403)
        return {false, ConnectionGroup::tr("The proxy refused the token (%1).").arg(reply.status)};
    if (reply.status == 404)
        return {false,
                ConnectionGroup::tr("Something answers at %1, but it is not vorn-proxy (404).").arg(address)};
    if (reply.status != 200) {
        const QString said =
            QString::fromUtf8(reply.body).trimmed().section(QLatin1Char('\n'), 0, 0).left(200);
        return {false,
                proxy.redacted(
                    said.isEmpty()
                        ? ConnectionGroup::tr("The proxy answered %1.").arg(reply.status)
                        : ConnectionGroup::tr("The proxy answered %1: %2").arg(reply.status).arg(said))};
    }
    const QJsonObject health = QJsonDocument::fromJson(reply.body).object();
    const QString chat = health.value(QLatin1String("chat")).toString();
    const QString voice = health.value(QLatin1String("voice")).toString();
    if (chat.isEmpty() || voice.isEmpty())
        return {false, ConnectionGroup::tr("Something answers at %1, but not like vorn-proxy.").arg(address)};
    return {true,
            ConnectionGroup::tr("Connected: %1 chat, %2 voice").arg(backendName(chat), backendName(voice))};
}

ConnectionGroup::ConnectionGroup(QWidget* parent) : ConnectionGroup(appServices(), parent) {}

ConnectionGroup::ConnectionGroup(ConnectionServices services, QWidget* parent)
    : QGroupBox(tr("Connection"), parent), m_services(std::move(services)) {
    setObjectName(QStringLiteral("connectionGroup"));
    m_address = new QLineEdit;
    m_address->setObjectName(QStringLiteral("proxyAddressField"));
    m_address->setPlaceholderText(tr("Built-in (vorn-proxy)"));
    m_token = new QLineEdit;
    m_token->setObjectName(QStringLiteral("proxyTokenField"));
    m_token->setEchoMode(QLineEdit::Password);
    m_token->setPlaceholderText(tr("For a proxy at an address"));
    m_test = new QPushButton(tr("Test connection"));
    m_test->setObjectName(QStringLiteral("testConnectionButton"));
    m_result = note();
    m_result->setObjectName(QStringLiteral("connectionResult"));
    m_notice = note();
    m_notice->setObjectName(QStringLiteral("connectionNotice"));
    m_notice->hide();

    QString hint = tr("Empty: Vorn runs its own proxy. Changes take effect when Vorn next starts.");
    for (const char* variable : {kProxyUrlEnv, kProxyTokenEnv})
        if (!m_services.environment.value(QLatin1String(variable)).trimmed().isEmpty())
            hint += QLatin1Char(' ') + tr("%1 is set and takes precedence.").arg(QLatin1String(variable));
    auto* caption = note(hint);
    QFont small = caption->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    caption->setFont(small);
    QPalette muted = caption->palette();
    muted.setColor(QPalette::WindowText, muted.color(QPalette::PlaceholderText));
    caption->setPalette(muted);

    auto* form = new QFormLayout;
    form->addRow(tr("Proxy address"), m_address);
    form->addRow(tr("Token"), m_token);
    auto* testRow = new QHBoxLayout;
    testRow->addWidget(m_test, 0, Qt::AlignTop);
    testRow->addWidget(m_result, 1);
    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addWidget(m_notice);
    column->addLayout(testRow);
    column->addWidget(caption);

    if (!m_services.preferences || !m_services.secrets) {
        for (QWidget* widget : {static_cast<QWidget*>(m_address), static_cast<QWidget*>(m_token),
                                static_cast<QWidget*>(m_test)})
            widget->setEnabled(false);
        return;
    }
    m_address->setText(m_services.preferences->text(QLatin1String(kProxyBaseUrlKey)).value_or(QString()));
    loadToken();
    // Stored as typed, so closing the window loses nothing; a half-typed
    // address is complained about only once the field is left.
    connect(m_address, &QLineEdit::textEdited, this, [this] { storeAddress(false); });
    connect(m_address, &QLineEdit::editingFinished, this, [this] { storeAddress(true); });
    // The keyring is written once typing pauses, not at every keystroke.
    m_tokenTimer = new QTimer(this);
    m_tokenTimer->setSingleShot(true);
    m_tokenTimer->setInterval(500);
    connect(m_tokenTimer, &QTimer::timeout, this, [this] { storeToken(); });
    connect(m_token, &QLineEdit::textEdited, this, [this] {
        m_tokenEdited = true;
        m_tokenTimer->start();
    });
    connect(m_token, &QLineEdit::editingFinished, this, [this] {
        m_tokenTimer->stop();
        storeToken();
    });
    connect(m_test, &QPushButton::clicked, this, [this] { testConnection(); });
}

ConnectionGroup::~ConnectionGroup() {
    // The fields outlive this part of the object and say editingFinished as
    // they lose focus on the way out; nothing here may answer then.
    disconnect(m_address, nullptr, this, nullptr);
    disconnect(m_token, nullptr, this, nullptr);
    // A token typed just before the window closed is still kept; the save
    // needs nothing of this group.
    const QString token = m_token->text().trimmed();
    if (m_services.secrets && m_services.preferences && m_tokenEdited && token != m_savedToken)
        saveProxyToken(*m_services.secrets, *m_services.preferences, token);
}

void ConnectionGroup::setAppServices(const ConnectionServices& services) {
    appServices() = services;
}

void ConnectionGroup::storeAddress(bool complain) {
    const QString address = m_address->text().trimmed();
    const QString key = QLatin1String(kProxyBaseUrlKey);
    const std::optional<QString> problem = address.isEmpty() ? std::nullopt : addressProblem(address);
    // A bad address stays in the field to be mended; the stored one is kept meanwhile.
    if (complain || !problem) {
        m_notice->setText(problem.value_or(QString()));
        m_notice->setVisible(problem.has_value());
    }
    if (problem)
        return;
    if (address.isEmpty())
        m_services.preferences->remove(key);
    else
        m_services.preferences->setText(key, address);
}

QCoro::Task<> ConnectionGroup::loadToken() {
    const QPointer<ConnectionGroup> self(this);
    const QString token = co_await loadProxyToken(*m_services.secrets, *m_services.preferences);
    if (!self || m_tokenEdited)
        co_return;
    m_savedToken = token;
    m_token->setText(token);
}

QCoro::Task<> ConnectionGroup::storeToken() {
    if (m_savingToken)
        co_return; // the running save picks up the latest text when it is done
    m_savingToken = true;
    const QPointer<ConnectionGroup> self(this);
    SecretStore& secrets = *m_services.secrets;
    Preferences& preferences = *m_services.preferences;
    for (QString token = m_token->text().trimmed(); token != m_savedToken;
         token = m_token->text().trimmed()) {
        const bool inKeyring = co_await saveProxyToken(secrets, preferences, token);
        if (!self)
            co_return;
        m_savedToken = token;
        m_notice->setVisible(!inKeyring);
        m_notice->setText(inKeyring ? QString()
                                    : tr("No keyring is running; the token is kept in the "
                                         "preference file."));
    }
    m_savingToken = false;
}

QCoro::Task<> ConnectionGroup::testConnection() {
    if (!m_test->isEnabled())
        co_return;
    std::optional<ProxyConfig> target;
    QString why = tr("The built-in proxy starts when Vorn next starts.");
    const QString address = m_address->text().trimmed();
    LocalProxy* local = m_services.connection ? m_services.connection->localProxy() : nullptr;
    if (!address.isEmpty()) {
        if (const std::optional<QString> problem = addressProblem(address)) {
            why = *problem;
        } else {
            target.emplace();
            target->baseUrl = QUrl(address);
            target->token = m_token->text().trimmed();
        }
    } else if (local && local->state() == LocalProxy::State::ready) {
        target = local->config();
    } else if (local) {
        why = local->state() == LocalProxy::State::starting
                  ? tr("The built-in proxy is still starting.")
                  : tr("The built-in proxy is not running. %1").arg(local->lastError());
    } else if (m_services.connection &&
               !m_services.environment.value(QLatin1String(kProxyUrlEnv)).trimmed().isEmpty()) {
        target = m_services.connection->config();
    }
    if (target && !target->isSecureEnough()) {
        why = target->insecureAddressMessage();
        target.reset();
    }
    if (!target) {
        showResult({false, why.trimmed()});
        co_return;
    }
    target->timeoutMs = static_cast<int>(m_services.testTimeout.count());

    m_test->setEnabled(false);
    m_result->setPalette(palette());
    m_result->setText(tr("Testing…"));
    const QPointer<ConnectionGroup> self(this);
    const HealthReply reply = co_await fetchHealth(*target);
    if (!self)
        co_return;
    m_test->setEnabled(true);
    showResult(describeHealth(*target, reply));
}

void ConnectionGroup::showResult(const HealthVerdict& verdict) {
    QPalette tinted = palette();
    tinted.setColor(QPalette::WindowText,
                    chat::tintColor(verdict.ok ? chat::Tint::green : chat::Tint::red, palette()));
    m_result->setPalette(tinted);
    m_result->setText(verdict.text);
}

QCoro::Task<HealthReply> ConnectionGroup::fetchHealth(ProxyConfig proxy) {
    QNetworkAccessManager& network = m_services.network ? *m_services.network : sharedNetworkAccessManager();
    QNetworkRequest request(proxy.endpoint(QStringLiteral("/healthz")));
    if (!proxy.token.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + proxy.token.toUtf8());
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
