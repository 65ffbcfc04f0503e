#include "bench_day.h"

#include "services/proxy_config.h"

namespace vorn::bench {

QList<QUuid> fillDay(TaskStore& store, qsizetype taskCount) {
    const QUuid root = *store.outline().rootSectionID();
    QList<TaskSection> sections{store.outline().sections().first()};
    QList<TaskItem> tasks;
    QList<QUuid> folders;
    for (qsizetype s = 0; s < taskCount / kTasksPerFolder; ++s) {
        const TaskSection folder{newUuid(), QStringLiteral("Folder %1").arg(s), root, int(s), std::nullopt};
        sections.append(folder);
        folders.append(folder.id);
        for (int t = 0; t < kTasksPerFolder; ++t) {
            TaskItem task;
            task.id = newUuid();
            task.title = QStringLiteral("Task %1.%2 with a title of ordinary length").arg(s).arg(t);
            task.durationMinutes = 5 + (t % 7) * 5;
            task.sectionID = folder.id;
            tasks.append(task);
        }
    }
    store.outline().setSections(sections);
    store.outline().setTasks(tasks);
    store.outline().setRootOutlineOrder(store.outline().computeOutlineOrderSnapshot());
    store.outline().ensureTasksInDisplayOrder();
    store.outline().recalculateFinishTimes();
    store.persistWorkspace();
    return folders;
}

BenchDay::BenchDay(qsizetype taskCount) {
    prefs = std::make_unique<Preferences>(dir.path() + QStringLiteral("/settings.ini"));
    db = std::make_unique<DatabaseService>(dir.path() + QStringLiteral("/vorn.sqlite"), clock);
    store = startStore();
    if (taskCount > 0)
        folders = fillDay(*store, taskCount);
}

std::unique_ptr<TaskStore> BenchDay::startStore() {
    StoreEnvironment env;
    env.clock = &clock;
    env.random = &random;
    env.preferences = prefs.get();
    env.database = db.get();
    env.proxy = [] {
        ProxyConfig config;
        config.baseUrl = QUrl(QStringLiteral("http://127.0.0.1:1"));
        return config;
    };
    env.hostsBlocker.hostsFile = dir.filePath(QStringLiteral("hosts"));
    env.hostsBlocker.sudoersFile = dir.filePath(QStringLiteral("sudoers"));
    env.hostsBlocker.helperPath = dir.filePath(QStringLiteral("installed-helper"));
    env.hostsBlocker.bundledHelper = dir.filePath(QStringLiteral("bundled-helper"));
    env.hostsBlocker.sudo = QStringLiteral("/bin/false");
    env.hostsBlocker.administratorProgram = QStringLiteral("/bin/false");
    return std::make_unique<TaskStore>(env);
}

QUuid BenchDay::middleTask(int index) const {
    return store->outline().tasks().at((folders.size() / 2) * kTasksPerFolder + index).id;
}

} // namespace vorn::bench
