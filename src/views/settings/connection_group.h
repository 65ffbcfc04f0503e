#pragma once

#include "store/connection_access.h"

#include <QGroupBox>

#include <qcoro/qcorotask.h>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace vorn {

// The proxy address, its token and a connection test, kept through `access`
// (which must outlive the group) for Vorn to read when it starts.
class ConnectionGroup : public QGroupBox {
    Q_OBJECT

public:
    explicit ConnectionGroup(ConnectionAccess& access, QWidget* parent = nullptr);
    ~ConnectionGroup() override;

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

    ConnectionAccess& m_access;
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
