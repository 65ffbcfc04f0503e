#pragma once

#include "services/proxy_config.h"

#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <chrono>

class QTimer;

namespace vorn {

class Preferences;

struct LocalProxyOptions {
    // The vorn-proxy program; empty: the one beside the application.
    QString program;
    QStringList extraArguments;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // From starting the child to the line with its port.
    std::chrono::milliseconds startTimeout{10'000};
    int maxRestarts = 1;
};

// The proxy Vorn starts for itself when no proxy address is configured:
// vorn-proxy as a child on 127.0.0.1 with a port of the system's choosing and
// a fresh random token passed through the environment. It is ready once it
// prints its port, which it does only when it listens: connections made from
// then on wait in its queue. No request is made to find that out, so a start
// with nothing to say costs no network machinery. It is restarted once if it
// dies, and ended on stop(). The child also ends by itself when Vorn goes away
// (its standard input closes).
class LocalProxy : public QObject {
    Q_OBJECT
public:
    enum class State { stopped, starting, ready, failed };

    explicit LocalProxy(LocalProxyOptions options = {}, QObject* parent = nullptr);
    ~LocalProxy() override;

    void start();
    // Ends the child (blocking for at most a few seconds), and with it the restarts.
    void stop();

    State state() const { return m_state; }
    // Where requests go: the child's address and token (port 0 until it is up).
    ProxyConfig config() const;
    QString lastError() const { return m_lastError; }
    int restarts() const { return m_restarts; }
    qint64 processId() const;

    // True when neither VORN_PROXY_URL nor the "proxy_base_url" preference names a proxy.
    static bool isNeeded(const Preferences& preferences,
                         const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());
    static QString defaultProgram();

signals:
    void ready();
    void failed(const QString& message);

private:
    void launch();
    void readPort();
    void childFinished(QProcess* process);
    void fail(const QString& message);

    LocalProxyOptions m_options;
    QTimer* m_startTimer = nullptr;
    QPointer<QProcess> m_process;
    State m_state = State::stopped;
    QString m_token;
    int m_port = 0;
    int m_restarts = 0;
    bool m_stopping = false;
    QByteArray m_output;
    QString m_lastError;
    QString m_lastComplaint; // the child's last line on standard error
};

} // namespace vorn
