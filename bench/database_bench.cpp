// Saving and loading a full working day: 1,000 tasks in 50 sections, on a
// database file in a temporary folder.

#include "persistence/database_service.h"

#include <QLoggingCategory>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace vorn;

namespace {

struct Day {
    QList<TaskItem> tasks;
    QList<TaskSection> sections;
    DatabaseService::SessionSnapshot session;
    QList<DatabaseService::OverdueSnapshot> overdue;
    QList<ChatMessage> chat;
};

Day buildDay() {
    Day day;
    for (int i = 0; i < 50; ++i) {
        const std::optional<QUuid> parent = i == 0 ? std::nullopt : std::optional(day.sections[0].id);
        day.sections.append({newUuid(), QStringLiteral("Section %1").arg(i), parent, i, std::nullopt});
    }
    for (int i = 0; i < 1000; ++i) {
        TaskItem t{newUuid(),
                   QStringLiteral("Task %1 with a title of ordinary length").arg(i),
                   25,
                   i < 300,
                   1.7e9 + i * 1500.0,
                   std::nullopt,
                   day.sections[i % 50].id,
                   std::nullopt};
        if (t.isCompleted)
            t.completedAt = t.finishTime;
        day.tasks.append(t);
    }
    for (const TaskSection& s : day.sections)
        day.session.outlineOrder.append(OutlineEntry::section(s.id));
    day.session.scheduleStartTime = 1.7e9;
    for (int i = 0; i < 20; ++i)
        day.overdue.append({day.tasks[300 + i].id, 1.7e9, true, false});
    for (int i = 0; i < 40; ++i)
        day.chat.append({newUuid(), ChatMessage::Role::boss, QStringLiteral("Line %1").arg(i),
                         BossAIMode::normal, 1.7e9 + i});
    return day;
}

struct Fixture {
    Fixture()
        : db((QLoggingCategory::setFilterRules(QStringLiteral("vorn.db.warning=false")),
              dir.filePath(QStringLiteral("vorn.sqlite"))),
             clock) {}
    QTemporaryDir dir;
    ManualClock clock{1.7e9};
    DatabaseService db;
    Day day = buildDay();

    bool save() {
        return db.saveWorkspace(day.tasks, day.sections, {1, 2, 3}, day.session, day.overdue, day.chat);
    }
};

void BM_SaveWorkspace(benchmark::State& state) {
    Fixture f;
    for (auto _ : state) {
        // Every table written: the service would skip rows it has just committed.
        state.PauseTiming();
        f.db.exec(QStringLiteral("SELECT 1"));
        state.ResumeTiming();
        if (!f.save())
            state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_SaveWorkspace)->Unit(benchmark::kMillisecond);

void BM_LoadWorkspace(benchmark::State& state) {
    Fixture f;
    if (!f.save())
        state.SkipWithError("save failed");
    for (auto _ : state) {
        benchmark::DoNotOptimize(f.db.loadSession());
        const QList<TaskSection> sections = f.db.loadSections();
        benchmark::DoNotOptimize(f.db.loadTasks(sections.first().id));
        benchmark::DoNotOptimize(f.db.loadGamificationState());
        benchmark::DoNotOptimize(f.db.loadOverdueStates());
        benchmark::DoNotOptimize(f.db.loadChatMessages());
        if (sections.size() != 50)
            state.SkipWithError("wrong workspace");
    }
}
BENCHMARK(BM_LoadWorkspace)->Unit(benchmark::kMillisecond);

// The least a save can cost when a task is added in the middle of an open day:
// every row after it moves down one place and finishes 25 minutes later, which
// the row diff turns into one UPDATE over those rows and one INSERT. Nothing of
// the store is timed, only the `tasks` table's save.
void BM_SaveTasksAddedInMiddle(benchmark::State& state) {
    Fixture f;
    QList<TaskItem> day;
    for (qsizetype i = 0; i < state.range(0); ++i)
        day.append({newUuid(), QStringLiteral("Task %1 with a title of ordinary length").arg(i), 25, false,
                    1.7e9 + (i + 1) * 1500.0, std::nullopt, f.day.sections.first().id, std::nullopt});
    QList<TaskItem> added = day;
    const qsizetype middle = day.size() / 2;
    added.insert(middle, {newUuid(), QStringLiteral("New task"), 25, false, 0, std::nullopt,
                          f.day.sections.first().id, std::nullopt});
    for (qsizetype i = middle; i < added.size(); ++i)
        added[i].finishTime = 1.7e9 + (i + 1) * 1500.0;
    if (!f.db.saveTasks(day))
        state.SkipWithError("save failed");
    for (auto _ : state) {
        if (!f.db.saveTasks(added))
            state.SkipWithError("save failed");
        state.PauseTiming();
        f.db.saveTasks(day);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SaveTasksAddedInMiddle)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
