// From starting the program to a shown window that serves requests, with 1,000
// tasks in 50 folders, and the resident memory of the started program.
// Runs the built `vorn` as a child process on a temporary data folder; the
// window counts as shown once it answers a second start's "raise" (its socket
// is served by the event loop only after the window is shown).
//   QT_QPA_PLATFORM=offscreen build/bench/startup_bench   (or under Xvfb with DISPLAY set)
#include "app/instance_handover.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

namespace {

QByteArray sampleDay(int folders, int tasksPerFolder) {
    QByteArray text = "A long day\n";
    for (int f = 1; f <= folders; ++f) {
        text += QByteArray::number(f) + ". Folder " + QByteArray::number(f) + "\n";
        for (int t = 1; t <= tasksPerFolder; ++t)
            text += "    " + QByteArray::number(t) + ". Task " + QByteArray::number(f) + "." +
                    QByteArray::number(t) + "\n";
    }
    return text;
}

struct Day {
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();

    Day() {
        env.insert(QStringLiteral("VORN_DATA_DIR"), dir.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("HOME"), dir.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("VORN_PROXY_URL"), QStringLiteral("http://127.0.0.1:9"));
        if (!env.contains(QStringLiteral("DISPLAY")) && !env.contains(QStringLiteral("QT_QPA_PLATFORM")))
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QProcess import;
        import.setProcessEnvironment(env);
        import.start(QStringLiteral(VORN_PROGRAM), {QStringLiteral("--import"), QStringLiteral("-")});
        import.write(sampleDay(50, 20));
        import.closeWriteChannel();
        import.waitForFinished(60000);
    }
};

qint64 residentKiB(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return 0;
}

// The resident memory of `pid` and its children (Vorn's own proxy).
qint64 familyResidentKiB(qint64 pid) {
    qint64 total = residentKiB(pid);
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(pid));
    if (children.open(QIODevice::ReadOnly))
        for (const QByteArray& child : children.readAll().split(' '))
            if (!child.trimmed().isEmpty())
                total += residentKiB(child.trimmed().toLongLong());
    return total;
}

// Starts `program` until its hand-over socket `server` answers, then reads the
// memory of it and its children after `settle`.
void startToShown(benchmark::State& state, const QString& program, const QProcessEnvironment& env,
                  const QString& server, int settleMs) {
    qint64 rss = 0;
    for (auto _ : state) {
        QProcess process;
        process.setProcessEnvironment(env);
        QElapsedTimer timer;
        timer.start();
        process.start(program, {});
        while (!vorn::sendToRunningCopy(server, {QStringLiteral("raise"), {}},
                                        std::chrono::milliseconds(1000), std::chrono::milliseconds(1000))
                    .reply) {
            if (process.state() == QProcess::NotRunning || timer.elapsed() > 10000) {
                state.SkipWithError("the program did not start");
                return;
            }
            QThread::usleep(500);
        }
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        QThread::msleep(settleMs); // let the first paint and the start-up work settle
        rss = familyResidentKiB(process.processId());
        process.terminate();
        process.waitForFinished(10000);
    }
    state.counters["rss_MiB"] = double(rss) / 1024.0;
}

Day& day() {
    static Day day;
    return day;
}

QString dayServer() {
    return vorn::handOverServerName(day().env.value(QStringLiteral("VORN_DATA_DIR")));
}

// With a configured proxy: Vorn alone.
void BM_StartToShownWindow(benchmark::State& state) {
    startToShown(state, QStringLiteral(VORN_PROGRAM), day().env, dayServer(), 300);
}
BENCHMARK(BM_StartToShownWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

// Without one: Vorn starts its own proxy after the first paint; memory counts both.
void BM_StartWithOwnProxy(benchmark::State& state) {
    QProcessEnvironment env = day().env;
    env.remove(QStringLiteral("VORN_PROXY_URL"));
    startToShown(state, QStringLiteral(VORN_PROGRAM), env, dayServer(), 1000);
}
BENCHMARK(BM_StartWithOwnProxy)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

// The yardstick: an empty QMainWindow built the same way.
void BM_EmptyWindow(benchmark::State& state) {
    QProcessEnvironment env = day().env;
    const QString server = QStringLiteral("vorn-empty-window-%1").arg(QCoreApplication::applicationPid());
    env.insert(QStringLiteral("VORN_EMPTY_WINDOW_SERVER"), server);
    startToShown(state, QStringLiteral(EMPTY_WINDOW_PROGRAM), env, server, 300);
}
BENCHMARK(BM_EmptyWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

} // namespace
