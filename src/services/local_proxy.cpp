#include "services/local_proxy.h"

#include "platform/log.h"
#include "platform/preferences.h"

#include <QCoreApplication>
#include <QDir>
#include <QRandomGenerator>
#include <QTimer>

namespace vorn {

namespace {

QString freshToken() {
    QByteArray bytes(32, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
    return QString::fromLatin1(bytes.toHex());
}

} // namespace

LocalProxy::LocalProxy(LocalProxyOptions options, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_startTimer(new QTimer(this)) {
    if (m_options.program.isEmpty())
        m_options.program = defaultProgram();
    m_startTimer->setSingleShot(true);
    connect(m_startTimer, &QTimer::timeout, this, [this] {
        if (m_state != State::starting || !m_process)
            return;
        fail(QCoreApplication::translate("Proxy", "vorn-proxy did not become ready in time."));
        m_process->kill();
    });
}

LocalProxy::~LocalProxy() {
    stop();
}

QString LocalProxy::defaultProgram() {
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vorn-proxy"));
}

bool LocalProxy::isNeeded(const Preferences& preferences, const QProcessEnvironment& environment) {
    if (!environment.value(QLatin1String(kProxyUrlEnv)).trimmed().isEmpty())
        return false;
    return preferences.text(QLatin1String(kProxyBaseUrlKey)).value_or(QString()).trimmed().isEmpty();
}

ProxyConfig LocalProxy::config() const {
    ProxyConfig config;
    config.baseUrl = QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_port));
    config.token = m_token;
    return config;
}

qint64 LocalProxy::processId() const {
    return m_process ? m_process->processId() : 0;
}

void LocalProxy::start() {
    if (m_state == State::starting || m_state == State::ready)
        return;
    m_stopping = false;
    m_restarts = 0;
    launch();
}

void LocalProxy::launch() {
    m_state = State::starting;
    m_token = freshToken();
    m_port = 0;
    m_output.clear();
    m_lastComplaint.clear();

    auto* process = new QProcess(this);
    QProcessEnvironment environment = m_options.environment;
    environment.insert(QLatin1String(kProxyTokenEnv), m_token);
    process->setProcessEnvironment(environment);
    process->setProgram(m_options.program);
    process->setArguments(QStringList{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
                                      QStringLiteral("--print-port"),
                                      QStringLiteral("--exit-on-stdin-close")} +
                          m_options.extraArguments);
    process->setProcessChannelMode(QProcess::SeparateChannels);
    process->setReadChannel(QProcess::StandardOutput);
    connect(process, &QProcess::readyReadStandardOutput, this, [this, process] {
        if (process == m_process)
            readPort();
    });
    // Keep only its latest complaint, not a log that grows for as long as Vorn runs.
    connect(process, &QProcess::readyReadStandardError, this, [this, process] {
        const QString text = QString::fromUtf8(process->readAllStandardError()).trimmed();
        if (!text.isEmpty())
            m_lastComplaint = text.section(QLatin1Char('\n'), -1);
    });
    connect(process, &QProcess::finished, this, [this, process] { childFinished(process); });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            childFinished(process);
    });
    m_process = process;
    qCInfo(lcNet).noquote() << "Starting" << m_options.program;
    m_startTimer->start(m_options.startTimeout);
    process->start();
}

void LocalProxy::readPort() {
    if (m_port != 0)
        return;
    m_output += m_process->readAllStandardOutput();
    const int newline = m_output.indexOf('\n');
    if (newline < 0)
        return;
    bool ok = false;
    const int port = m_output.left(newline).trimmed().toInt(&ok);
    if (!ok || port <= 0 || port > 65535) {
        fail(QCoreApplication::translate("Proxy", "vorn-proxy did not report its port."));
        m_process->kill();
        return;
    }
    m_port = port;
    m_startTimer->stop();
    m_state = State::ready;
    qCInfo(lcNet).noquote() << "vorn-proxy ready on port" << m_port;
    emit ready();
}

void LocalProxy::childFinished(QProcess* process) {
    if (process != m_process)
        return;
    const QString rest = QString::fromUtf8(process->readAllStandardError()).trimmed();
    if (!rest.isEmpty())
        m_lastComplaint = rest.section(QLatin1Char('\n'), -1);
    process->deleteLater();
    m_process = nullptr;
    m_port = 0;
    if (m_stopping)
        return;
    QString why;
    if (process->error() == QProcess::FailedToStart)
        why = QCoreApplication::translate("Proxy", "vorn-proxy could not be started (%1).")
                  .arg(m_options.program);
    else if (process->exitStatus() == QProcess::CrashExit)
        why = QCoreApplication::translate("Proxy", "vorn-proxy stopped unexpectedly.");
    else
        why = QCoreApplication::translate("Proxy", "vorn-proxy exited with status %1. %2")
                  .arg(process->exitCode())
                  .arg(m_lastComplaint);
    qCWarning(lcNet).noquote() << why;
    if (m_restarts < m_options.maxRestarts && process->error() != QProcess::FailedToStart) {
        ++m_restarts;
        launch();
        return;
    }
    fail(why);
}

void LocalProxy::fail(const QString& message) {
    m_state = State::failed;
    m_lastError = message;
    emit failed(message);
}

void LocalProxy::stop() {
    m_stopping = true;
    m_startTimer->stop();
    QProcess* process = m_process;
    m_process = nullptr;
    m_port = 0;
    m_state = State::stopped;
    if (!process)
        return;
    process->disconnect(this);
    if (process->state() != QProcess::NotRunning) {
        // Closing its input asks it to finish; a signal and then a kill if it does not.
        process->closeWriteChannel();
        if (!process->waitForFinished(1500)) {
            process->terminate();
            if (!process->waitForFinished(1000)) {
                process->kill();
                process->waitForFinished(1000);
            }
        }
    }
    delete process;
}

} // namespace vorn
