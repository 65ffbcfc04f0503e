// The website blocker: runs the privileged helper through sudo, installs it
// with the administrator runner and keeps enable and disable requests in order.
#include "services/hosts_blocker.h"

#include "hosts_marker.h"
#include "model/default_sites.h"
#include "platform/log.h"
#include "platform/preferences.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <coroutine>
#include <deque>
#include <iterator>
#include <memory>
#include <utility>

#include <pwd.h>
#include <unistd.h>

namespace vorn {

namespace detail {

struct HostsBlockerState {
    HostsBlockerConfig config;
    Preferences* preferences = nullptr;
    bool isBlocking = false;

    // The request queue: one request holds the turn, the others wait in order.
    bool turnTaken = false;
    std::deque<std::coroutine_handle<>> waiting;

    int pendingChanges = 0;
    bool lastChangeEnables = false;

    // The processes started and not yet done; quitting stops them.
    struct Running {
        QProcess* process;
        bool waitsForUser; // the password dialog: not worth waiting for at quit
    };
    QList<Running> running;
    // Set once on the way out: no request starts or changes anything after it.
    bool shutDown = false;
};

} // namespace detail

using detail::HostsBlockerState;
using State = std::shared_ptr<HostsBlockerState>;
using Outcome = HostsBlocker::Outcome;
using Kind = HostsBlockerError::Kind;

namespace {

QString installPrompt() {
    return QCoreApplication::translate(
        "HostsBlocker",
        "Vorn needs your password once to set up website blocking. After this, Demon Mode won't ask "
        "again.");
}

// The turn of the request queue, held for as long as a request runs; it passes
// to the next waiting request when dropped.
class Turn {
public:
    explicit Turn(HostsBlockerState* state) : m_state(state) {}
    Turn(Turn&& other) noexcept : m_state(std::exchange(other.m_state, nullptr)) {}
    Turn(const Turn&) = delete;
    Turn& operator=(const Turn&) = delete;
    Turn& operator=(Turn&&) = delete;

    ~Turn() {
        if (!m_state)
            return;
        if (m_state->waiting.empty()) {
            m_state->turnTaken = false;
            return;
        }
        const std::coroutine_handle<> next = m_state->waiting.front();
        m_state->waiting.pop_front();
        // From the event loop, not from inside the request that is ending.
        QTimer::singleShot(0, [next] { next.resume(); });
    }

private:
    HostsBlockerState* m_state;
};

struct TakeTurn {
    HostsBlockerState* state;

    bool await_ready() {
        if (state->turnTaken)
            return false;
        state->turnTaken = true;
        return true;
    }
    void await_suspend(std::coroutine_handle<> waiter) { state->waiting.push_back(waiter); }
    Turn await_resume() { return Turn(state); }
};

// Counts an enable or disable request from the moment it is made until it ends.
class PendingChange {
public:
    PendingChange(HostsBlockerState* state, bool enables) : m_state(state) {
        ++m_state->pendingChanges;
        m_state->lastChangeEnables = enables;
    }
    PendingChange(const PendingChange&) = delete;
    PendingChange& operator=(const PendingChange&) = delete;
    ~PendingChange() { --m_state->pendingChanges; }

private:
    HostsBlockerState* m_state;
};

struct ProcessResult {
    int status = -1; // -1: not launched, crashed or out of time
    QByteArray standardError;
};

// Suspends until the process has stopped running (finished, crashed or never
// started) or `timeout` has passed; gives whether it stopped. A negative
// timeout waits for as long as it takes.
class ProcessStopped {
public:
    ProcessStopped(QProcess* process, std::chrono::milliseconds timeout)
        : m_process(process), m_timeout(timeout) {}

