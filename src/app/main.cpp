// Vorn: a planner for one working day, with a boss that pushes you through it.
#include "persistence/database_service.h"
#include "platform/clock.h"
#include "platform/data_paths.h"
#include "platform/instance_lock.h"
#include "platform/preferences.h"
#include "platform/random_source.h"
#include "services/audio_output.h"
#include "store/task_store.h"
#include "views/main_window.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "ffmpeg");

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Vorn"));
    QApplication::setApplicationName(QStringLiteral("Vorn"));
    vorn::setBeepHandler(&QApplication::beep);

    vorn::SystemClock clock;
    vorn::SystemRandomSource random;
    vorn::Preferences preferences;
    vorn::paths::ensureDirectory(vorn::paths::dataDirectory());
    // One copy per data folder: a second one touches nothing.
    vorn::InstanceLock instanceLock(vorn::paths::dataDirectory());
    if (!instanceLock.tryLock()) {
        qCritical().noquote() << QStringLiteral("Vorn is already running");
        return 1;
    }
    vorn::DatabaseService database(vorn::paths::databasePath(), clock);

    vorn::StoreEnvironment env;
    env.clock = &clock;
    env.random = &random;
    env.preferences = &preferences;
    env.database = &database;
    vorn::TaskStore store(env);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &store, [&store] {
        store.persistWorkspace();
        // Never leave the sites blocked behind us; no password prompt on the way out.
        store.shutDownWebsiteBlocking();
    });
    // The boss watches only while the window is in front.
    QObject::connect(&app, &QGuiApplication::applicationStateChanged, &store,
                     [&store](Qt::ApplicationState state) {
                         if (state == Qt::ApplicationActive)
                             store.startBossAI();
                         else
                             store.stopBossAI();
                     });

    vorn::MainWindow window(&store);
    window.show();
    return QApplication::exec();
}
