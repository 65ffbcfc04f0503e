// Saving and loading a working day of 1,000 tasks in 50 sections through the
// store, on a database file in a temporary folder.
#include "model/task_store.h"
#include "persistence/database_service.h"
#include "platform/clock.h"
#include "platform/preferences.h"
#include "platform/random_source.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

using namespace vorn;

namespace {

struct Day {
    QTemporaryDir dir;
    ManualClock clock{1'780'000'000.0};
    ScriptedRandomSource random;
    std::unique_ptr<Preferences> prefs;
    std::unique_ptr<DatabaseService> db;

    Day() {
        prefs = std::make_unique<Preferences>(dir.path() + QStringLiteral("/settings.ini"));
        db = std::make_unique<DatabaseService>(dir.path() + QStringLiteral("/vorn.sqlite"), clock);
    }

    std::unique_ptr<TaskStore> start() {
        StoreEnvironment env;
        env.clock = &clock;
        env.random = &random;
        env.preferences = prefs.get();
        env.database = db.get();
        return std::make_unique<TaskStore>(env);
    }

    // 50 folders under the root, 20 tasks each; every fifth task heads a group of two.
    void fill(TaskStore& store) {
        const QUuid root = *store.rootSectionID();
        QList<TaskSection> sections{store.sections().first()};
        QList<TaskItem> tasks;
        for (int s = 0; s < 50; ++s) {
            const TaskSection folder{newUuid(), QStringLiteral("Folder %1").arg(s), root, s, std::nullopt};
            sections.append(folder);
            for (int t = 0; t < 20; ++t) {
                TaskItem task;
                task.id = newUuid();
                task.title = QStringLiteral("Task %1.%2 with a title of ordinary length").arg(s).arg(t);
                task.durationMinutes = 5 + (t % 7) * 5;
                task.sectionID = folder.id;
                tasks.append(task);
            }
        }
        store.setSections(sections);
        store.setTasks(tasks);
        store.setRootOutlineOrder(store.computeOutlineOrderSnapshot());
        store.ensureTasksInDisplayOrder();
        store.recalculateFinishTimes();
        store.persistWorkspace();
    }
};

void BM_PersistWorkspace1000(benchmark::State& state) {
    Day day;
    auto store = day.start();
    day.fill(*store);
    for (auto _ : state)
        store->persistWorkspace();
}
BENCHMARK(BM_PersistWorkspace1000)->Unit(benchmark::kMillisecond);

void BM_StartUpWith1000(benchmark::State& state) {
    Day day;
    day.fill(*day.start());
    for (auto _ : state) {
        state.PauseTiming();
        day.db->clearChatMessages(); // each start adds a welcome line; keep the day the same size
        state.ResumeTiming();
        auto store = day.start();
        benchmark::DoNotOptimize(store->tasks().size());
    }
}
BENCHMARK(BM_StartUpWith1000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