    bool await_ready() const { return m_process->state() == QProcess::NotRunning; }
    void await_suspend(std::coroutine_handle<> waiter) {
        m_waiter = waiter;
        m_watch = std::make_unique<QObject>();
        QObject::connect(m_process, &QProcess::stateChanged, m_watch.get(),
                         [this](QProcess::ProcessState state) {
                             if (state == QProcess::NotRunning)
                                 wake(true);
                         });
        if (m_timeout.count() >= 0)
            QTimer::singleShot(m_timeout, m_watch.get(), [this] { wake(false); });
    }
    bool await_resume() const { return m_stopped; }

private:
    void wake(bool stopped) {
        if (m_woken)
            return;
        m_woken = true;
        m_stopped = stopped;
        // From a fresh event, once the process has finished its reports.
        QTimer::singleShot(0, [waiter = m_waiter] { waiter.resume(); });
    }

    QProcess* m_process;
    std::chrono::milliseconds m_timeout;
    std::coroutine_handle<> m_waiter;
    std::unique_ptr<QObject> m_watch; // ends both connections with the awaiter
    bool m_woken = false;
    bool m_stopped = true;
};

// Registers a running process with the state for as long as it lives.
class RunningProcess {
public:
    RunningProcess(State s, QProcess* process, bool waitsForUser)
        : m_state(std::move(s)), m_process(process) {
        m_state->running.append({process, waitsForUser});
    }
    RunningProcess(const RunningProcess&) = delete;
    RunningProcess& operator=(const RunningProcess&) = delete;
    ~RunningProcess() {
        m_state->running.removeIf(
            [this](const HostsBlockerState::Running& r) { return r.process == m_process; });
    }

private:
    State m_state;
    QProcess* m_process;
};

// Ends `process` by SIGTERM (which sudo passes on to the helper), then SIGKILL.
void stopProcess(QProcess* process) {
    if (process->state() == QProcess::NotRunning)
        return;
    process->terminate();
    if (!process->waitForFinished(500)) {
        process->kill();
        process->waitForFinished(500);
    }
}

QCoro::Task<ProcessResult> runProcess(State s, QString program, QStringList arguments, QByteArray input,
                                      std::chrono::milliseconds timeout, bool waitsForUser = false) {
    if (s->shutDown)
        co_return ProcessResult{};
    QProcess process;
    const RunningProcess registered(s, &process, waitsForUser);
    process.setProgram(program);
    process.setArguments(arguments);
    process.start(QIODevice::ReadWrite);
    process.write(input);
    process.closeWriteChannel();

    const bool stopped = co_await ProcessStopped(&process, timeout);
    if (!stopped) {
        process.kill();
        process.waitForFinished(1000);
        co_return ProcessResult{};
    }
    ProcessResult result;
    result.standardError = process.readAllStandardError();
    if (process.error() != QProcess::FailedToStart && process.exitStatus() == QProcess::NormalExit)
        result.status = process.exitCode();
    co_return result;
}

QByteArray helperInput(const QStringList& sites) {
    return (sites.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
}

QStringList helperArguments(const HostsBlockerConfig& config, const QString& command) {
    return {QStringLiteral("-n"), config.helperPath, command};
}

// The sudoers file may sit in a folder we cannot search (mode 0750); then only
// the sudo probe can tell.
bool sudoersRuleMayExist(const QString& path) {
    const QFileInfo file(path);
    if (file.exists())
        return true;
    const QFileInfo folder(file.absolutePath());
    return folder.isDir() && !folder.isExecutable();
}

bool helperFilesPresent(const HostsBlockerConfig& config) {
    const QFileInfo helper(config.helperPath);
    return helper.isFile() && helper.isExecutable() && sudoersRuleMayExist(config.sudoersFile);
}

QCoro::Task<bool> helperInstalled(State s) {
    if (!helperFilesPresent(s->config))
        co_return false;
    const ProcessResult probe =
        co_await runProcess(s, s->config.sudo, helperArguments(s->config, QStringLiteral("disable")), {},
                            s->config.helperTimeout);
    co_return probe.status == 0;
}

// The failure of a helper run that ended with `status` (-1: it did not launch,
// crashed or ran out of time).
HostsBlockerError helperFailed(int status) {
    return HostsBlockerError::privilegedCommandFailed(
        QCoreApplication::translate("HostsBlocker", "Helper exited with code %1").arg(status));
}

QCoro::Task<Outcome> runHelper(State s, QString command, QStringList sites) {
    const QByteArray input = command == QLatin1String("enable") ? helperInput(sites) : QByteArray();
    const ProcessResult run = co_await runProcess(s, s->config.sudo, helperArguments(s->config, command),
                                                  input, s->config.helperTimeout);
    if (run.status == 0)
        co_return Outcome(std::monostate());
    co_return helperFailed(run.status);
}

QString lastLine(const QByteArray& text) {
    const QStringList lines = QString::fromUtf8(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        if (!line->trimmed().isEmpty())
            return line->trimmed();
    }
    return {};
}

QCoro::Task<Outcome> runWithAdministrator(State s, QString command, QString prompt) {
    const QFileInfo runner(s->config.administratorProgram);
    if (!runner.isFile() || !runner.isExecutable())
        co_return HostsBlockerError::of(Kind::scriptCreationFailed);
    const ProcessResult run = co_await runProcess(
        s, s->config.administratorProgram,
        HostsBlocker::administratorArguments(s->config.administratorRunner, command, prompt), {},
        std::chrono::milliseconds(-1), /*waitsForUser=*/true); // someone is typing a password
    if (run.status == 0)
        co_return Outcome(std::monostate());
    const QString message = lastLine(run.standardError);
    co_return HostsBlockerError::privilegedCommandFailed(
        message.isEmpty() ? QCoreApplication::translate("HostsBlocker", "Unknown error") : message);
}

QString currentUserName() {
    if (const passwd* account = ::getpwuid(::geteuid()))
        return QString::fromLocal8Bit(account->pw_name);
    return {};
}

// Words that go into the sudoers rule unescaped.
bool isPlainSudoersWord(const QString& word, const QRegularExpression& allowed) {
    return !word.isEmpty() && allowed.match(word).hasMatch();
}

bool canWriteSudoersRule(const HostsBlockerConfig& config, const QString& user) {
    static const QRegularExpression name(QStringLiteral("^[A-Za-z0-9_][A-Za-z0-9._-]*$"));
    static const QRegularExpression path(QStringLiteral("^/[A-Za-z0-9/._+-]*$"));
    return isPlainSudoersWord(user, name) && isPlainSudoersWord(config.helperPath, path) &&
           isPlainSudoersWord(config.sudoersFile, path);
}

// Only root (the owner) may change the packaged helper or its folder: sudo
// runs it as root without a password.
bool onlyOwnerWrites(const QFileInfo& info, uint owner) {
    return info.ownerId() == owner &&
           !(info.permissions() & (QFileDevice::WriteGroup | QFileDevice::WriteOther));
}

bool isTrustedPackagedHelper(const HostsBlockerConfig& config) {
    if (config.packagedHelper.isEmpty())
        return false;
    const QFileInfo helper(config.packagedHelper);
    return helper.isFile() && !helper.isSymLink() && helper.isExecutable() &&
           onlyOwnerWrites(helper, config.packagedHelperOwner) &&
           onlyOwnerWrites(QFileInfo(helper.absolutePath()), config.packagedHelperOwner);
}

bool usesPackagedHelper(const HostsBlockerConfig& config) {
    return !config.packagedHelper.isEmpty() && config.helperPath == config.packagedHelper;
}

std::optional<QString> findBundledHelper(const HostsBlockerConfig& config) {
    if (usesPackagedHelper(config))
        return config.packagedHelper;
    const QString appDir = QCoreApplication::applicationDirPath();
    const QStringList candidates =
        !config.bundledHelper.isEmpty()
            ? QStringList{config.bundledHelper}
            : QStringList{appDir + QStringLiteral("/vorn-hosts-helper"),
                          appDir + QStringLiteral("/../libexec/vorn/vorn-hosts-helper")};
    for (const QString& path : candidates) {
        if (QFileInfo(path).isFile())
            return QFileInfo(path).absoluteFilePath();
    }
    return std::nullopt;
}

QCoro::Task<Outcome> install(State s) {
    const std::optional<QString> bundled = findBundledHelper(s->config);
    if (!bundled)
        co_return HostsBlockerError::of(Kind::helperNotBundled);
    const QString user = s->config.userName.isEmpty() ? currentUserName() : s->config.userName;
    if (!canWriteSudoersRule(s->config, user)) {
        qCWarning(lcHosts).noquote() << "Cannot write a sudoers rule for user" << user << "and helper"
                                     << s->config.helperPath;
        co_return HostsBlockerError::of(Kind::helperInstallFailed);
    }

    // A packaged helper is already in place: only the rule is written.
    const QString command =
        HostsBlocker::installCommand(s->config, usesPackagedHelper(s->config) ? QString() : *bundled, user);
    const Outcome ran = co_await runWithAdministrator(s, command, installPrompt());
    if (!ran.ok())
        co_return ran;
    const bool installed = co_await helperInstalled(s);
    if (!installed)
        co_return HostsBlockerError::of(Kind::helperInstallFailed);
    if (s->preferences)
        s->preferences->setFlag(QString::fromLatin1(kHostsHelperInstalledKey), true);
    co_return Outcome(std::monostate());
}

// Makes sure the helper is installed (asking for the password when it is not)
// and runs `command` with it.
QCoro::Task<Outcome> installAndRunHelper(State s, QString command, QStringList sites) {
    const bool installed = co_await helperInstalled(s);
    if (!installed) {
        const Outcome set = co_await install(s);
        if (!set.ok())
            co_return set;
    }
    co_return co_await runHelper(s, command, sites);
}

// Whether the hosts file holds a block, by the helper's own rule. Anything but
// a regular file (a FIFO would block the read) counts as empty.
bool containsBlock(const HostsBlockerConfig& config) {
    if (!QFileInfo(config.hostsFile).isFile())
        return false;
    QFile file(config.hostsFile);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = file.readAll();
    return hostsblock::containsBlockMarker(
        std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
}

void logFailure(bool enabling, const HostsBlockerError& error) {
    qCWarning(lcHosts).noquote() << QStringLiteral("HostsBlocker %1 failed: ")
                                            .arg(enabling ? QLatin1String("enable")
                                                          : QLatin1String("disable")) +
                                        error.description();
}

// The end of an enable (`enabling`) or disable request once the helper has
// run: the block is believed in force as the request asked, or the failure is
// logged and nothing is believed changed. After quitting began, nothing.
void settle(HostsBlockerState& s, const Outcome& done, bool enabling) {
    if (s.shutDown)
        return;
    if (!done.ok()) {
        logFailure(enabling, done.error());
        return;
    }
    s.isBlocking = enabling;
}

QCoro::Task<> enableRequest(State s, QStringList sites) {
    const PendingChange change(s.get(), true);
    const Turn turn = co_await TakeTurn{s.get()};
    if (s->shutDown || s->isBlocking)
        co_return;
    if (containsBlock(s->config)) {
        s->isBlocking = true;
        co_return;
    }
    const Outcome done = co_await installAndRunHelper(s, QStringLiteral("enable"), sites);
    settle(*s, done, true);
}

QCoro::Task<> disableRequest(State s, bool promptForAdmin) {
    const PendingChange change(s.get(), false);
    const Turn turn = co_await TakeTurn{s.get()};
    if (s->shutDown || (!s->isBlocking && !containsBlock(s->config)))
        co_return;
    const bool installed = co_await helperInstalled(s);
    if (s->shutDown)
        co_return;
    if (!installed && !promptForAdmin) {
        // Nothing can lift the block without a password; forget it.
        s->isBlocking = false;
        co_return;
    }
    Outcome done = std::monostate();
    if (installed)
        done = co_await runHelper(s, QStringLiteral("disable"), {});
    else
        done = co_await installAndRunHelper(s, QStringLiteral("disable"), {});
    settle(*s, done, false);
}

QCoro::Task<Outcome> installRequest(State s) {
    const Turn turn = co_await TakeTurn{s.get()};
    co_return co_await install(s);
}

QCoro::Task<bool> probeRequest(State s) {
    const Turn turn = co_await TakeTurn{s.get()};
    if (s->shutDown || !helperFilesPresent(s->config))
        co_return false;
    const bool installed = co_await helperInstalled(s);
    if (s->shutDown || !installed)
        co_return false;
    if (s->preferences)
        s->preferences->setFlag(QString::fromLatin1(kHostsHelperInstalledKey), true);
    // The probe ran "disable": whatever block there was is gone now.
    s->isBlocking = containsBlock(s->config);
    co_return true;
}

// Lifts the block on the way out, by sudo without a password, within `deadline`.
void liftBlockBefore(HostsBlockerState& s, const QDeadlineTimer& deadline) {
    if (!s.isBlocking && !containsBlock(s.config))
        return;
    if (!helperFilesPresent(s.config)) {
        // Nothing can lift it without a password; forget it.
        s.isBlocking = false;
        return;
    }
    QProcess disable;
    disable.start(s.config.sudo, helperArguments(s.config, QStringLiteral("disable")));
    disable.closeWriteChannel();
    const int wait = static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0));
    if (!disable.waitForFinished(wait)) {
        stopProcess(&disable);
        logFailure(false, helperFailed(-1));
        return;
    }
    const bool ok = disable.error() != QProcess::FailedToStart &&
                    disable.exitStatus() == QProcess::NormalExit && disable.exitCode() == 0;
    if (ok)
        s.isBlocking = false;
    else
        logFailure(false, helperFailed(disable.exitCode()));
}

} // namespace

QString HostsBlockerError::description() const {
    // What the user reads for each kind of failure; only the first names a reason.
    static constexpr std::pair<Kind, const char*> kTexts[] = {
        {Kind::privilegedCommandFailed, QT_TRANSLATE_NOOP("HostsBlocker", "Website blocking failed: %1")},
        {Kind::scriptCreationFailed, QT_TRANSLATE_NOOP("HostsBlocker", "Could not run privileged command.")},
        {Kind::helperNotBundled,
         QT_TRANSLATE_NOOP("HostsBlocker", "Website blocking helper is missing from the app bundle.")},
        {Kind::helperInstallFailed,
         QT_TRANSLATE_NOOP("HostsBlocker",
                           "Website blocking setup did not complete. Try again from Settings.")},
    };
    const auto* entry = std::find_if(std::begin(kTexts), std::end(kTexts),
                                     [this](const auto& text) { return text.first == kind; });
    if (entry == std::end(kTexts))
        return {};
    const QString text = QCoreApplication::translate("HostsBlocker", entry->second);
    return kind == Kind::privilegedCommandFailed ? text.arg(message) : text;
}

HostsBlocker::HostsBlocker(HostsBlockerConfig config, Preferences* preferences)
    : d(std::make_shared<HostsBlockerState>()) {
    d->config = std::move(config);
    if (isTrustedPackagedHelper(d->config))
        d->config.helperPath = d->config.packagedHelper;
    d->preferences = preferences;
}

const HostsBlockerConfig& HostsBlocker::config() const {
    return d->config;
}

QStringList HostsBlocker::defaultSites() {
    return defaultBlockedSitesText().split(QLatin1Char('\n'));
}

bool HostsBlocker::isBlocking() const {
    return d->isBlocking;
}

bool HostsBlocker::willBeBlocking() const {
    return d->pendingChanges > 0 ? d->lastChangeEnables : d->isBlocking;
}

int HostsBlocker::pendingRequests() const {
    return d->pendingChanges;
}

void HostsBlocker::readBlockState() {
    d->isBlocking = hostsFileContainsBlock();
}

QCoro::Task<> HostsBlocker::enable(QStringList sites) {
    return enableRequest(d, std::move(sites));
}

QCoro::Task<> HostsBlocker::disable(bool promptForAdmin) {
    return disableRequest(d, promptForAdmin);
}

QCoro::Task<HostsBlocker::Outcome> HostsBlocker::installHelper() {
    return installRequest(d);
}

bool HostsBlocker::isHelperInstalled() const {
    return helperFilesPresent(d->config);
}

QCoro::Task<bool> HostsBlocker::probeHelper() {
    return probeRequest(d);
}

void HostsBlocker::shutDown() {
    HostsBlockerState& s = *d;
    if (s.shutDown)
        return;
    s.shutDown = true;
    const QDeadlineTimer deadline(s.config.shutdownTimeout);
    // A helper run already under way may finish within half the time; a
    // password dialog is closed at once. Queued requests see the flag and end.
    const QDeadlineTimer finishBy(s.config.shutdownTimeout / 2);
    for (const HostsBlockerState::Running& running : QList(s.running)) {
        if (!running.waitsForUser)
            running.process->waitForFinished(static_cast<int>(std::max<qint64>(finishBy.remainingTime(), 0)));
        stopProcess(running.process);
    }
    liftBlockBefore(s, deadline);
}

bool HostsBlocker::isShutDown() const {
    return d->shutDown;
}

bool HostsBlocker::hostsFileContainsBlock() const {
    return containsBlock(d->config);
}

std::optional<QString> HostsBlocker::bundledHelperPath() const {
    return findBundledHelper(d->config);
}

QString HostsBlocker::shellQuoted(const QString& text) {
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString HostsBlocker::installCommand(const HostsBlockerConfig& config, const QString& bundledHelper,
                                     const QString& user) {
    const QString helper = shellQuoted(config.helperPath);
    const QString rule =
        QStringLiteral("%1 ALL=(root) NOPASSWD: %2 enable, %2 disable").arg(user, config.helperPath);
    // The rule is checked under a name sudo does not read (it has a dot) and
    // only then moved into place, so a bad rule never breaks sudo.
    const QString sudoers = shellQuoted(config.sudoersFile);
    const QString draft = shellQuoted(config.sudoersFile + QStringLiteral(".new"));
    const QString writeRule = QStringLiteral("printf '%s\\n' ") + shellQuoted(rule) + QStringLiteral(" > ") +
                              draft + QStringLiteral(" && chmod 440 ") + draft +
                              QStringLiteral(" && visudo -cf ") + draft + QStringLiteral(" && mv ") + draft +
                              QLatin1Char(' ') + sudoers + QStringLiteral(" || { rm -f ") + draft +
                              QStringLiteral("; exit 1; }");
    if (bundledHelper.isEmpty())
        return writeRule;
    return QStringLiteral("mkdir -p ") + shellQuoted(QFileInfo(config.helperPath).path()) +
           QStringLiteral(" && cp ") + shellQuoted(bundledHelper) + QLatin1Char(' ') + helper +
           QStringLiteral(" && chown root:") + config.rootGroup + QLatin1Char(' ') + helper +
           QStringLiteral(" && chmod 755 ") + helper + QStringLiteral(" && ") + writeRule;
}

QStringList HostsBlocker::administratorArguments(HostsBlockerConfig::AdministratorRunner runner,
                                                 const QString& command, const QString& prompt) {
    if (runner == HostsBlockerConfig::AdministratorRunner::polkit)
        return {QStringLiteral("/bin/sh"), QStringLiteral("-c"), command};
    const auto escaped = [](QString text) {
        text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
        text.replace(QLatin1Char('"'), QStringLiteral("\\\""));
        return text;
    };
    return {QStringLiteral("-e"), QStringLiteral("do shell script \"") + escaped(command) +
                                      QStringLiteral("\" with administrator privileges with prompt \"") +
                                      escaped(prompt) + QLatin1Char('"')};
}

} // namespace vorn
