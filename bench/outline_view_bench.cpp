// The outline table offscreen on a day of 1,000 and of 10,000 tasks, 20 to a
// folder, saved to a database file: from a key in a title field to the editor
// open where the key sends it (Enter, Tab, Shift+Tab), a page of scrolling
// painted, and the view built and first painted. An edit is undone again
// outside the timing. Run with --benchmark_repetitions=5 for medians.
#include "store/task_store.h"
#include "persistence/database_service.h"
#include "platform/clock.h"
#include "platform/preferences.h"
#include "platform/random_source.h"
#include "services/proxy_config.h"
#include "views/outline/outline_table.h"
#include "views/outline/outline_table_model.h"
#include "views/outline/outline_view.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

using namespace vorn;

namespace {

constexpr int kTasksPerFolder = 20;

struct Day {
    QTemporaryDir dir;
    ManualClock clock{1'780'000'000.0};
    ScriptedRandomSource random;
    std::unique_ptr<Preferences> prefs;
    std::unique_ptr<DatabaseService> db;
    std::unique_ptr<TaskStore> store;
    std::unique_ptr<OutlineView> view;

    explicit Day(qsizetype taskCount) {
        prefs = std::make_unique<Preferences>(dir.path() + QStringLiteral("/settings.ini"));
        db = std::make_unique<DatabaseService>(dir.path() + QStringLiteral("/vorn.sqlite"), clock);
        StoreEnvironment env;
        env.clock = &clock;
        env.random = &random;
        env.preferences = prefs.get();
        env.database = db.get();
        // The boss's requests go to a closed loopback port, never to a running proxy.
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
        store = std::make_unique<TaskStore>(env);
        fill(taskCount);
    }

    void fill(qsizetype taskCount) {
        const QUuid root = *store->rootSectionID();
        QList<TaskSection> sections{store->sections().first()};
        QList<TaskItem> tasks;
        for (qsizetype s = 0; s < taskCount / kTasksPerFolder; ++s) {
            const TaskSection folder{newUuid(), QStringLiteral("Folder %1").arg(s), root, int(s),
                                     std::nullopt};
            sections.append(folder);
            for (int t = 0; t < kTasksPerFolder; ++t) {
                TaskItem task;
                task.id = newUuid();
                task.title = QStringLiteral("Task %1.%2 with a title of ordinary length").arg(s).arg(t);
                task.durationMinutes = 5 + (t % 7) * 5;
                task.sectionID = folder.id;
                tasks.append(task);
            }
        }
        store->setSections(sections);
        store->setTasks(tasks);
        store->setRootOutlineOrder(store->computeOutlineOrderSnapshot());
        store->ensureTasksInDisplayOrder();
        store->recalculateFinishTimes();
        store->persistWorkspace();
    }

    void showView() {
        view = std::make_unique<OutlineView>(store.get());
        view->resize(720, 800);
        view->show();
        settle();
    }

    OutlineTable* table() const { return view->table(); }

    static void settle() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }

    // The task at `index` of the folder in the middle of the day.
    QUuid middleTask(int index = kTasksPerFolder / 2) const {
        return store->tasks().at((store->tasks().size() / kTasksPerFolder / 2) * kTasksPerFolder + index).id;
    }
};

// Opens the title of the middle task, then times `key` in it up to the editor
// open again (on the new row or the moved one) and its rows painted.
void timeKey(benchmark::State& state, int key, Qt::KeyboardModifiers modifiers, int undos,
             const std::function<void(Day&)>& prepare = {}) {
    Day day(state.range(0));
    day.showView();
    for (auto _ : state) {
        state.PauseTiming();
        if (prepare)
            prepare(day);
        Day::settle();
        if (!day.table()->focusTitle(day.middleTask(), false)) {
            state.SkipWithError("no title editor");
            break;
        }
        QLineEdit* editor = day.table()->openEditor();
        state.ResumeTiming();

        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(editor, &press);
        while (!day.table()->openEditor())
            QCoreApplication::processEvents();
        day.table()->viewport()->repaint();

        state.PauseTiming();
        for (int i = 0; i < undos; ++i)
            day.store->undo();
        Day::settle();
        state.ResumeTiming();
    }
}

void BM_EnterToEditor(benchmark::State& state) {
    timeKey(state, Qt::Key_Return, Qt::NoModifier, 1);
}

void BM_Tab(benchmark::State& state) {
    timeKey(state, Qt::Key_Tab, Qt::NoModifier, 1);
}

void BM_ShiftTab(benchmark::State& state) {
    timeKey(state, Qt::Key_Backtab, Qt::ShiftModifier, 2,
            [](Day& d) { d.store->indentTask(d.middleTask()); });
}

void BM_PageScroll(benchmark::State& state) {
    Day day(state.range(0));
    day.showView();
    QScrollBar* bar = day.table()->verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    int direction = 1;
    for (auto _ : state) {
        if (bar->value() + bar->pageStep() > bar->maximum() || bar->value() - bar->pageStep() < 0)
            direction = -direction;
        bar->setValue(bar->value() + direction * bar->pageStep());
        day.table()->viewport()->repaint();
    }
}

void BM_ShowView(benchmark::State& state) {
    Day day(state.range(0));
    for (auto _ : state) {
        day.showView();
        day.view->repaint();
        state.PauseTiming();
        day.view.reset();
        state.ResumeTiming();
    }
}

#define VIEW_BENCHMARK(name) BENCHMARK(name)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)
VIEW_BENCHMARK(BM_EnterToEditor);
VIEW_BENCHMARK(BM_Tab);
VIEW_BENCHMARK(BM_ShiftTab);
VIEW_BENCHMARK(BM_PageScroll);
VIEW_BENCHMARK(BM_ShowView);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
