#pragma once

#include "hosts_marker.h"
#include "platform/result.h"
#include "services/hosts_blocker_config.h"

#include <QString>
#include <QStringList>

#include <qcoro/qcorotask.h>

#include <memory>
#include <optional>
#include <variant>

namespace vorn {

class Preferences;

inline constexpr const char* kHostsBlockMarker = hostsblock::kStartMarkerText; // a whole line
inline constexpr const char* kHostsHelperInstalledKey = "vorn_hosts_helper_installed";

// Why installing or running the privileged helper failed. description() is the
// text shown to the user (and logged by enable and disable).
struct HostsBlockerError {
    enum class Kind {
        privilegedCommandFailed, // carries the runner's message or the helper's exit code
        scriptCreationFailed,    // no way to ask for administrator rights
        helperNotBundled,        // no helper program to install
        helperInstallFailed,     // the set-up ran but the helper still does not answer
    };

    Kind kind = Kind::privilegedCommandFailed;
    QString message; // privilegedCommandFailed

    QString description() const;

    static HostsBlockerError privilegedCommandFailed(QString message) {
        return {Kind::privilegedCommandFailed, std::move(message)};
    }
    static HostsBlockerError of(Kind kind) { return {kind, {}}; }

    bool operator==(const HostsBlockerError&) const = default;
};

namespace detail {
struct HostsBlockerState;
}

// Blocks websites through the hosts file, by way of the privileged helper
// program run with "sudo -n". enable and disable requests run one after
// another in the order they were made, so a quick change of mode cannot leave
// the file in the wrong state. Copies share one state. Main thread only.
//
// A request outlives the blocker that started it; `preferences` must outlive
// every request.
class HostsBlocker {
public:
    using Outcome = Result<std::monostate, HostsBlockerError>;

    explicit HostsBlocker(HostsBlockerConfig config = {}, Preferences* preferences = nullptr);

    const HostsBlockerConfig& config() const;

    // The sixteen sites blocked while the user's list is empty.
    static QStringList defaultSites();

    // Whether a block is believed to be in force.
    bool isBlocking() const;
    // Whether a block will be in force once the queued requests have run, as
    // far as can be told now.
    bool willBeBlocking() const;
    // enable and disable requests that have not finished yet.
    int pendingRequests() const;
    // isBlocking = whether the hosts file holds a block marker line (at start).
    void readBlockState();

    // Blocks `sites`, installing the helper first when it is missing (which
    // asks for the administrator password). Failures are logged, never reported.
    QCoro::Task<> enable(QStringList sites);
    // Lifts the block. Without the helper it installs it first when
    // `promptForAdmin`, else it only forgets the block. Failures are logged.
    QCoro::Task<> disable(bool promptForAdmin);
    // Copies the helper to its system place and writes the sudoers rule, after
    // the administrator password dialog; then records the installation in the
    // preferences.
    QCoro::Task<Outcome> installHelper();

    // Whether the helper and its sudoers rule look installed, from the files
    // alone (a rule in a folder we cannot read counts as there). Runs nothing.
    bool isHelperInstalled() const;
    // Whether sudo runs the helper without a password, asked in turn with the
    // other requests. The probe runs the helper's "disable", so it also lifts
    // a block; isBlocking follows. On success the installation is recorded in
    // the preferences.
    QCoro::Task<bool> probeHelper();
    // On the way out: lets a helper run under way finish (or stops it when it
    // takes too long, and closes a password dialog), drops the queued requests
    // and lifts the block with sudo, never asking for a password; all within
    // config().shutdownTimeout. No request does anything afterwards.
    void shutDown();
    bool isShutDown() const;
    // Whether the hosts file holds a block marker line; anything but a regular file holds none.
    bool hostsFileContainsBlock() const;
    // The helper program that installHelper copies (or the packaged one it
    // sets up in place), if it exists.
    std::optional<QString> bundledHelperPath() const;

    // The shell command that installs `bundledHelper` and the sudoers rule for
    // `user`; with no `bundledHelper` (a packaged helper), the rule only.
    static QString installCommand(const HostsBlockerConfig& config, const QString& bundledHelper,
                                  const QString& user);
    // The arguments of the administrator program for `command`.
    static QStringList administratorArguments(HostsBlockerConfig::AdministratorRunner runner,
                                              const QString& command, const QString& prompt);
    // `text` between single quotes for the shell.
    static QString shellQuoted(const QString& text);

private:
    std::shared_ptr<detail::HostsBlockerState> d;
};

} // namespace vorn
