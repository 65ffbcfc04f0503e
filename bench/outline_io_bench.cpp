// Parsing a pasted list of about one megabyte and exporting 1,000 and 10,000
// rows as text.

#include "outline_io/hierarchical_task_exporter.h"
#include "outline_io/hierarchical_task_parser.h"
#include "outline_io/outline_paste_detector.h"

#include <benchmark/benchmark.h>

#include <random>

using namespace vorn;

namespace {

// A day plan as pasted from a notes app: a heading, numbered items nested up to
// four levels by tabs, now and then a wrapped line continuing an item.
QString makePaste(qsizetype targetSize) {
    std::mt19937 rng(42);
    QString text = QStringLiteral("Week plan\n");
    int depth = 0;
    for (int i = 1; text.size() < targetSize; ++i) {
        depth = std::min(4, int(rng() % (depth + 2)));
        text += QString(depth, u'\t');
        text += QStringLiteral("%1. Task number %1 with a reasonably long title\n").arg(i);
        if (rng() % 8 == 0)
            text += QStringLiteral("and a wrapped second line\n");
    }
    return text;
}

QList<OutlineRow> makeRows(int count) {
    std::mt19937 rng(7);
    QList<OutlineRow> rows;
    rows.reserve(count);
    int depth = 0;
    for (int i = 0; i < count; ++i) {
        depth = i == 0 ? 0 : std::min(4, int(rng() % (depth + 2)));
        const QString title = QStringLiteral("Task %1 with a reasonably long title").arg(i);
        if (rng() % 5 == 0)
            rows.append({TaskSection{newUuid(), title, newUuid(), i, std::nullopt}, depth, false});
        else
            rows.append({TaskItem{newUuid(), title, 30, false, {}, {}, newUuid(), {}}, depth, false});
    }
    return rows;
}

void BM_ParseOneMegabytePaste(benchmark::State& state) {
    const QString text = makePaste(1 << 20);
    for (auto _ : state)
        benchmark::DoNotOptimize(HierarchicalTaskParser::parse(text));
    state.SetBytesProcessed(state.iterations() * text.size());
}

void BM_DetectOneMegabytePaste(benchmark::State& state) {
    // The worst case: no marker until the very end.
    QString text = QString(QStringLiteral("plain line of text\n")).repeated((1 << 20) / 19);
    text += QStringLiteral("1. last");
    for (auto _ : state)
        benchmark::DoNotOptimize(OutlinePasteDetector::isOutlineList(text));
}

void BM_ExportRows(benchmark::State& state) {
    const QList<OutlineRow> rows = makeRows(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(HierarchicalTaskExporter::exportOutline(QStringLiteral("To do"), rows));
}

void BM_ExportSelectedRows(benchmark::State& state) {
    const QList<OutlineRow> rows = makeRows(int(state.range(0)));
    QSet<QString> selection;
    for (qsizetype i = 0; i < rows.size(); i += 2)
        selection.insert(rows.at(i).id());
    for (auto _ : state)
        benchmark::DoNotOptimize(
            HierarchicalTaskExporter::exportOutline(QStringLiteral("To do"), rows, selection));
}

} // namespace

BENCHMARK(BM_ParseOneMegabytePaste)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DetectOneMegabytePaste)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportRows)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportSelectedRows)->Arg(10000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
