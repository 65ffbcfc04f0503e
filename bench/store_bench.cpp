// Saving and loading a working day of 1,000 tasks in 50 sections (the save after
// one edit also at 10,000) through the store, on a database file in a temporary folder.
#include "persistence/database_service.h"
#include "platform/clock.h"
#include "platform/preferences.h"
#include "platform/random_source.h"
#include "store/task_store.h"

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

    // `taskCount` / 20 folders under the root, 20 tasks each.
    void fill(TaskStore& store, int taskCount = 1000) {
        const QUuid root = *store.rootSectionID();
        QList<TaskSection> sections{store.sections().first()};
        QList<TaskItem> tasks;
        for (int s = 0; s < taskCount / 20; ++s) {
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

void BM_PersistWorkspace(benchmark::State& state) {
    // After an edit of one task's title, as every editing operation saves.
    Day day;
    auto store = day.start();
    day.fill(*store, static_cast<int>(state.range(0)));
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QList<TaskItem> tasks = store->tasks();
        tasks[(n * 37) % tasks.size()].title = QStringLiteral("Edited %1").arg(n);
        ++n;
        store->setTasks(tasks);
        state.ResumeTiming();
        store->persistWorkspace();
    }
}
BENCHMARK(BM_PersistWorkspace)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_PersistWorkspace1000EveryTable(benchmark::State& state) {
    // The worst case: no table is known to hold these rows yet.
    Day day;
    auto store = day.start();
    day.fill(*store);
    for (auto _ : state) {
        state.PauseTiming();
        day.db->exec(QStringLiteral("SELECT 1")); // forgets what was written
        state.ResumeTiming();
        store->persistWorkspace();
    }
}
BENCHMARK(BM_PersistWorkspace1000EveryTable)->Unit(benchmark::kMillisecond);

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

// A pasted list of 2,000 items: 100 numbered headings with 19 sub-items each.
void BM_ReplaceFromPaste2000(benchmark::State& state) {
    Day day;
    auto store = day.start();
    QString text = QStringLiteral("Big day\n");
    for (int h = 1; h <= 100; ++h) {
        text += QStringLiteral("%1. Heading %1\n").arg(h);
        for (int t = 1; t <= 19; ++t)
            text += QStringLiteral("\t%1. Sub-item %2.%1 of ordinary length\n").arg(t).arg(h);
    }
    for (auto _ : state) {
        store->replaceFromPaste(text);
        benchmark::DoNotOptimize(store->tasks().size());
    }
}
BENCHMARK(BM_ReplaceFromPaste2000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
