// The outline table offscreen on a day of 1,000 and of 10,000 tasks, 20 to a
// folder, saved to a database file: from a key in a title field to the editor
// open where the key sends it (Enter, Tab, Shift+Tab), a page of scrolling
// painted, and the view built and first painted. An edit is undone again
// outside the timing. Run with --benchmark_repetitions=5 for medians.
#include "bench_day.h"
#include "store/task_store.h"
#include "views/outline/outline_table.h"
#include "views/outline/outline_table_model.h"
#include "views/outline/outline_view.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <memory>

using namespace vorn;

namespace {

struct Day : bench::BenchDay {
    std::unique_ptr<OutlineView> view;

    explicit Day(qsizetype taskCount) : BenchDay(taskCount) {}

    void showView() {
        view = std::make_unique<OutlineView>(*store);
        view->resize(720, 800);
        view->show();
        settle();
    }

    OutlineTable* table() const { return view->table(); }

    static void settle() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
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
            day.store->editor().undo();
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
            [](Day& d) { d.store->editor().indentTask(d.middleTask()); });
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
