// From starting the program to a shown window that serves requests, with 1,000
// tasks in 50 folders, and the resident memory of the started program.
// Runs the built `vorn` as a child process on a temporary data folder; the
// window counts as shown once it answers a second start's "raise" (its socket
// is served by the event loop only after the window is shown).
//   QT_QPA_PLATFORM=offscreen build/bench/startup_bench   (or under Xvfb with DISPLAY set)
#include "app/instance_handover.h"

#include <benchmark/benchmark.h>

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

void BM_StartToShownWindow(benchmark::State& state) {
    static Day day;
    const QString server = vorn::handOverServerName(day.env.value(QStringLiteral("VORN_DATA_DIR")));
    qint64 rss = 0;
    for (auto _ : state) {
        QProcess vorn;
        vorn.setProcessEnvironment(day.env);
        QElapsedTimer timer;
        timer.start();
        vorn.start(QStringLiteral(VORN_PROGRAM), {});
        while (!vorn::sendToRunningCopy(server, {QStringLiteral("raise"), {}},
                                        std::chrono::milliseconds(1000), std::chrono::milliseconds(1000))
                    .reply) {
            if (vorn.state() == QProcess::NotRunning || timer.elapsed() > 10000) {
                state.SkipWithError("vorn did not start");
                return;
            }
            QThread::usleep(500);
        }
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        QThread::msleep(300); // let the first paint and the start-up work settle
        rss = residentKiB(vorn.processId());
        vorn.terminate();
        vorn.waitForFinished(10000);
    }
    state.counters["rss_MiB"] = double(rss) / 1024.0;
}
BENCHMARK(BM_StartToShownWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

} // namespace
