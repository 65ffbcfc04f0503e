#pragma once

#include <QString>
#include <QtGlobal>

#include <chrono>

namespace vorn {

// Everything the website blocker reads, writes and runs. A default-constructed
// config names the real system; tests point each entry at temporary files and
// stand-in programs.
struct HostsBlockerConfig {
    // How a shell command gets administrator rights after the password dialog.
    enum class AdministratorRunner {
        polkit,      // administratorProgram /bin/sh -c COMMAND
        appleScript, // administratorProgram -e 'do shell script "COMMAND" with administrator privileges …'
    };

    QString hostsFile = QStringLiteral("/etc/hosts");
    QString sudoersFile = QStringLiteral("/etc/sudoers.d/vorn-hosts-helper");
    QString sudo = QStringLiteral("/usr/bin/sudo");
#ifdef Q_OS_MACOS
    QString helperPath = QStringLiteral("/Library/PrivilegedHelperTools/com.vorn.hosts-helper");
    QString rootGroup = QStringLiteral("wheel");
    QString administratorProgram = QStringLiteral("/usr/bin/osascript");
    AdministratorRunner administratorRunner = AdministratorRunner::appleScript;
    QString packagedHelper;
#else
    QString helperPath = QStringLiteral("/usr/local/libexec/vorn/vorn-hosts-helper");
    QString rootGroup = QStringLiteral("root");
    QString administratorProgram = QStringLiteral("/usr/bin/pkexec");
    AdministratorRunner administratorRunner = AdministratorRunner::polkit;
    // Where the distribution package puts the helper. When it is there, owned
    // by `packagedHelperOwner` and writable by nobody else, it is run from
    // there and setting up only writes the sudoers rule.
    QString packagedHelper = QStringLiteral("/usr/libexec/vorn/vorn-hosts-helper");
#endif
    uint packagedHelperOwner = 0;
    // The helper program to install; empty: "vorn-hosts-helper" beside the
    // running program (the build tree while developing), else in
    // ../libexec/vorn/ from it (an installed tree).
    QString bundledHelper;
    // The account the sudoers rule is written for; empty: the one running us.
    QString userName;
    // How long one run of the helper may take before it counts as failed.
    std::chrono::milliseconds helperTimeout{30'000};
    // How long quitting may spend on finishing a helper run and lifting the block.
    std::chrono::milliseconds shutdownTimeout{3'000};
};

} // namespace vorn
