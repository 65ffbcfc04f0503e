// Outline rows, display order and finish times on day plans of 1,000 and 10,000
// tasks: ten tasks per section, folders nested up to four deep, about one
// section in five a group headed by a task of an earlier section.

#include "model/outline.h"
#include "model/schedule.h"

#include <QSet>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

using namespace vorn;

namespace {

constexpr int tasksPerSection = 10;

Workspace makeWorkspace(int taskCount) {
    std::mt19937 rng(42);
    Workspace ws;
    QList<int> folderDepth; // depth of ws.sections[i] when it is a folder, else -1
    QSet<QUuid> headers;

    const auto addTasks = [&](const QUuid& sectionID) {
        for (int i = 0; i < tasksPerSection; ++i) {
            TaskItem task{newUuid(),
                          QStringLiteral("Task %1").arg(ws.tasks.size()),
                          int(rng() % 60),
                          false,
                          {},
                          {},
                          sectionID,
                          {}};
            task.isCompleted = ws.tasks.size() < taskCount / 5;
            if (task.isCompleted)
                task.completedAt = 1.7e9 + ws.tasks.size() * 600.0;
            ws.tasks.append(task);
        }
    };

    const QUuid root = newUuid();
    ws.sections.append({root, QStringLiteral("To do"), std::nullopt, 0, std::nullopt});
    folderDepth.append(0);
    addTasks(root);

    while (ws.tasks.size() < taskCount) {
        const qsizetype index = ws.sections.size();
        TaskSection section{newUuid(), QStringLiteral("Section %1").arg(index), std::nullopt, int(index),
                            std::nullopt};
        if (rng() % 5 == 0) {
            // A group under a task that heads nothing yet.
            const TaskItem* header = &ws.tasks.at(rng() % ws.tasks.size());
            while (headers.contains(header->id))
                header = &ws.tasks.at(rng() % ws.tasks.size());
            headers.insert(header->id);
            section.headerTaskID = header->id;
            section.parentID = header->sectionID;
            folderDepth.append(-1);
        } else {
            qsizetype parent = rng() % index;
            while (folderDepth.at(parent) < 0 || folderDepth.at(parent) >= 4)
                parent = rng() % index;
            section.parentID = ws.sections.at(parent).id;
            folderDepth.append(folderDepth.at(parent) + 1);
        }
        ws.sections.append(section);
        addTasks(section.id);
    }

    // The root's own tasks interleaved with its folders.
    QList<OutlineEntry> folders;
    for (qsizetype i = 1; i < ws.sections.size(); ++i) {
        if (folderDepth.at(i) == 1)
            folders.append(OutlineEntry::section(ws.sections.at(i).id));
    }
    for (qsizetype i = 0; i < tasksPerSection; ++i) {
        ws.rootOutlineOrder.append(OutlineEntry::task(ws.tasks.at(i).id));
        for (qsizetype f = i; f < folders.size(); f += tasksPerSection)
            ws.rootOutlineOrder.append(folders.at(f));
    }

    if (auto ordered = outline::tasksInDisplayOrder(ws))
        ws.tasks = *ordered;
    return ws;
}

void checkFullyReachable(benchmark::State& state, const Workspace& ws) {
    if (outline::flattenOutlineEntries(ws, ws.rootOutlineOrder).size() != ws.tasks.size())
        state.SkipWithError("generated outline does not reach every task");
}

void BM_OutlineRows(benchmark::State& state) {
    const Workspace ws = makeWorkspace(int(state.range(0)));
    checkFullyReachable(state, ws);
    for (auto _ : state)
        benchmark::DoNotOptimize(outline::outlineRows(ws));
    state.SetComplexityN(state.range(0));
}

void BM_TasksInDisplayOrder(benchmark::State& state) {
    Workspace ws = makeWorkspace(int(state.range(0)));
    checkFullyReachable(state, ws);
    std::shuffle(ws.tasks.begin(), ws.tasks.end(), std::mt19937(7));
    if (!outline::tasksInDisplayOrder(ws))
        state.SkipWithError("shuffled tasks were not reordered");
    for (auto _ : state)
        benchmark::DoNotOptimize(outline::tasksInDisplayOrder(ws));
    state.SetComplexityN(state.range(0));
}

void BM_RecalculateFinishTimes(benchmark::State& state) {
    Workspace ws = makeWorkspace(int(state.range(0)));
    Instant start = 1.7e9;
    for (auto _ : state) {
        // A moving start changes every open task's finish, so each run writes.
        start += 60;
        benchmark::DoNotOptimize(schedule::recalculateFinishTimes(ws.tasks, start));
    }
    state.SetComplexityN(state.range(0));
}

} // namespace

BENCHMARK(BM_OutlineRows)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_TasksInDisplayOrder)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_RecalculateFinishTimes)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();

BENCHMARK_MAIN();
