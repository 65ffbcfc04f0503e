#pragma once

// A working day for the benchmarks: a store on a database file in a temporary
// folder, with website blocking kept on that folder's files and programs that
// refuse, and boss requests sent to a closed loopback port.
#include "persistence/database_service.h"
#include "platform/clock.h"
#include "platform/preferences.h"
#include "platform/random_source.h"
#include "store/task_store.h"

#include <QTemporaryDir>

#include <memory>

namespace vorn::bench {

constexpr int kTasksPerFolder = 20;

// `taskCount` / 20 folders under the root, 20 tasks each, in outline order with
// their finish times, saved once. Returns the folders' IDs in order.
QList<QUuid> fillDay(TaskStore& store, qsizetype taskCount);

struct BenchDay {
    QTemporaryDir dir;
    ManualClock clock{1'780'000'000.0};
    ScriptedRandomSource random;
    std::unique_ptr<Preferences> prefs;
    std::unique_ptr<DatabaseService> db;
    std::unique_ptr<TaskStore> store;
    QList<QUuid> folders;

    // A store on the database file; filled with `taskCount` tasks when positive.
    explicit BenchDay(qsizetype taskCount = 0);
    // A new store over the same file and preferences (as at a restart).
    std::unique_ptr<TaskStore> startStore();
    // The task at `index` of the folder in the middle of the day.
    QUuid middleTask(int index = kTasksPerFolder / 2) const;
};

} // namespace vorn::bench
