// Vorn: a planner for one working day, with a boss that pushes you through it.
#include "app/after_first_paint.h"
#include "app/command_line.h"
#include "app/commands.h"
#include "app/instance_handover.h"
#include "app/termination_signals.h"
#include "app/translations.h"
#include "persistence/database_service.h"
#include "platform/clock.h"
#include "platform/data_paths.h"
#include "platform/freed_memory.h"
#include "platform/instance_lock.h"
#include "platform/preferences.h"
#include "platform/random_source.h"
#include "services/audio_output.h"
#include "services/network.h"
#include "services/proxy_connection.h"
#include "services/secret_store.h"
#include "store/proxy_settings.h"
#include "store/task_store.h"
#include "views/desktop/desktop_presence.h"
#include "views/icons.h"
#include "views/main_window.h"
#include "views/readable_colors.h"
#include "views/vorn_style.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QScopeGuard>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <thread>

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "ffmpeg");

    // --export and --import run without a display.
    const bool headless = vorn::isHeadlessCommand(argc, argv);
    std::unique_ptr<QCoreApplication> app = headless ? std::make_unique<QCoreApplication>(argc, argv)
                                                     : std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Vorn"));
    QCoreApplication::setApplicationName(QStringLiteral("Vorn"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VORN_VERSION));
    // The user's language, for the window and the command line alike.
    vorn::installTranslations(*app, QLocale(),
                              vorn::translationFolders(QCoreApplication::applicationDirPath()),
                              QLibraryInfo::path(QLibraryInfo::TranslationsPath));

    // A command says what went wrong in one line of its own; the log's
    // warnings stay for the window (QT_LOGGING_RULES still turns them on).
    if (headless)
        QLoggingCategory::setFilterRules(QStringLiteral("vorn.*.warning=false"));

    const vorn::CommandLine command = vorn::parseCommandLine(QCoreApplication::arguments());
    if (!command.error.isEmpty()) {
        std::fprintf(stderr, "vorn: %s\n%s\n", qUtf8Printable(command.error),
                     qUtf8Printable(QCoreApplication::translate("CommandLine", "Try 'vorn --help'.")));
        return 2;
    }

    const QString dataDirectory = vorn::paths::dataDirectory();
    vorn::paths::ensureDirectory(dataDirectory);
    // One copy per data folder; a second start hands its command to the first.
    vorn::InstanceLock instanceLock(dataDirectory);
    const QString serverName = vorn::handOverServerName(dataDirectory);
    if (!instanceLock.tryLock()) {
        if (const std::optional<int> status = vorn::handOverToRunningCopy(command, serverName, instanceLock))
            return *status;
    }
    if (command.action != vorn::CommandLine::Action::openWindow)
        return vorn::runCommandAlone(command, dataDirectory);

    // fontconfig reads the system's fonts on a thread of its own while the
    // store loads; the window's first text would otherwise wait for it.
    std::jthread readFonts([] { QFontDatabase::families(); });

    // VORN_PALETTE=dark: Fusion in a dark palette, for desktops that give Qt none.
    const bool darkPalette = qEnvironmentVariable("VORN_PALETTE") == QLatin1String("dark");
    QApplication::setStyle(
        new vorn::VornStyle(darkPalette ? QStringLiteral("Fusion") : QApplication::style()->name()));
    if (darkPalette)
        QApplication::setPalette(vorn::readable::dark());
    QApplication::setPalette(vorn::readable::mended(QApplication::palette()));
    QGuiApplication::setDesktopFileName(QStringLiteral(VORN_APP_ID));
    QGuiApplication::setWindowIcon(vorn::bundledIcon(QStringLiteral(VORN_APP_ID)));
    vorn::setBeepHandler(&QApplication::beep);

    // Runs last, after the store and the window have gone: requests still on
    // the way are aborted instead of being left to the application's teardown.
    const auto endNetworkAccess = qScopeGuard(&vorn::shutDownSharedNetworkAccess);
    vorn::SystemClock clock;
    vorn::SystemRandomSource random;
    vorn::Preferences preferences;
    vorn::DatabaseService database(vorn::paths::databasePath(), clock);

    // Words and voice: the configured proxy, else a vorn-proxy of our own (ended on the way out).
    vorn::KeychainSecretStore secrets;
    vorn::ProxyConnection proxyConnection(preferences, &secrets);
    // What the settings' "Connection" group reads and writes.
    vorn::ProxySettings proxySettings(preferences, secrets, {.connection = &proxyConnection});

    vorn::StoreEnvironment env;
    env.proxy = [&proxyConnection] { return proxyConnection.config(); };
    env.proxyReady = [&proxyConnection] { return proxyConnection.untilReady(); };
    env.clock = &clock;
    env.random = &random;
    env.preferences = &preferences;
    env.database = &database;
    vorn::TaskStore store(env);
    if (vorn::LocalProxy* localProxy = proxyConnection.localProxy())
        QObject::connect(localProxy, &vorn::LocalProxy::failed, &store,
                         [&store](const QString& message) { store.setErrorMessage(message); });

    readFonts.join();
    vorn::MainWindow window(store, proxySettings);
    vorn::HandOverServer handOver([&](const vorn::HandOverRequest& request) {
        return vorn::answerHandOver(store, database, &window, request);
    });
    if (!handOver.listen(serverName))
        qWarning().noquote() << "Vorn cannot take requests from a second start:" << handOver.errorString();
    vorn::quitOnTerminationSignals();
    // The tray and desktop notifications; with a tray, closing the window hides it there.
    vorn::DesktopPresence desktop(store, window, vorn::TrayIcon::isTrayAvailable());
    window.setCloseHandler([&desktop] { return desktop.hideToTray(); });
    if (desktop.hasTray())
        window.keepWatchingInBackground();
    // Started at login (--hidden), Vorn stays in the tray until the user asks for the window.
    if (!command.hidden || !desktop.hasTray()) {
        window.show();
        window.activateWindow(); // the keyboard starts on the list, with or without a window manager
    }
    // The proxy (our own child, or the keyring's token for a configured one)
    // is not needed for the first picture: it starts once the window has
    // settled (its activation and the paint that follows), or at the first
    // request that cannot wait for that.
    vorn::runAfterFirstPaint(&window, [&proxyConnection, &database] {
        QTimer::singleShot(std::chrono::milliseconds(300), &proxyConnection, [&proxyConnection, &database] {
            proxyConnection.start();
            // What the start-up read and built is drawn now; what it freed goes back.
            database.releaseCache();
            vorn::returnFreedMemory();
        });
    });
    return QApplication::exec();
}
