// The outline edits on a working day of 1,000 and of 10,000 tasks, 20 to a
// folder, each timed together with its save to a database file. An edit that
// changes the outline is undone again outside the timing, so every iteration
// starts from the same day. Run with --benchmark_repetitions=5 for medians.
#include "bench_day.h"
#include "store/task_store.h"

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>

using namespace vorn;

namespace {

// The day, with the first open task's start noted once (as the watch would).
struct Day : bench::BenchDay {
    explicit Day(qsizetype taskCount) : BenchDay(taskCount) { store->watch().checkLateAndNotify(); }
};

// Times `edit`; `prepare` runs before and `undos` undo steps after it, untimed.
void timeEdit(benchmark::State& state, const std::function<void(Day&, int)>& edit, int undos,
              const std::function<void(Day&)>& prepare = {}) {
    Day day(state.range(0));
    int n = 0;
    for (auto _ : state) {
        if (prepare) {
            state.PauseTiming();
            prepare(day);
            state.ResumeTiming();
        }
        edit(day, n++);
        state.PauseTiming();
        for (int i = 0; i < undos; ++i)
            day.store->editor().undo();
        state.ResumeTiming();
    }
}

void BM_AddTask(benchmark::State& state) {
    timeEdit(
        state, [](Day& d, int) { d.store->editor().addTask(d.middleTask()); }, 1);
}

void BM_FocusTaskBelow(benchmark::State& state) {
    timeEdit(
        state,
        [](Day& d, int) { d.store->editor().focusTaskBelow(d.middleTask(), QStringLiteral("Renamed")); }, 2);
}

void BM_UpdateTitle(benchmark::State& state) {
    timeEdit(
        state,
        [](Day& d, int n) {
            d.store->editor().updateTitle(d.middleTask(), QStringLiteral("Title %1").arg(n));
        },
        0);
}

void BM_UpdateDuration(benchmark::State& state) {
    timeEdit(
        state, [](Day& d, int n) { d.store->editor().updateDuration(d.middleTask(), 20 + n % 2); }, 0);
}

void BM_RemoveTask(benchmark::State& state) {
    timeEdit(
        state, [](Day& d, int) { d.store->editor().removeTask(d.middleTask()); }, 1);
}

void BM_IndentTask(benchmark::State& state) {
    timeEdit(
        state, [](Day& d, int) { d.store->editor().indentTask(d.middleTask()); }, 1);
}

void BM_OutdentTask(benchmark::State& state) {
    timeEdit(
        state, [](Day& d, int) { d.store->editor().outdentTask(d.middleTask()); }, 2,
        [](Day& d) { d.store->editor().indentTask(d.middleTask()); });
}

void BM_MoveOutlineTask(benchmark::State& state) {
    timeEdit(
        state,
        [](Day& d, int) {
            d.store->editor().moveOutlineTask(d.middleTask(), d.store->outline().tasks().at(3).id);
        },
        1);
}

void BM_MoveTaskToFolder(benchmark::State& state) {
    timeEdit(
        state,
        [](Day& d, int) { d.store->editor().moveTask(d.middleTask(), d.folders.first(), std::nullopt); }, 1);
}

void BM_MoveOutlineSection(benchmark::State& state) {
    timeEdit(
        state, [](Day& d, int) { d.store->editor().moveOutlineSection(d.folders.at(1), d.folders.last()); },
        1);
}

void BM_RenameSection(benchmark::State& state) {
    timeEdit(
        state,
        [](Day& d, int n) {
            d.store->editor().renameSection(d.folders.at(1), QStringLiteral("Folder %1").arg(n));
        },
        0);
}

void BM_DeleteSection(benchmark::State& state) {
    timeEdit(
        state, [](Day& d, int) { d.store->editor().deleteSection(d.folders.at(d.folders.size() / 2)); }, 1);
}

#define EDITING_BENCHMARK(name) BENCHMARK(name)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)
EDITING_BENCHMARK(BM_AddTask);
EDITING_BENCHMARK(BM_FocusTaskBelow);
EDITING_BENCHMARK(BM_UpdateTitle);
EDITING_BENCHMARK(BM_UpdateDuration);
EDITING_BENCHMARK(BM_RemoveTask);
EDITING_BENCHMARK(BM_IndentTask);
EDITING_BENCHMARK(BM_OutdentTask);
EDITING_BENCHMARK(BM_MoveOutlineTask);
EDITING_BENCHMARK(BM_MoveTaskToFolder);
EDITING_BENCHMARK(BM_MoveOutlineSection);
EDITING_BENCHMARK(BM_RenameSection);
EDITING_BENCHMARK(BM_DeleteSection);

} // namespace
