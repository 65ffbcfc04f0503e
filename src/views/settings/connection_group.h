#pragma once

#include "services/proxy_config.h"

#include <QGroupBox>
#include <QProcessEnvironment>

#include <qcoro/qcorotask.h>

#include <chrono>

class QLabel;
class QLineEdit;
class QNetworkAccessManager;
class QPushButton;
class QTimer;

namespace vorn {

class Preferences;
class ProxyConnection;
class SecretStore;

// What the "Connection" group works with; all owned by the caller and alive
// as long as the group.
struct ConnectionServices {
    Preferences* preferences = nullptr;       // "proxy_base_url", and the token without a keyring
    SecretStore* secrets = nullptr;           // the keyring that keeps the token
    ProxyConnection* connection = nullptr;    // the proxy in use, for testing the built-in one
    QNetworkAccessManager* network = nullptr; // nullptr: the process-wide one
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    std::chrono::milliseconds testTimeout{10'000};
};

// What one GET /healthz came back with.
struct HealthReply {
    QString errorText; // the transport failure, when there was one
    bool timedOut = false;
    int status = 0;
    QByteArray body;
};

struct HealthVerdict {
    bool ok = false;
    QString text;
};

// The line shown under "Test connection" for the answer of `proxy`: "Connected:
// built-in chat, espeak voice", or what went wrong, without the token.
HealthVerdict describeHealth(const ProxyConfig& proxy, const HealthReply& reply);

// The proxy address, its token and a connection test. The address goes into
// the "proxy_base_url" preference (empty: Vorn runs its own vorn-proxy), the
// token into the keyring (the preference file when no keyring runs); both are
// read when Vorn starts.
class ConnectionGroup : public QGroupBox {
    Q_OBJECT

public:
    // The services the app registered with setAppServices(); without them the
    // group shows its fields disabled.
    explicit ConnectionGroup(QWidget* parent = nullptr);
    explicit ConnectionGroup(ConnectionServices services, QWidget* parent = nullptr);
    ~ConnectionGroup() override;

    // What every group built afterwards without explicit services uses.
    static void setAppServices(const ConnectionServices& services);

    // Asks the configured proxy (or the running built-in one) for /healthz
    // and shows the outcome; the button is disabled meanwhile.
    QCoro::Task<> testConnection();

    QLineEdit* addressField() const { return m_address; }
    QLineEdit* tokenField() const { return m_token; }
    QPushButton* testButton() const { return m_test; }
    QLabel* testResult() const { return m_result; }
    // Complaints about the address or where the token went.
    QLabel* notice() const { return m_notice; }

private:
    void storeAddress(bool complain);
    QCoro::Task<> loadToken();
    QCoro::Task<> storeToken();
    void showResult(const HealthVerdict& verdict);
    QCoro::Task<HealthReply> fetchHealth(ProxyConfig proxy);

    ConnectionServices m_services;
    QLineEdit* m_address = nullptr;
    QLineEdit* m_token = nullptr;
    QPushButton* m_test = nullptr;
    QLabel* m_result = nullptr;
    QLabel* m_notice = nullptr;
    QTimer* m_tokenTimer = nullptr;
    bool m_tokenEdited = false;
    bool m_savingToken = false;
    QString m_savedToken;
};

} // namespace vorn
