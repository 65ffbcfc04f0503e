// Saving and loading a working day of 1,000 tasks in 50 sections (the save after
// one edit also at 10,000) through the store, on a database file in a temporary folder.
#include "bench_day.h"
#include "store/task_store.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace vorn;

namespace {

using bench::BenchDay;

void BM_PersistWorkspace(benchmark::State& state) {
    // After an edit of one task's title, as every editing operation saves.
    BenchDay day(state.range(0));
    TaskStore* store = day.store.get();
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QList<TaskItem> tasks = store->outline().tasks();
        tasks[(n * 37) % tasks.size()].title = QStringLiteral("Edited %1").arg(n);
        ++n;
        store->outline().setTasks(tasks);
        state.ResumeTiming();
        store->persistWorkspace();
    }
}
BENCHMARK(BM_PersistWorkspace)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_PersistWorkspace1000EveryTable(benchmark::State& state) {
    // The worst case: no table is known to hold these rows yet.
    BenchDay day(1000);
    TaskStore* store = day.store.get();
    for (auto _ : state) {
        state.PauseTiming();
        day.db->exec(QStringLiteral("SELECT 1")); // forgets what was written
        state.ResumeTiming();
        store->persistWorkspace();
    }
}
BENCHMARK(BM_PersistWorkspace1000EveryTable)->Unit(benchmark::kMillisecond);

void BM_StartUpWith1000(benchmark::State& state) {
    BenchDay day(1000);
    day.store.reset(); // each iteration starts its own
    for (auto _ : state) {
        state.PauseTiming();
        day.db->clearChatMessages(); // each start adds a welcome line; keep the day the same size
        state.ResumeTiming();
        auto store = day.startStore();
        benchmark::DoNotOptimize(store->outline().tasks().size());
    }
}
BENCHMARK(BM_StartUpWith1000)->Unit(benchmark::kMillisecond);

// A pasted list of 2,000 items: 100 numbered headings with 19 sub-items each.
void BM_ReplaceFromPaste2000(benchmark::State& state) {
    BenchDay day;
    TaskStore* store = day.store.get();
    QString text = QStringLiteral("Big day\n");
    for (int h = 1; h <= 100; ++h) {
        text += QStringLiteral("%1. Heading %1\n").arg(h);
        for (int t = 1; t <= 19; ++t)
            text += QStringLiteral("\t%1. Sub-item %2.%1 of ordinary length\n").arg(t).arg(h);
    }
    for (auto _ : state) {
        store->replaceFromPaste(text);
        benchmark::DoNotOptimize(store->outline().tasks().size());
    }
}
BENCHMARK(BM_ReplaceFromPaste2000)->Unit(benchmark::kMillisecond);

} // namespace
